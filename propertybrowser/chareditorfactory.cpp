#include "chareditorfactory.h"

#include "editorfactoryprivate.h"
#include "charedit.h"

CharEditorFactory::CharEditorFactory(QObject* parent)
    : AbstractEditorFactory<CharPropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<CharEdit>>())
{
}

CharEditorFactory::~CharEditorFactory()
{
    d->deleteEditors();
}

void CharEditorFactory::connectPropertyManager(CharPropertyManager* manager)
{
    connect(manager, &CharPropertyManager::valueChanged, this, &CharEditorFactory::slotPropertyChanged);
    d->followDeletions(this, manager);
}

void CharEditorFactory::disconnectPropertyManager(CharPropertyManager* manager)
{
    disconnect(manager, &CharPropertyManager::valueChanged, this, &CharEditorFactory::slotPropertyChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* CharEditorFactory::createEditor(CharPropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new CharEdit(parent);
    d->registerEditor(property, editor);
    editor->setValue(manager->value(property));
    connect(editor, &CharEdit::valueChanged, this, &CharEditorFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &CharEditorFactory::slotEditorDestroyed);
    return editor;
}

void CharEditorFactory::slotPropertyChanged(Property* property, const QChar& value)
{
    d->forEachEditorBlocked(property, [&value](CharEdit* editor) { editor->setValue(value); });
}

void CharEditorFactory::slotSetValue(const QChar& value)
{
    d->writeBack(this, sender(), value);
}

void CharEditorFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
