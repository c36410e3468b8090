#include "scrollbarfactory.h"

#include "editorfactoryprivate.h"

#include <QScrollBar>

ScrollBarFactory::ScrollBarFactory(QObject* parent)
    : AbstractEditorFactory<IntPropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<QScrollBar>>())
{
}

ScrollBarFactory::~ScrollBarFactory()
{
    d->deleteEditors();
}

void ScrollBarFactory::connectPropertyManager(IntPropertyManager* manager)
{
    connect(manager, &IntPropertyManager::valueChanged, this, &ScrollBarFactory::slotPropertyChanged);
    connect(manager, &IntPropertyManager::rangeChanged, this, &ScrollBarFactory::slotRangeChanged);
    connect(manager, &IntPropertyManager::singleStepChanged, this, &ScrollBarFactory::slotSingleStepChanged);
    d->followDeletions(this, manager);
}

void ScrollBarFactory::disconnectPropertyManager(IntPropertyManager* manager)
{
    disconnect(manager, &IntPropertyManager::valueChanged, this, &ScrollBarFactory::slotPropertyChanged);
    disconnect(manager, &IntPropertyManager::rangeChanged, this, &ScrollBarFactory::slotRangeChanged);
    disconnect(manager, &IntPropertyManager::singleStepChanged, this, &ScrollBarFactory::slotSingleStepChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* ScrollBarFactory::createEditor(IntPropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new QScrollBar(Qt::Horizontal, parent);
    d->registerEditor(property, editor);
    editor->setSingleStep(manager->singleStep(property));
    editor->setRange(manager->minimum(property), manager->maximum(property));
    editor->setValue(manager->value(property));
    connect(editor, &QScrollBar::valueChanged, this, &ScrollBarFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &ScrollBarFactory::slotEditorDestroyed);
    return editor;
}

void ScrollBarFactory::slotPropertyChanged(Property* property, int value)
{
    d->forEachEditorBlocked(property, [value](QScrollBar* editor) { editor->setValue(value); });
}

void ScrollBarFactory::slotRangeChanged(Property* property, int min, int max)
{
    if (!d->hasEditors(property))
        return;
    IntPropertyManager* manager = propertyManager(property);
    if (!manager)
        return;
    d->forEachEditorBlocked(property, [&](QScrollBar* editor) {
        editor->setRange(min, max);
        editor->setValue(manager->value(property));
    });
}

void ScrollBarFactory::slotSingleStepChanged(Property* property, int step)
{
    d->forEachEditorBlocked(property, [step](QScrollBar* editor) { editor->setSingleStep(step); });
}

void ScrollBarFactory::slotSetValue(int value)
{
    d->writeBack(this, sender(), value);
}

void ScrollBarFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
