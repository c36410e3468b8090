#include "doublespinboxfactory.h"

#include "editorfactoryprivate.h"

#include <QDoubleSpinBox>

DoubleSpinBoxFactory::DoubleSpinBoxFactory(QObject* parent)
    : AbstractEditorFactory<DoublePropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<QDoubleSpinBox>>())
{
}

DoubleSpinBoxFactory::~DoubleSpinBoxFactory()
{
    d->deleteEditors();
}

void DoubleSpinBoxFactory::connectPropertyManager(DoublePropertyManager* manager)
{
    connect(manager, &DoublePropertyManager::valueChanged, this, &DoubleSpinBoxFactory::slotPropertyChanged);
    connect(manager, &DoublePropertyManager::rangeChanged, this, &DoubleSpinBoxFactory::slotRangeChanged);
    connect(manager, &DoublePropertyManager::singleStepChanged, this,
            &DoubleSpinBoxFactory::slotSingleStepChanged);
    connect(manager, &DoublePropertyManager::decimalsChanged, this,
            &DoubleSpinBoxFactory::slotDecimalsChanged);
    connect(manager, &DoublePropertyManager::readOnlyChanged, this,
            &DoubleSpinBoxFactory::slotReadOnlyChanged);
    d->followDeletions(this, manager);
}

void DoubleSpinBoxFactory::disconnectPropertyManager(DoublePropertyManager* manager)
{
    disconnect(manager, &DoublePropertyManager::valueChanged, this,
               &DoubleSpinBoxFactory::slotPropertyChanged);
    disconnect(manager, &DoublePropertyManager::rangeChanged, this, &DoubleSpinBoxFactory::slotRangeChanged);
    disconnect(manager, &DoublePropertyManager::singleStepChanged, this,
               &DoubleSpinBoxFactory::slotSingleStepChanged);
    disconnect(manager, &DoublePropertyManager::decimalsChanged, this,
               &DoubleSpinBoxFactory::slotDecimalsChanged);
    disconnect(manager, &DoublePropertyManager::readOnlyChanged, this,
               &DoubleSpinBoxFactory::slotReadOnlyChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* DoubleSpinBoxFactory::createEditor(DoublePropertyManager* manager, Property* property,
                                            QWidget* parent)
{
    auto* editor = new QDoubleSpinBox(parent);
    d->registerEditor(property, editor);
    editor->setSingleStep(manager->singleStep(property));
    editor->setDecimals(manager->decimals(property));
    editor->setRange(manager->minimum(property), manager->maximum(property));
    editor->setValue(manager->value(property));
    editor->setKeyboardTracking(false);
    editor->setReadOnly(manager->isReadOnly(property));
    connect(editor, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &DoubleSpinBoxFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &DoubleSpinBoxFactory::slotEditorDestroyed);
    return editor;
}

void DoubleSpinBoxFactory::slotPropertyChanged(Property* property, double value)
{
    d->forEachEditorBlocked(property, [value](QDoubleSpinBox* editor) {
        if (editor->value() != value)
            editor->setValue(value);
    });
}

void DoubleSpinBoxFactory::slotRangeChanged(Property* property, double min, double max)
{
    if (!d->hasEditors(property))
        return;
    DoublePropertyManager* manager = propertyManager(property);
    if (!manager)
        return;
    d->forEachEditorBlocked(property, [&](QDoubleSpinBox* editor) {
        editor->setRange(min, max);
        editor->setValue(manager->value(property));
    });
}

void DoubleSpinBoxFactory::slotSingleStepChanged(Property* property, double step)
{
    if (!d->hasEditors(property) || !propertyManager(property))
        return;
    d->forEachEditorBlocked(property, [step](QDoubleSpinBox* editor) { editor->setSingleStep(step); });
}

void DoubleSpinBoxFactory::slotDecimalsChanged(Property* property, int prec)
{
    if (!d->hasEditors(property))
        return;
    DoublePropertyManager* manager = propertyManager(property);
    if (!manager)
        return;
    d->forEachEditorBlocked(property, [&](QDoubleSpinBox* editor) {
        editor->setDecimals(prec);
        editor->setValue(manager->value(property));
    });
}

void DoubleSpinBoxFactory::slotReadOnlyChanged(Property* property, bool readOnly)
{
    if (!d->hasEditors(property) || !propertyManager(property))
        return;
    d->forEachEditorBlocked(property, [readOnly](QDoubleSpinBox* editor) { editor->setReadOnly(readOnly); });
}

void DoubleSpinBoxFactory::slotSetValue(double value)
{
    d->writeBack(this, sender(), value);
}

void DoubleSpinBoxFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
