#include "lineeditfactory.h"

#include "editorfactoryprivate.h"

#include <QLineEdit>
#include <QRegExpValidator>

LineEditFactory::LineEditFactory(QObject* parent)
    : AbstractEditorFactory<StringPropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<QLineEdit>>())
{
}

LineEditFactory::~LineEditFactory()
{
    d->deleteEditors();
}

void LineEditFactory::connectPropertyManager(StringPropertyManager* manager)
{
    connect(manager, &StringPropertyManager::valueChanged, this, &LineEditFactory::slotPropertyChanged);
    connect(manager, &StringPropertyManager::regExpChanged, this, &LineEditFactory::slotRegExpChanged);
    connect(manager, &StringPropertyManager::echoModeChanged, this, &LineEditFactory::slotEchoModeChanged);
    connect(manager, &StringPropertyManager::readOnlyChanged, this, &LineEditFactory::slotReadOnlyChanged);
    d->followDeletions(this, manager);
}

void LineEditFactory::disconnectPropertyManager(StringPropertyManager* manager)
{
    disconnect(manager, &StringPropertyManager::valueChanged, this, &LineEditFactory::slotPropertyChanged);
    disconnect(manager, &StringPropertyManager::regExpChanged, this, &LineEditFactory::slotRegExpChanged);
    disconnect(manager, &StringPropertyManager::echoModeChanged, this,
               &LineEditFactory::slotEchoModeChanged);
    disconnect(manager, &StringPropertyManager::readOnlyChanged, this,
               &LineEditFactory::slotReadOnlyChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* LineEditFactory::createEditor(StringPropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new QLineEdit(parent);
    d->registerEditor(property, editor);
    editor->setEchoMode(manager->echoMode(property));
    editor->setReadOnly(manager->isReadOnly(property));
    const QRegExp regExp = manager->regExp(property);
    if (regExp.isValid())
        editor->setValidator(new QRegExpValidator(regExp, editor));
    editor->setText(manager->value(property));
    connect(editor, &QLineEdit::textChanged, this, &LineEditFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &LineEditFactory::slotEditorDestroyed);
    return editor;
}

void LineEditFactory::slotPropertyChanged(Property* property, const QString& value)
{
    d->forEachEditorBlocked(property, [&value](QLineEdit* editor) {
        if (editor->text() != value)
            editor->setText(value);
    });
}

void LineEditFactory::slotRegExpChanged(Property* property, const QRegExp& regExp)
{
    if (!d->hasEditors(property) || !propertyManager(property))
        return;
    d->forEachEditorBlocked(property, [&regExp](QLineEdit* editor) {
        const QValidator* oldValidator = editor->validator();
        editor->setValidator(regExp.isValid() ? new QRegExpValidator(regExp, editor) : nullptr);
        delete oldValidator;
    });
}

void LineEditFactory::slotEchoModeChanged(Property* property, int echoMode)
{
    if (!d->hasEditors(property) || !propertyManager(property))
        return;
    d->forEachEditorBlocked(property, [echoMode](QLineEdit* editor) {
        editor->setEchoMode(static_cast<QLineEdit::EchoMode>(echoMode));
    });
}

void LineEditFactory::slotReadOnlyChanged(Property* property, bool readOnly)
{
    if (!d->hasEditors(property) || !propertyManager(property))
        return;
    d->forEachEditorBlocked(property, [readOnly](QLineEdit* editor) { editor->setReadOnly(readOnly); });
}

void LineEditFactory::slotSetValue(const QString& value)
{
    d->writeBack(this, sender(), value);
}

void LineEditFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
