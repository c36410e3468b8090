#pragma once

#include "abstracteditorfactory.h"
#include "charpropertymanager.h"

#include <memory>

class CharEdit;
template <class Editor> class EditorFactoryPrivate;

// Single-character editors for character properties.
class CharEditorFactory : public AbstractEditorFactory<CharPropertyManager>
{
    Q_OBJECT
public:
    explicit CharEditorFactory(QObject* parent = nullptr);
    ~CharEditorFactory() override;

protected:
    void connectPropertyManager(CharPropertyManager* manager) override;
    QWidget* createEditor(CharPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(CharPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QChar& value);
    void slotSetValue(const QChar& value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<CharEdit>> d;
};
