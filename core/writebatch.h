#pragma once

#include "logwriter.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <mutex>

// The rows of the three logs (alarm, voltage and user-action rows) reach the
// database through here. `append` only hands a row to the writer thread,
// which writes it with a connection of its own to the default connection's
// file (LogWriter): a commit's disk sync with full sync on, or a lock another
// program holds, never keeps the GUI thread. Rows written in one burst (the
// alarm rows and the voltage rows of one heartbeat) share one transaction,
// committed CommitDelayMs after the first, so each heartbeat costs one sync.
// The GUI connection reads them through the write-ahead log once committed.
//
// Rows the database refuses for now are kept, in order, and tried again
// every RetryDelayMs until they are written; each attempt waits at most the
// short busy timeout. After StallAlertMs of failed attempts `stalled` is
// emitted once (`readOnly` at the first, when the file may not be written),
// and `resumed` when every row is in. A row refused for itself (its table
// is missing) is told with `refused` and set aside. The queue is bounded: a
// row counts until it is written, on the writer's thread.
//
// When the writer's connection cannot be opened, the rows are written on the
// GUI thread with the default connection, as a last resort.
//
// The start-up code owns the program's batch and ends it (`finish`) once the
// window is gone and before any connection closes. Used from the GUI thread,
// but for `append`, which any thread may call: a control unit hands its rows
// over on its own thread, so that no view and no backlog of the GUI thread
// stands between a row and the database. Its signals arrive on the GUI
// thread.
class WriteBatch : public QObject
{
    Q_OBJECT
public:
    // A heartbeat's rows arrive within a few milliseconds of each other and
    // heartbeats come a second apart.
    static constexpr int CommitDelayMs = 50;
    static constexpr int RetryDelayMs = 1000;
    static constexpr int StallAlertMs = 10000;
    // About ten minutes of the worst alarm storm a full gateway can cause,
    // at some 300 bytes a row.
    static constexpr int MaxQueuedRows = 50000;
    // The longest `commit` waits for the writer: a few of its attempts and
    // syncs, short enough for an operator's action.
    static constexpr int CommitWaitMs = 2000;
    // The wait for a lock of the last write when the program ends.
    static constexpr int ExitBusyTimeoutMs = 5000;

    using WrittenRow = LogWrittenRow;
    using WrittenRows = LogWrittenRows;

    // The batch `instance()` gives while it lives, in place of the one
    // before it.
    WriteBatch();
    // Finishes, as `finish` does.
    ~WriteBatch() override;

    // The batch the start-up made. Without one (tests, benches) one is made
    // on first use and finished by a routine Qt runs as the application goes,
    // before it closes the connections; rows it could not write are logged.
    static WriteBatch& instance();
    // Finishes the batch there is, if any.
    static void finishCurrent();

    // What became of a row handed to `append`.
    struct Receipt
    {
        // Counts up from 1; 0 when the queue is full and the row is not kept.
        // Its key comes with `written`.
        quint64 ticket = 0;
    };

    // Queues a row for the insert `statement`, its `?` placeholders bound to
    // `values` in order. Never waits for the database. Any thread; the rows
    // of one thread are written in the order handed over.
    Receipt append(const QString& statement, const QVariantList& values);

    // Writes the waiting rows now and tells what became of them before it
    // returns (for a caller that needs them on disk or runs statements of its
    // own), waiting at most CommitWaitMs. False when rows still wait, to be
    // tried again.
    bool commit();

    // Writes every row accepted so far, waiting up to ExitBusyTimeoutMs for a
    // lock, then ends the writer's thread and closes its connection. A row
    // appended later starts a new writer.
    void finish();

    // Rows handed to `append` and not yet written or set aside.
    int pendingRows() const { return m_counters.pending.load(); }
    // The database refuses the rows for now; when the queue is full and this
    // is false, the rows come faster than it takes them.
    bool isFailing() const { return m_counters.failing.load(); }
    // The newest row committed (or set aside), told at once: its `written`
    // may still be on its way.
    quint64 settledTicket() const { return m_counters.settledTicket.load(); }

    // Tests shorten the waits.
    void setCommitDelay(int msecs);
    void setRetryDelay(int msecs);
    void setStallAlertDelay(int msecs);

signals:
    // The rows are committed, with their keys.
    void written(const WriteBatch::WrittenRows& rows);
    // The database refused a row for a reason of its own (`error` names its
    // table); the row is set aside.
    void refused(quint64 ticket, const QString& error);
    // Rows have waited StallAlertMs for the database; they stay queued.
    void stalled(const QString& error);
    // The database `file` is read-only for this program (SQLite's
    // SQLITE_READONLY), told at the first refused write in place of
    // `stalled`: no wait mends it. The rows stay queued.
    void readOnly(const QString& file, const QString& error);
    // Every row that waited is written.
    void resumed();
    // The last write when the batch finished failed: `rows` rows are lost.
    void lost(int rows, const QString& error);

protected:
    bool event(QEvent* event) override;

private:
    void follow();
    void start(const QString& file);
    void connectWriter();
    void retire(int busyTimeoutMs);
    void handOver(quint64 ticket, const QString& statement, const QVariantList& values);
    void handOverHere(quint64 ticket, const QString& statement, const QVariantList& values);
    void lastChance();
    bool onWriter(const std::function<bool(LogWriter&)>& work, int msecs);
    void applyDelays();
    void deliver();

    QPointer<WriteBatch> m_previous;
    LogWriterCounters m_counters;
    // Held while a row is handed to the writer and while the writer or its
    // thread changes; only this object's thread changes them.
    std::mutex m_handOver;
    // The writer's thread; none while it writes on this one.
    std::unique_ptr<QThread> m_thread;
    // Deleted after its thread has finished.
    std::unique_ptr<LogWriter> m_writer;
    // The database file the writer writes to.
    QString m_file;
    quint64 m_lastTicket = 0;
    // Rows of other threads that came while there was no writer, on their way
    // through this object's thread; the later rows of those threads follow
    // them there, so that none overtakes them.
    int m_detoured = 0;
    int m_commitDelayMs = CommitDelayMs;
    int m_retryDelayMs = RetryDelayMs;
    int m_stallAlertMs = StallAlertMs;
};
