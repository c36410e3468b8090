#include "sliderfactory.h"

#include "editorfactoryprivate.h"

#include <QSlider>

SliderFactory::SliderFactory(QObject* parent)
    : AbstractEditorFactory<IntPropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<QSlider>>())
{
}

SliderFactory::~SliderFactory()
{
    d->deleteEditors();
}

void SliderFactory::connectPropertyManager(IntPropertyManager* manager)
{
    connect(manager, &IntPropertyManager::valueChanged, this, &SliderFactory::slotPropertyChanged);
    connect(manager, &IntPropertyManager::rangeChanged, this, &SliderFactory::slotRangeChanged);
    connect(manager, &IntPropertyManager::singleStepChanged, this, &SliderFactory::slotSingleStepChanged);
    d->followDeletions(this, manager);
}

void SliderFactory::disconnectPropertyManager(IntPropertyManager* manager)
{
    disconnect(manager, &IntPropertyManager::valueChanged, this, &SliderFactory::slotPropertyChanged);
    disconnect(manager, &IntPropertyManager::rangeChanged, this, &SliderFactory::slotRangeChanged);
    disconnect(manager, &IntPropertyManager::singleStepChanged, this, &SliderFactory::slotSingleStepChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* SliderFactory::createEditor(IntPropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new QSlider(Qt::Horizontal, parent);
    d->registerEditor(property, editor);
    editor->setSingleStep(manager->singleStep(property));
    editor->setRange(manager->minimum(property), manager->maximum(property));
    editor->setValue(manager->value(property));
    connect(editor, &QSlider::valueChanged, this, &SliderFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &SliderFactory::slotEditorDestroyed);
    return editor;
}

void SliderFactory::slotPropertyChanged(Property* property, int value)
{
    d->forEachEditorBlocked(property, [value](QSlider* editor) { editor->setValue(value); });
}

void SliderFactory::slotRangeChanged(Property* property, int min, int max)
{
    if (!d->hasEditors(property))
        return;
    IntPropertyManager* manager = propertyManager(property);
    if (!manager)
        return;
    d->forEachEditorBlocked(property, [&](QSlider* editor) {
        editor->setRange(min, max);
        editor->setValue(manager->value(property));
    });
}

void SliderFactory::slotSingleStepChanged(Property* property, int step)
{
    d->forEachEditorBlocked(property, [step](QSlider* editor) { editor->setSingleStep(step); });
}

void SliderFactory::slotSetValue(int value)
{
    d->writeBack(this, sender(), value);
}

void SliderFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
