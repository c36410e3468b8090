#pragma once

#include "logmodel.h"
#include "nightlycleanup.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <deque>
#include <mutex>
#include <vector>

// Where the alarm log's rows come in, from any thread: the control units
// hand theirs over on their own threads. A row is stamped with the time it
// came and handed to the log writer at once, then kept for the view, which
// takes what came once per FlushDelayMs (`arrived`). However fast the rows
// come, none waits for the view, and the view pays per batch, not per row.
// While the view takes nothing (the GUI thread is busy), at most
// MaxWaitingRows wait for it; the older half is let go then, and the view is
// told up to which ticket it missed rows.
class AlarmLogFeed : public QObject
{
    Q_OBJECT
public:
    static constexpr int FlushDelayMs = 30;
    static constexpr int MaxWaitingRows = 5000;

    // What came since the last `take`.
    struct Batch
    {
        std::vector<LogModel::Arrival> rows; // in the order they came
        quint64 missedUpTo = 0;                   // the newest ticket let go unseen, 0 for none
        bool turnedAway = false;                  // a row found the writer's queue full
    };

    // `insertStatement` writes a row's stamp, source, reason and message,
    // through the batch there is now (the start-up's, which outlives the log).
    AlarmLogFeed(const QString& insertStatement, QObject* parent = nullptr);

    // Any thread.
    void add(const QString& source, const QString& reason, const QString& message);
    void setClock(NightlyCleanup::Clock clock);

    Batch take();
    // Lets the rows waiting for the view go that are written already: the
    // whole log was cleared after them.
    void forgetWritten();

signals:
    // Rows came: `take` them.
    void arrived();
    // The database refused a row of this log for a reason of its own.
    void refused(const QString& error);

private:
    QString stamp();
    void forget(const WriteBatch::WrittenRows& rows);
    void forgetRefused(quint64 ticket, const QString& error);

    const QString m_insert;
    WriteBatch& m_batch;
    QTimer m_flush;
    mutable std::mutex m_mutex;
    NightlyCleanup::Clock m_clock;
    // The stamp of the current second, made once per second.
    qint64 m_stampSecond = -1;
    QString m_stampText;
    Batch m_waiting; // its rows in the order of their tickets
    bool m_flushAsked = false;
    // Tickets of this log's rows the writer has neither written nor refused.
    QSet<quint64> m_unwritten;
};
