#include "datetimeeditfactory.h"

#include "editorfactoryprivate.h"
#include <QDateTimeEdit>

DateTimeEditFactory::DateTimeEditFactory(QObject* parent)
    : AbstractEditorFactory<DateTimePropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<QDateTimeEdit>>())
{
}

DateTimeEditFactory::~DateTimeEditFactory()
{
    d->deleteEditors();
}

void DateTimeEditFactory::connectPropertyManager(DateTimePropertyManager* manager)
{
    connect(manager, &DateTimePropertyManager::valueChanged, this, &DateTimeEditFactory::slotPropertyChanged);
    d->followDeletions(this, manager);
}

void DateTimeEditFactory::disconnectPropertyManager(DateTimePropertyManager* manager)
{
    disconnect(manager, &DateTimePropertyManager::valueChanged, this, &DateTimeEditFactory::slotPropertyChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* DateTimeEditFactory::createEditor(DateTimePropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new QDateTimeEdit(parent);
    d->registerEditor(property, editor);
    editor->setDateTime(manager->value(property));
    connect(editor, &QDateTimeEdit::dateTimeChanged, this, &DateTimeEditFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &DateTimeEditFactory::slotEditorDestroyed);
    return editor;
}

void DateTimeEditFactory::slotPropertyChanged(Property* property, const QDateTime& value)
{
    d->forEachEditorBlocked(property, [&value](QDateTimeEdit* editor) { editor->setDateTime(value); });
}

void DateTimeEditFactory::slotSetValue(const QDateTime& value)
{
    d->writeBack(this, sender(), value);
}

void DateTimeEditFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
