#pragma once

#include "timepropertymanager.h"
#include "valueeditorfactory.h"

#include <QTimeEdit>

// Time-edit editors for time properties.
class TimeEditFactory : public ValueEditorFactory<TimePropertyManager, QTimeEdit, QTime>
{
    Q_OBJECT
public:
    explicit TimeEditFactory(QObject* parent = nullptr) : ValueEditorFactory(parent) {}

protected:
    void showValue(QTimeEdit* editor, const QTime& value) override { editor->setTime(value); }
    void connectEditor(QTimeEdit* editor) override
    {
        connect(editor, &QTimeEdit::timeChanged, this, &TimeEditFactory::slotSetValue);
    }
};
