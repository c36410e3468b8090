#pragma once

#include "mappingrecord.h"
#include "modalanswerer.h"
#include "sitemutex.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QSemaphore>

#include <functional>
#include <thread>

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
            box->button(button)->click();
        else
            w->close();
    });
}

// A unit's slot on its own thread: holds the site lock while it lives (at
// most HoldMs) and makes `write` just before letting go. A reader on the
// GUI thread that takes the lock sees the write; one that reads past the
// lock sees what was there before.
class UnitWrite
{
public:
    static constexpr int HoldMs = 300;
    explicit UnitWrite(std::function<void()> write)
        : m_thread([this, write] {
            SiteLocker lock;
            m_held.release();
            m_done.tryAcquire(1, HoldMs);
            write();
        })
    {
        m_held.acquire();
    }
    ~UnitWrite()
    {
        m_done.release();
        m_thread.join();
    }

private:
    QSemaphore m_held;
    QSemaphore m_done;
    std::thread m_thread;
};
