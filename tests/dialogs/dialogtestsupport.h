#pragma once

#include "mappingrecord.h"
#include "modalanswerer.h"
#include "operatorclick.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

// A mapping record for device `id` with one coded value set.
inline MappingRecord record(quint16 id, int word = 0, quint32 value = 0)
{
    MappingRecord r;
    r.id = id;
    r.codedValue[size_t(word)] = value;
    return r;
}

// Answers the next message box with `button`, keeping "title|text" in `seen`.
inline void answerBox(QString* seen, QMessageBox::StandardButton button)
{
    answerNextModal([seen, button](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        *seen = w->windowTitle() + '|' + (box ? box->text() : QString());
        if (box && box->button(button))
            QVERIFY(operatorClick(box->button(button)));
        else
            w->close();
    });
}
