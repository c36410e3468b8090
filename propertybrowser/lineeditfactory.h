#pragma once

#include "abstracteditorfactory.h"
#include "stringpropertymanager.h"

#include <memory>

class QLineEdit;
template <class Editor> class EditorFactoryPrivate;

// Line-edit editors for text properties, with the property's regular
// expression as validator and its echo mode.
class LineEditFactory : public AbstractEditorFactory<StringPropertyManager>
{
    Q_OBJECT
public:
    explicit LineEditFactory(QObject* parent = nullptr);
    ~LineEditFactory() override;

protected:
    void connectPropertyManager(StringPropertyManager* manager) override;
    QWidget* createEditor(StringPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(StringPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QString& value);
    void slotRegExpChanged(Property* property, const QRegExp& regExp);
    void slotEchoModeChanged(Property* property, int echoMode);
    void slotReadOnlyChanged(Property* property, bool readOnly);
    void slotSetValue(const QString& value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<QLineEdit>> d;
};
