#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <QVector>

#include <atomic>
#include <deque>
#include <functional>

class QSqlError;

// A log row in the database: the ticket WriteBatch gave it and its key.
struct LogWrittenRow
{
    quint64 ticket = 0;
    QVariant key;
};
using LogWrittenRows = QVector<LogWrittenRow>;

// What the writer and its batch share across threads.
struct LogWriterCounters
{
    // Rows handed over and neither written nor given up yet.
    std::atomic<int> pending{0};
    // The database refuses the rows for now (a lock, a full disk).
    std::atomic<bool> failing{false};
    // The newest ticket committed or set aside: the rows up to it are in the
    // table, or never will be, before their `written` reaches anyone.
    std::atomic<quint64> settledTicket{0};
};

// The writing side of WriteBatch: a worker fed by queued calls (`take`),
// on the batch's writer thread with a connection of its own, or on the GUI
// thread with the default connection when its own could not be opened.
// Rows wait in order and are written in one transaction CommitDelayMs after
// the first of a burst. A refusal that passes (a lock, a full disk, a
// read-only file) keeps every row and is tried again every RetryDelayMs; a
// read-only file is told at once, as no wait mends it. A row refused for
// itself (its table is missing or altered) is reported, once per table and
// reason, and set aside: it holds back none of the others.
//
// A full disk must not keep the rows out once room comes back: the rows go
// in transactions of at most MaxRowsPerCommit, so that a backlog needs no
// more room than one of them at a time, and while the disk is full the
// write-ahead log is copied into the file and emptied (`giveBackLog`) before
// each transaction, until every row is in: what it held is room the rows
// need, and a log the file cannot take in would swallow, frame by refused
// frame, what room comes back. Nor does the log grow large meanwhile: the
// writer copies it into the file once it holds WalCheckpointPages, and
// every connection that writes leaves at most WalSizeLimitBytes of it on
// disk once it starts anew.
class LogWriter : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* OwnConnection = "lumetra-logwriter";
    // The heaviest flood, some 10,000 rows a second, still commits a burst
    // (WriteBatch::CommitDelayMs) at once.
    static constexpr int MaxRowsPerCommit = 500;
    // A quarter of a megabyte in pages of 4 kB, SQLite's default size.
    static constexpr int WalCheckpointPages = 64;
    // SQLite's journal_size_limit.
    static constexpr int WalSizeLimitBytes = WalCheckpointPages * 4096;

    explicit LogWriter(LogWriterCounters& counters);

    // Opens the writer's own connection to `file`, with the settings of the
    // program's: the short busy timeout and full sync.
    bool openOwn(const QString& file, QString* error);

    void take(quint64 ticket, const QString& statement, const QVariantList& values);
    // Writes every waiting row now; false when rows still wait.
    bool commit();
    // The last write, waiting up to `busyTimeoutMs` for a lock; what the
    // database does not take then is dropped, and its own connection closed.
    void finish(int busyTimeoutMs);
    // Drops every waiting row: they were meant for a database no longer open.
    void drop();

    // Runs `work` on the writer's thread, in the order posted. The call is
    // built whole before it is handed over, so that ThreadSanitizer sees the
    // hand-off through Qt's event queue (threadannotations.h). Any thread.
    void post(std::function<void()> work);

    void setCommitDelay(int msecs) { m_commitTimer.setInterval(msecs); }
    void setRetryDelay(int msecs) { m_retryTimer.setInterval(msecs); }
    void setStallAlertDelay(int msecs) { m_stallAlertMs = msecs; }

signals:
    void written(const LogWrittenRows& rows);
    void refused(quint64 ticket, const QString& error);
    void stalled(const QString& error);
    // SQLite refused the rows as the database `file` is read-only for this
    // program; told at the first refusal of a stretch.
    void readOnly(const QString& file, const QString& error);
    void resumed();
    // The last write of `finish` failed: `rows` rows are dropped.
    void lost(int rows, const QString& error);

protected:
    bool event(QEvent* event) override;

private:
    struct Row
    {
        quint64 ticket;
        QString statement;
        QVariantList values;
    };
    enum class Outcome { Written, Refused, Failed };
    using Queries = QHash<QString, QSqlQuery>;

    QSqlDatabase connection() const;
    bool writeQueue(LogWrittenRows* written, QString* error);
    bool writeRows(size_t count, LogWrittenRows* written, QString* error);
    void giveBackLog();
    Outcome exec(const QSqlDatabase& db, Queries& queries, const Row& row, LogWrittenRows* written, QString* error);
    void setAside(const Row& row, const QString& error);
    // SQLITE_READONLY, SQLITE_FULL.
    static constexpr int ReadOnlyCode = 8;
    static constexpr int FullCode = 13;
    QString failure(const QSqlError& error);
    static bool isTransient(const QSqlError& error);
    static bool openConnection(QSqlDatabase& db, QString* error);
    void reopenReadOnly();
    void noteFailure(const QString& error);
    void noteSuccess();

    LogWriterCounters& m_counters;
    QString m_connection;
    std::deque<Row> m_queue;
    QTimer m_commitTimer;
    QTimer m_retryTimer;
    QElapsedTimer m_failingSince;
    int m_stallAlertMs = 0;
    bool m_stallTold = false;
    bool m_readOnlyTold = false;
    // A write met a full disk and not every row is in since.
    bool m_diskFull = false;
    // The primary SQLite code of the last failed write.
    int m_failureCode = 0;
    QString m_lastError;
    // Table and reason of the refusals told: a missing table refuses every row.
    QSet<QString> m_refusalsTold;
};

Q_DECLARE_METATYPE(LogWrittenRows)
