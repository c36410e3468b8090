#pragma once

#include "charedit.h"
#include "charpropertymanager.h"
#include "valueeditorfactory.h"

// Single-character editors for character properties.
class CharEditorFactory : public ValueEditorFactory<CharPropertyManager, CharEdit, QChar>
{
    Q_OBJECT
public:
    explicit CharEditorFactory(QObject* parent = nullptr) : ValueEditorFactory(parent) {}

protected:
    void showValue(CharEdit* editor, const QChar& value) override { editor->setValue(value); }
    void connectEditor(CharEdit* editor) override
    {
        connect(editor, &CharEdit::valueChanged, this, &CharEditorFactory::slotSetValue);
    }
};
