#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <QVector>

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class QSqlError;

// A log row in the database: the ticket WriteBatch gave it and its key.
struct LogWrittenRow
{
    quint64 ticket = 0;
    QVariant key;
};
using LogWrittenRows = QVector<LogWrittenRow>;

// What a LogWriter has to tell its WriteBatch, in the order it happened.
struct LogEvent
{
    enum Kind { Written, Refused, Stalled, Resumed, Dropped };
    Kind kind = Written;
    LogWrittenRows rows;   // Written
    quint64 ticket = 0;    // Refused
    QString text;          // Refused, Stalled: the database's error
    int count = 0;         // Dropped
};

// Carries a LogWriter's events to the thread of its batch. `wake` is called
// when an event arrives in an empty outbox, from the writer's thread.
class LogOutbox
{
public:
    explicit LogOutbox(std::function<void()> wake) : m_wake(std::move(wake)) {}
    void post(LogEvent event);
    std::vector<LogEvent> take();

private:
    // A standard mutex: its locking is visible to ThreadSanitizer.
    std::mutex m_mutex;
    std::vector<LogEvent> m_events;
    std::function<void()> m_wake;
};

// The writing side of WriteBatch. Rows wait here in order and are written
// in one transaction CommitDelayMs after the first of a burst: on the
// writer's own connection when it lives on the batch's writer thread, on the
// default connection when it lives on the GUI thread because its own could
// not be opened. A refusal that passes (a lock, a full disk) keeps every row
// and is tried again every RetryDelayMs; a row refused for itself (its table
// is missing) is reported once and kept while the others are written.
// Used only from the thread it lives on, but for `hand` and `request`.
class LogWriter : public QObject
{
public:
    static constexpr const char* OwnConnection = "lumetra-logwriter";

    explicit LogWriter(LogOutbox& outbox);
    ~LogWriter() override;

    // Opens the writer's own connection to `file`, with the settings of the
    // program's: the short busy timeout and full sync.
    bool openOwn(const QString& file, QString* error);

    // Hands a row over; from any thread. Posts no more than one event per
    // burst, and rows handed over are never lost to an event not delivered:
    // the last write takes them too.
    void hand(quint64 ticket, const QString& statement, const QVariantList& values);
    // Runs `work` on the writer's thread, from any thread, and `done`, when
    // given, there with its result. Requests made before the thread ends
    // are served as it ends at the latest (`serveRequests` on its finish).
    using Work = std::function<bool(LogWriter&)>;
    void request(Work work, std::function<void(bool)> done = {});
    void serveRequests();
    // Writes every waiting row now; false when rows still wait.
    bool commit();
    // The last write, waiting up to `busyTimeoutMs` for a lock; what the
    // database does not take then is dropped, and the connection closed.
    void finish(int busyTimeoutMs);
    // Drops every waiting row: they were meant for a database no longer open.
    void drop();

    void setCommitDelay(int msecs) { m_commitTimer.setInterval(msecs); }
    void setRetryDelay(int msecs) { m_retryTimer.setInterval(msecs); }
    void setStallAlertDelay(int msecs) { m_stallAlertMs = msecs; }

private:
    struct Row
    {
        quint64 ticket;
        QString statement;
        QVariantList values;
        bool refused = false; // told once
    };
    enum class Outcome { Written, Refused, Failed };
    using Queries = QHash<QString, QSqlQuery>;

    void takeHanded();
    QSqlDatabase connection() const;
    bool writeQueue(LogWrittenRows* written, QString* error);
    bool writeRows(const QSqlDatabase& db, LogWrittenRows* written, QString* error);
    Outcome exec(const QSqlDatabase& db, Queries& queries, const Row& row, LogWrittenRows* written, QString* error);
    void refuse(Row& row, const QString& error);
    static bool isTransient(const QSqlError& error);
    void noteFailure(const QString& error);
    void noteSuccess();
    void post(LogEvent event) { m_outbox.post(std::move(event)); }

    LogOutbox& m_outbox;
    // What other threads hand over: a standard mutex, visible to
    // ThreadSanitizer, unlike Qt's hand-over of a posted call's data.
    std::mutex m_inboxMutex;
    std::deque<Row> m_handed;
    std::vector<std::pair<Work, std::function<void(bool)>>> m_requests;
    QString m_connection;
    std::deque<Row> m_queue;
    QTimer m_commitTimer;
    QTimer m_retryTimer;
    QElapsedTimer m_failingSince;
    int m_stallAlertMs = 0;
    bool m_stallTold = false;
};
