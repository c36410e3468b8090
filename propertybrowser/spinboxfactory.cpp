#include "spinboxfactory.h"

#include "editorfactoryprivate.h"

#include <QSpinBox>

SpinBoxFactory::SpinBoxFactory(QObject* parent)
    : AbstractEditorFactory<IntPropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<QSpinBox>>())
{
}

SpinBoxFactory::~SpinBoxFactory()
{
    d->deleteEditors();
}

void SpinBoxFactory::connectPropertyManager(IntPropertyManager* manager)
{
    connect(manager, &IntPropertyManager::valueChanged, this, &SpinBoxFactory::slotPropertyChanged);
    connect(manager, &IntPropertyManager::rangeChanged, this, &SpinBoxFactory::slotRangeChanged);
    connect(manager, &IntPropertyManager::singleStepChanged, this, &SpinBoxFactory::slotSingleStepChanged);
    connect(manager, &IntPropertyManager::readOnlyChanged, this, &SpinBoxFactory::slotReadOnlyChanged);
    d->followDeletions(this, manager);
}

void SpinBoxFactory::disconnectPropertyManager(IntPropertyManager* manager)
{
    disconnect(manager, &IntPropertyManager::valueChanged, this, &SpinBoxFactory::slotPropertyChanged);
    disconnect(manager, &IntPropertyManager::rangeChanged, this, &SpinBoxFactory::slotRangeChanged);
    disconnect(manager, &IntPropertyManager::singleStepChanged, this, &SpinBoxFactory::slotSingleStepChanged);
    disconnect(manager, &IntPropertyManager::readOnlyChanged, this, &SpinBoxFactory::slotReadOnlyChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* SpinBoxFactory::createEditor(IntPropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new QSpinBox(parent);
    d->registerEditor(property, editor);
    // The range goes in before the value: the box clamps to what it holds.
    editor->setSingleStep(manager->singleStep(property));
    editor->setRange(manager->minimum(property), manager->maximum(property));
    editor->setValue(manager->value(property));
    editor->setKeyboardTracking(false);
    editor->setReadOnly(manager->isReadOnly(property));
    connect(editor, QOverload<int>::of(&QSpinBox::valueChanged), this, &SpinBoxFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &SpinBoxFactory::slotEditorDestroyed);
    return editor;
}

void SpinBoxFactory::slotPropertyChanged(Property* property, int value)
{
    d->forEachEditorBlocked(property, [value](QSpinBox* editor) {
        if (editor->value() != value)
            editor->setValue(value);
    });
}

void SpinBoxFactory::slotRangeChanged(Property* property, int min, int max)
{
    if (!d->hasEditors(property))
        return;
    IntPropertyManager* manager = propertyManager(property);
    if (!manager)
        return;
    d->forEachEditorBlocked(property, [&](QSpinBox* editor) {
        editor->setRange(min, max);
        editor->setValue(manager->value(property));
    });
}

void SpinBoxFactory::slotSingleStepChanged(Property* property, int step)
{
    d->forEachEditorBlocked(property, [step](QSpinBox* editor) { editor->setSingleStep(step); });
}

void SpinBoxFactory::slotReadOnlyChanged(Property* property, bool readOnly)
{
    if (!d->hasEditors(property) || !propertyManager(property))
        return;
    d->forEachEditorBlocked(property, [readOnly](QSpinBox* editor) { editor->setReadOnly(readOnly); });
}

void SpinBoxFactory::slotSetValue(int value)
{
    d->writeBack(this, sender(), value);
}

void SpinBoxFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
