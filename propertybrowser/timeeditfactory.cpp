#include "timeeditfactory.h"

#include "editorfactoryprivate.h"
#include <QTimeEdit>

TimeEditFactory::TimeEditFactory(QObject* parent)
    : AbstractEditorFactory<TimePropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<QTimeEdit>>())
{
}

TimeEditFactory::~TimeEditFactory()
{
    d->deleteEditors();
}

void TimeEditFactory::connectPropertyManager(TimePropertyManager* manager)
{
    connect(manager, &TimePropertyManager::valueChanged, this, &TimeEditFactory::slotPropertyChanged);
    d->followDeletions(this, manager);
}

void TimeEditFactory::disconnectPropertyManager(TimePropertyManager* manager)
{
    disconnect(manager, &TimePropertyManager::valueChanged, this, &TimeEditFactory::slotPropertyChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* TimeEditFactory::createEditor(TimePropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new QTimeEdit(parent);
    d->registerEditor(property, editor);
    editor->setTime(manager->value(property));
    connect(editor, &QTimeEdit::timeChanged, this, &TimeEditFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &TimeEditFactory::slotEditorDestroyed);
    return editor;
}

void TimeEditFactory::slotPropertyChanged(Property* property, const QTime& value)
{
    d->forEachEditorBlocked(property, [&value](QTimeEdit* editor) { editor->setTime(value); });
}

void TimeEditFactory::slotSetValue(const QTime& value)
{
    d->writeBack(this, sender(), value);
}

void TimeEditFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
