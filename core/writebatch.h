#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <QVector>

#include <deque>

class QSqlDriver;
class QSqlError;

// The rows of the three logs (alarm, voltage and user-action rows) reach the
// database through here, on the default connection. Rows written in one
// burst (the alarm rows and the voltage rows of one heartbeat) share one
// transaction: the first row opens it and it is committed once the burst is
// over, so each heartbeat costs one disk sync with full sync on.
//
// Rows the database refuses are kept, in order, and tried again every
// RetryDelayMs until they are written. A refusal that passes (another
// program holding a lock, a full disk) keeps the whole batch back; each
// attempt waits at most the connection's short busy timeout, so the GUI
// thread never stalls on a lock. A row refused for itself (its table is
// missing) is reported with `refused` and kept while the others are
// written. The queue is bounded; after StallAlertMs of failed attempts
// `stalled` is emitted once, and `resumed` when every row is in.
//
// GUI thread only, like all SQL of the program.
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
    // The wait for a lock of the last write when the program ends.
    static constexpr int ExitBusyTimeoutMs = 5000;

    // A row in the database: the ticket `append` gave it and its key.
    struct WrittenRow
    {
        quint64 ticket = 0;
        QVariant key;
    };
    using WrittenRows = QVector<WrittenRow>;

    // The one batch of the default connection, owned by the application object.
    static WriteBatch& instance();
    // Rows still waiting when the application object goes are written then,
    // waiting longer for a lock than while the program runs.
    ~WriteBatch() override;

    // What became of a row handed to `append`.
    struct Receipt
    {
        // Counts up from 1; 0 when the queue is full and the row is not kept.
        quint64 ticket = 0;
        // The row's key when it was written at once (final when `written`
        // tells it again with its commit).
        QVariant key;
        // Why the database refused the row for itself; it waits all the same.
        QString refusal;
    };

    // Writes a row with the insert `statement`, its `?` placeholders bound
    // to `values` in order: at once into the open transaction, or into the
    // queue while earlier rows wait.
    Receipt append(const QString& statement, const QVariantList& values);

    // Commits the rows written so far and writes the waiting ones, now (for
    // a caller that needs them on disk or runs statements of its own). False
    // when rows still wait, to be tried again.
    bool commit();

    // Rows not yet committed, waiting or in the open transaction.
    int pendingRows() const { return int(m_uncommitted.size() + m_queue.size()); }

    // Tests shorten the waits.
    void setCommitDelay(int msecs) { m_commitTimer.setInterval(msecs); }
    void setRetryDelay(int msecs) { m_retryTimer.setInterval(msecs); }
    void setStallAlertDelay(int msecs) { m_stallAlertMs = msecs; }

signals:
    // The rows are committed, with their final keys.
    void written(const WriteBatch::WrittenRows& rows);
    // The database refused a waiting row for a reason of its own; it waits
    // on. Told once per row, and not for a refusal `append` returned.
    void refused(quint64 ticket, const QString& error);
    // Rows have waited StallAlertMs for the database; they stay queued.
    void stalled(const QString& error);
    // Every row that waited is written.
    void resumed();

private:
    struct Row
    {
        quint64 ticket;
        QString statement;
        QVariantList values;
        bool refused = false; // told once
    };
    enum class Outcome { Written, Refused, Failed };

    explicit WriteBatch(QObject* parent);

    QSqlDatabase connection();
    Outcome exec(const QSqlDatabase& db, const Row& row, WrittenRows* written, QString* error);
    bool commitTransaction(QString* error);
    bool writeQueue(WrittenRows* written, QString* error);
    void requeueUncommitted();
    void failed(const QString& error);
    void refuse(Row& row, const QString& error);
    QSqlQuery* preparedQuery(const QSqlDatabase& db, const QString& statement, QSqlError* error);
    static bool isTransient(const QSqlError& error);
    void noteFailure(const QString& error);
    void noteSuccess();

    // Written in the open transaction, kept until it is committed.
    std::deque<Row> m_uncommitted;
    WrittenRows m_uncommittedKeys;
    // Waiting for the database, in order.
    std::deque<Row> m_queue;
    bool m_transactionOpen = false;
    quint64 m_lastTicket = 0;
    QTimer m_commitTimer;
    QTimer m_retryTimer;
    // Prepared once per statement and connection: inserts run for every
    // alarm of every heartbeat.
    QHash<QString, QSqlQuery> m_queries;
    // Which connection the statements and the transaction belong to.
    struct Identity
    {
        QSqlDriver* driver = nullptr;
        QVariant handle;
        QString file;
        bool operator==(const Identity& other) const
        {
            return driver == other.driver && handle == other.handle && file == other.file;
        }
    };
    Identity m_identity;
    QElapsedTimer m_failingSince;
    int m_stallAlertMs = StallAlertMs;
    bool m_stallTold = false;
    QVector<QPair<quint64, QString>> m_refusals;
};

Q_DECLARE_METATYPE(WriteBatch::WrittenRows)
