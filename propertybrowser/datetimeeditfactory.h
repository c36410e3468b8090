#pragma once

#include "datetimepropertymanager.h"
#include "valueeditorfactory.h"

#include <QDateTimeEdit>

// Date-time-edit editors for date-time properties.
class DateTimeEditFactory : public ValueEditorFactory<DateTimePropertyManager, QDateTimeEdit, QDateTime>
{
    Q_OBJECT
public:
    explicit DateTimeEditFactory(QObject* parent = nullptr) : ValueEditorFactory(parent) {}

protected:
    void showValue(QDateTimeEdit* editor, const QDateTime& value) override { editor->setDateTime(value); }
    void connectEditor(QDateTimeEdit* editor) override
    {
        connect(editor, &QDateTimeEdit::dateTimeChanged, this, &DateTimeEditFactory::slotSetValue);
    }
};
