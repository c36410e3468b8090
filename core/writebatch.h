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

// The rows of the three logs (alarm, voltage and user-action rows) reach the
// database through here. `append` only hands a row to the writer thread,
// which writes it with a connection of its own to the default connection's
// file (LogWriter): a commit's disk sync with full sync on, or a lock another
// program holds, never keeps the GUI thread. Rows written in one burst (the
// alarm rows and the voltage rows of one heartbeat) share one transaction,
// committed CommitDelayMs after the first, so each heartbeat costs one sync.
// The GUI connection reads them through the write-ahead log once committed.
//
// Rows the database refuses are kept, in order, and tried again every
// RetryDelayMs until they are written; each attempt waits at most the short
// busy timeout. A row refused for itself (its table is missing) is reported
// with `refused` and kept while the others are written. The queue is
// bounded; after StallAlertMs of failed attempts `stalled` is emitted once,
// and `resumed` when every row is in.
//
// When the writer's connection cannot be opened, the rows are written on the
// GUI thread with the default connection, as a last resort.
//
// Used from the GUI thread; its signals arrive there.
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

    // The one batch of the default connection, owned by the application object.
    static WriteBatch& instance();
    // Rows still waiting when the application object goes are written then,
    // waiting longer for a lock than while the program runs.
    ~WriteBatch() override;

    // What became of a row handed to `append`.
    struct Receipt
    {
        // Counts up from 1; 0 when the queue is full and the row is not kept.
        // Its key comes with `written`.
        quint64 ticket = 0;
    };

    // Queues a row for the insert `statement`, its `?` placeholders bound to
    // `values` in order. Never waits for the database.
    Receipt append(const QString& statement, const QVariantList& values);

    // Writes the waiting rows now and tells what became of them before it
    // returns (for a caller that needs them on disk or runs statements of its
    // own), waiting at most CommitWaitMs. False when rows still wait, to be
    // tried again.
    bool commit();

    // Rows handed to `append` and not yet told `written`.
    int pendingRows() const { return m_pending; }

    // Tests shorten the waits.
    void setCommitDelay(int msecs);
    void setRetryDelay(int msecs);
    void setStallAlertDelay(int msecs);

signals:
    // The rows are committed, with their keys.
    void written(const WriteBatch::WrittenRows& rows);
    // The database refused a waiting row for a reason of its own; it waits
    // on. Told once per row.
    void refused(quint64 ticket, const QString& error);
    // Rows have waited StallAlertMs for the database; they stay queued.
    void stalled(const QString& error);
    // Every row that waited is written.
    void resumed();

private:
    explicit WriteBatch(QObject* parent);

    void follow();
    void start(const QString& file);
    std::unique_ptr<LogWriter> makeWriter();
    void retire(int busyTimeoutMs);
    void onWriter(LogWriter::Work work);
    void setDelay(int* kept, void (LogWriter::*set)(int), int msecs);
    class Answer;
    bool waitForWriter(LogWriter* writer, const LogWriter::Work& work, int msecs);
    void deliver();

    LogOutbox m_outbox;
    // The writer's thread; none while it writes on this one.
    std::unique_ptr<QThread> m_thread;
    // Deleted after its thread has finished.
    std::unique_ptr<LogWriter> m_writer;
    // The database file the writer writes to.
    QString m_file;
    quint64 m_lastTicket = 0;
    int m_pending = 0;
    int m_commitDelayMs = CommitDelayMs;
    int m_retryDelayMs = RetryDelayMs;
    int m_stallAlertMs = StallAlertMs;
};

Q_DECLARE_METATYPE(WriteBatch::WrittenRows)
