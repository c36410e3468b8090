#pragma once

#include "abstracteditorfactory.h"
#include "enumpropertymanager.h"

#include <memory>

class QComboBox;
template <class Editor> class EditorFactoryPrivate;

// Combo-box editors for enumeration properties, with the names' icons.
class EnumEditorFactory : public AbstractEditorFactory<EnumPropertyManager>
{
    Q_OBJECT
public:
    explicit EnumEditorFactory(QObject* parent = nullptr);
    ~EnumEditorFactory() override;

protected:
    void connectPropertyManager(EnumPropertyManager* manager) override;
    QWidget* createEditor(EnumPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(EnumPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, int value);
    void slotEnumNamesChanged(Property* property, const QStringList& names);
    void slotEnumIconsChanged(Property* property, const QMap<int, QIcon>& icons);
    void slotSetValue(int value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<QComboBox>> d;
};
