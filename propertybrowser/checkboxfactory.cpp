#include "checkboxfactory.h"

#include "booledit.h"
#include "editorfactoryprivate.h"

CheckBoxFactory::CheckBoxFactory(QObject* parent)
    : AbstractEditorFactory<BoolPropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<BoolEdit>>())
{
}

CheckBoxFactory::~CheckBoxFactory()
{
    d->deleteEditors();
}

void CheckBoxFactory::connectPropertyManager(BoolPropertyManager* manager)
{
    connect(manager, &BoolPropertyManager::valueChanged, this, &CheckBoxFactory::slotPropertyChanged);
    connect(manager, &BoolPropertyManager::textVisibleChanged, this,
            &CheckBoxFactory::slotTextVisibleChanged);
    d->followDeletions(this, manager);
}

void CheckBoxFactory::disconnectPropertyManager(BoolPropertyManager* manager)
{
    disconnect(manager, &BoolPropertyManager::valueChanged, this, &CheckBoxFactory::slotPropertyChanged);
    disconnect(manager, &BoolPropertyManager::textVisibleChanged, this,
               &CheckBoxFactory::slotTextVisibleChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* CheckBoxFactory::createEditor(BoolPropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new BoolEdit(parent);
    d->registerEditor(property, editor);
    editor->setChecked(manager->value(property));
    editor->setTextVisible(manager->textVisible(property));
    connect(editor, &BoolEdit::clicked, this, &CheckBoxFactory::slotClicked);
    connect(editor, &BoolEdit::toggled, this, &CheckBoxFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &CheckBoxFactory::slotEditorDestroyed);
    return editor;
}

void CheckBoxFactory::slotPropertyChanged(Property* property, bool value)
{
    // Only the inner box is blocked: the editor itself must still repaint.
    d->forEachEditor(property, [value](BoolEdit* editor) {
        const bool wasBlocked = editor->setCheckBoxSignalsBlocked(true);
        editor->setChecked(value);
        editor->setCheckBoxSignalsBlocked(wasBlocked);
    });
}

void CheckBoxFactory::slotTextVisibleChanged(Property* property, bool textVisible)
{
    if (!d->hasEditors(property) || !propertyManager(property))
        return;
    d->forEachEditor(property, [textVisible](BoolEdit* editor) { editor->setTextVisible(textVisible); });
}

void CheckBoxFactory::slotSetValue(bool value)
{
    d->writeBack(this, sender(), value);
}

void CheckBoxFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}

void CheckBoxFactory::slotClicked()
{
    if (Property* property = d->propertyOfEditor(sender()))
        emit clicked(property);
}
