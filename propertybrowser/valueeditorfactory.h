#pragma once

#include "abstracteditorfactory.h"
#include "editorfactoryprivate.h"

// The shape shared by the factories whose managers announce nothing but
// value changes: one editor per cell, filled from the manager, kept in step
// with it and writing the user's edits back. A concrete factory names how
// its editor shows a value and which editor signal reports an edit.
template <class Manager, class Editor, class Value>
class ValueEditorFactory : public AbstractEditorFactory<Manager>
{
public:
    ~ValueEditorFactory() override { d.deleteEditors(); }

protected:
    explicit ValueEditorFactory(QObject* parent)
        : AbstractEditorFactory<Manager>(parent)
    {
    }

    virtual void showValue(Editor* editor, const Value& value) = 0;
    virtual void connectEditor(Editor* editor) = 0;

    void connectPropertyManager(Manager* manager) override
    {
        QObject::connect(manager, &Manager::valueChanged, this, &ValueEditorFactory::slotPropertyChanged);
        d.followDeletions(this, manager);
    }

    void disconnectPropertyManager(Manager* manager) override
    {
        QObject::disconnect(manager, &Manager::valueChanged, this, &ValueEditorFactory::slotPropertyChanged);
        d.stopFollowingDeletions(this, manager);
    }

    QWidget* createEditor(Manager* manager, Property* property, QWidget* parent) override
    {
        auto* editor = new Editor(parent);
        d.registerEditor(property, editor);
        showValue(editor, manager->value(property));
        connectEditor(editor);
        QObject::connect(editor, &QObject::destroyed, this, &ValueEditorFactory::slotEditorDestroyed);
        return editor;
    }

    // Blocked, so that pushing the manager's value never writes it back.
    void slotPropertyChanged(Property* property, const Value& value)
    {
        d.forEachEditorBlocked(property, [this, &value](Editor* editor) { showValue(editor, value); });
    }

    void slotSetValue(const Value& value) { d.writeBack(this, this->sender(), value); }
    void slotEditorDestroyed(QObject* object) { d.slotEditorDestroyed(object); }

private:
    EditorFactoryPrivate<Editor> d;
};
