#pragma once

#include "keysequenceedit.h"
#include "keysequencepropertymanager.h"
#include "valueeditorfactory.h"

// Key-sequence recorders for key-sequence properties.
class KeySequenceEditorFactory
    : public ValueEditorFactory<KeySequencePropertyManager, KeySequenceEdit, QKeySequence>
{
    Q_OBJECT
public:
    explicit KeySequenceEditorFactory(QObject* parent = nullptr) : ValueEditorFactory(parent) {}

protected:
    void showValue(KeySequenceEdit* editor, const QKeySequence& value) override
    {
        editor->setKeySequence(value);
    }
    void connectEditor(KeySequenceEdit* editor) override
    {
        connect(editor, &KeySequenceEdit::keySequenceChanged, this, &KeySequenceEditorFactory::slotSetValue);
    }
};
