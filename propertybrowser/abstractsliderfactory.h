#pragma once

#include "abstracteditorfactory.h"
#include "editorfactoryprivate.h"
#include "intpropertymanager.h"

// The shape shared by the horizontal slider and scroll-bar factories for
// integer properties: range, single step and value follow the manager, and
// the value is set without comparing first.
template <class Editor>
class AbstractSliderFactory : public AbstractEditorFactory<IntPropertyManager>
{
public:
    ~AbstractSliderFactory() override { d.deleteEditors(); }

protected:
    explicit AbstractSliderFactory(QObject* parent)
        : AbstractEditorFactory<IntPropertyManager>(parent)
    {
    }

    void connectPropertyManager(IntPropertyManager* manager) override
    {
        connect(manager, &IntPropertyManager::valueChanged, this, &AbstractSliderFactory::slotPropertyChanged);
        connect(manager, &IntPropertyManager::rangeChanged, this, &AbstractSliderFactory::slotRangeChanged);
        connect(manager, &IntPropertyManager::singleStepChanged, this,
                &AbstractSliderFactory::slotSingleStepChanged);
        d.followDeletions(this, manager);
    }

    void disconnectPropertyManager(IntPropertyManager* manager) override
    {
        disconnect(manager, &IntPropertyManager::valueChanged, this,
                   &AbstractSliderFactory::slotPropertyChanged);
        disconnect(manager, &IntPropertyManager::rangeChanged, this, &AbstractSliderFactory::slotRangeChanged);
        disconnect(manager, &IntPropertyManager::singleStepChanged, this,
                   &AbstractSliderFactory::slotSingleStepChanged);
        d.stopFollowingDeletions(this, manager);
    }

    QWidget* createEditor(IntPropertyManager* manager, Property* property, QWidget* parent) override
    {
        auto* editor = new Editor(Qt::Horizontal, parent);
        d.registerEditor(property, editor);
        editor->setSingleStep(manager->singleStep(property));
        editor->setRange(manager->minimum(property), manager->maximum(property));
        editor->setValue(manager->value(property));
        connect(editor, &Editor::valueChanged, this, &AbstractSliderFactory::slotSetValue);
        connect(editor, &QObject::destroyed, this, &AbstractSliderFactory::slotEditorDestroyed);
        return editor;
    }

    void slotPropertyChanged(Property* property, int value)
    {
        d.forEachEditorBlocked(property, [value](Editor* editor) { editor->setValue(value); });
    }

    void slotRangeChanged(Property* property, int min, int max)
    {
        if (!d.hasEditors(property))
            return;
        IntPropertyManager* manager = propertyManager(property);
        if (!manager)
            return;
        d.forEachEditorBlocked(property, [&](Editor* editor) {
            editor->setRange(min, max);
            editor->setValue(manager->value(property));
        });
    }

    void slotSingleStepChanged(Property* property, int step)
    {
        d.forEachEditorBlocked(property, [step](Editor* editor) { editor->setSingleStep(step); });
    }

    void slotSetValue(int value) { d.writeBack(this, sender(), value); }
    void slotEditorDestroyed(QObject* object) { d.slotEditorDestroyed(object); }

private:
    EditorFactoryPrivate<Editor> d;
};
