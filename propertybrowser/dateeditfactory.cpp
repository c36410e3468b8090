#include "dateeditfactory.h"

#include "editorfactoryprivate.h"

#include <QDateEdit>

DateEditFactory::DateEditFactory(QObject* parent)
    : AbstractEditorFactory<DatePropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<QDateEdit>>())
{
}

DateEditFactory::~DateEditFactory()
{
    d->deleteEditors();
}

void DateEditFactory::connectPropertyManager(DatePropertyManager* manager)
{
    connect(manager, &DatePropertyManager::valueChanged, this, &DateEditFactory::slotPropertyChanged);
    connect(manager, &DatePropertyManager::rangeChanged, this, &DateEditFactory::slotRangeChanged);
    d->followDeletions(this, manager);
}

void DateEditFactory::disconnectPropertyManager(DatePropertyManager* manager)
{
    disconnect(manager, &DatePropertyManager::valueChanged, this, &DateEditFactory::slotPropertyChanged);
    disconnect(manager, &DatePropertyManager::rangeChanged, this, &DateEditFactory::slotRangeChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* DateEditFactory::createEditor(DatePropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new QDateEdit(parent);
    d->registerEditor(property, editor);
    editor->setCalendarPopup(true);
    editor->setDateRange(manager->minimum(property), manager->maximum(property));
    editor->setDate(manager->value(property));
    connect(editor, &QDateEdit::dateChanged, this, &DateEditFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &DateEditFactory::slotEditorDestroyed);
    return editor;
}

void DateEditFactory::slotPropertyChanged(Property* property, const QDate& value)
{
    d->forEachEditorBlocked(property, [&value](QDateEdit* editor) { editor->setDate(value); });
}

void DateEditFactory::slotRangeChanged(Property* property, const QDate& min, const QDate& max)
{
    if (!d->hasEditors(property))
        return;
    DatePropertyManager* manager = propertyManager(property);
    if (!manager)
        return;
    d->forEachEditorBlocked(property, [&](QDateEdit* editor) {
        editor->setDateRange(min, max);
        editor->setDate(manager->value(property));
    });
}

void DateEditFactory::slotSetValue(const QDate& value)
{
    d->writeBack(this, sender(), value);
}

void DateEditFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
