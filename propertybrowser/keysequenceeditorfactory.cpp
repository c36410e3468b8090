#include "keysequenceeditorfactory.h"

#include "editorfactoryprivate.h"
#include "keysequenceedit.h"

KeySequenceEditorFactory::KeySequenceEditorFactory(QObject* parent)
    : AbstractEditorFactory<KeySequencePropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<KeySequenceEdit>>())
{
}

KeySequenceEditorFactory::~KeySequenceEditorFactory()
{
    d->deleteEditors();
}

void KeySequenceEditorFactory::connectPropertyManager(KeySequencePropertyManager* manager)
{
    connect(manager, &KeySequencePropertyManager::valueChanged, this, &KeySequenceEditorFactory::slotPropertyChanged);
    d->followDeletions(this, manager);
}

void KeySequenceEditorFactory::disconnectPropertyManager(KeySequencePropertyManager* manager)
{
    disconnect(manager, &KeySequencePropertyManager::valueChanged, this, &KeySequenceEditorFactory::slotPropertyChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* KeySequenceEditorFactory::createEditor(KeySequencePropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new KeySequenceEdit(parent);
    d->registerEditor(property, editor);
    editor->setKeySequence(manager->value(property));
    connect(editor, &KeySequenceEdit::keySequenceChanged, this, &KeySequenceEditorFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &KeySequenceEditorFactory::slotEditorDestroyed);
    return editor;
}

void KeySequenceEditorFactory::slotPropertyChanged(Property* property, const QKeySequence& value)
{
    d->forEachEditorBlocked(property, [&value](KeySequenceEdit* editor) { editor->setKeySequence(value); });
}

void KeySequenceEditorFactory::slotSetValue(const QKeySequence& value)
{
    d->writeBack(this, sender(), value);
}

void KeySequenceEditorFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
