#include "logwriter.h"
#include "corelogging.h"

#include "databasemanager.h"
#include "threadannotations.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>

#include <algorithm>
#include <utility>
#include <vector>

LogWriter::LogWriter(LogWriterCounters& counters)
    : m_counters(counters)
    , m_connection(QLatin1String(QSqlDatabase::defaultConnection))
    , m_commitTimer(this)
    , m_retryTimer(this)
{
    m_commitTimer.setSingleShot(true);
    connect(&m_commitTimer, &QTimer::timeout, this, &LogWriter::commit);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &LogWriter::commit);
}

namespace {

class WriterCall : public QEvent
{
public:
    explicit WriterCall(std::function<void()> work)
        : QEvent(kind())
        , work(std::move(work))
    {
    }
    static QEvent::Type kind()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    std::function<void()> work;
};

} // namespace

void LogWriter::post(std::function<void()> work)
{
    auto* call = new WriterCall(std::move(work));
    announceRelease(&m_counters);
    QCoreApplication::postEvent(this, call);
}

bool LogWriter::event(QEvent* event)
{
    // Before the event itself is read: it was made on the posting thread.
    announceAcquire(&m_counters);
    if (event->type() != WriterCall::kind())
        return QObject::event(event);
    static_cast<WriterCall*>(event)->work();
    return true;
}

bool LogWriter::openOwn(const QString& file, QString* error)
{
    // The driver would create an empty file in place of one removed meanwhile.
    if (!QFileInfo::exists(file)) {
        *error = QStringLiteral("no such file on disk");
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(OwnConnection));
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(DatabaseManager::BusyTimeoutMs));
        if (openConnection(db, error)) {
            m_connection = QLatin1String(OwnConnection);
            return true;
        }
    }
    QSqlDatabase::removeDatabase(QLatin1String(OwnConnection));
    return false;
}

// It copies the write-ahead log back into the file itself once the log
// holds WalCheckpointPages: off the GUI thread that costs nobody a wait,
// and the log stays short, on a small disk too, whether the upkeep runs or
// not.
bool LogWriter::openConnection(QSqlDatabase& db, QString* error)
{
    if (db.open()) {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("PRAGMA synchronous=FULL"))
            && query.exec(QStringLiteral("PRAGMA wal_autocheckpoint = %1").arg(WalCheckpointPages))
            && query.exec(QStringLiteral("PRAGMA journal_size_limit = %1").arg(WalSizeLimitBytes)))
            return true;
        *error = query.lastError().text();
    } else {
        *error = db.lastError().text();
    }
    db.close();
    return false;
}

// SQLite opens a file it may not write read-only, and the connection stays
// so: the writer's own is opened anew after each such refusal, so that the
// rows go in once the file may be written again.
void LogWriter::reopenReadOnly()
{
    if (m_failureCode != ReadOnlyCode || m_connection != QLatin1String(OwnConnection))
        return;
    QSqlDatabase db = connection();
    db.close();
    QString error;
    if (!openConnection(db, &error))
        qCWarning(lcCore) << "Log writer: its connection did not open again:" << error;
}

QSqlDatabase LogWriter::connection() const
{
    return QSqlDatabase::database(m_connection, false);
}

void LogWriter::take(quint64 ticket, const QString& statement, const QVariantList& values)
{
    m_queue.push_back({ticket, statement, values});
    // Behind rows that wait for the retry, which writes them all.
    if (!m_commitTimer.isActive() && !m_retryTimer.isActive())
        m_commitTimer.start();
}

bool LogWriter::commit()
{
    m_commitTimer.stop();
    m_retryTimer.stop();
    QString error;
    LogWrittenRows rows;
    const bool done = m_queue.empty() || writeQueue(&rows, &error);
    if (!rows.isEmpty()) {
        announceRelease(&m_counters);
        emit written(rows);
    }
    if (!done) {
        noteFailure(error);
        reopenReadOnly();
        m_diskFull = m_diskFull || m_failureCode == FullCode;
        m_retryTimer.start();
        return false;
    }
    noteSuccess();
    return true;
}

void LogWriter::finish(int busyTimeoutMs)
{
    if (!m_queue.empty()) {
        QSqlDatabase db = connection();
        QSqlQuery pragma(db);
        if (db.isOpen())
            pragma.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeoutMs));
        if (!commit()) {
            qCWarning(lcCore) << "Log rows lost, the database did not take them:" << m_queue.size() << m_lastError;
            announceRelease(&m_counters);
            emit lost(int(m_queue.size()), m_lastError);
        }
        if (db.isOpen() && m_connection != QLatin1String(OwnConnection))
            pragma.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(DatabaseManager::BusyTimeoutMs));
    }
    drop();
    if (m_connection != QLatin1String(OwnConnection))
        return;
    connection().close();
    QSqlDatabase::removeDatabase(m_connection);
    m_connection = QLatin1String(QSqlDatabase::defaultConnection);
}

void LogWriter::drop()
{
    m_commitTimer.stop();
    m_retryTimer.stop();
    m_counters.pending -= int(m_queue.size());
    m_queue.clear();
}

// Every waiting row, in order, in transactions of at most MaxRowsPerCommit.
// The rows of the transactions committed leave the queue when a later one
// fails. While the disk is full the log is emptied before each: a refused
// write leaves the room that came back taken by its own frames.
bool LogWriter::writeQueue(LogWrittenRows* written, QString* error)
{
    while (!m_queue.empty()) {
        if (m_diskFull)
            giveBackLog();
        if (!writeRows(std::min(m_queue.size(), size_t(MaxRowsPerCommit)), written, error))
            return false;
    }
    m_diskFull = false;
    return true;
}

// Copies the write-ahead log into the file and empties it: a log of rows
// already in the file is room a full disk lacks. Fails while the file
// cannot grow by what the log holds, or another connection reads from it.
void LogWriter::giveBackLog()
{
    QSqlQuery query(connection());
    if (!query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")))
        qCDebug(lcCore) << "Log writer: write-ahead log not emptied:" << query.lastError().text();
}

// The first `count` rows in one transaction. A row refused for itself is
// set aside and the others go on; any other failure rolls the whole
// transaction back and keeps every row.
bool LogWriter::writeRows(size_t count, LogWrittenRows* written, QString* error)
{
    QSqlDatabase db = connection();
    m_failureCode = 0;
    if (!db.isOpen() || !db.transaction()) {
        *error = db.isOpen() ? failure(db.lastError()) : QStringLiteral("the database is not open");
        return false;
    }
    // Prepared once per transaction: a heartbeat brings many rows of a few kinds.
    Queries queries;
    std::vector<std::pair<const Row*, QString>> refused;
    LogWrittenRows done;
    const auto end = m_queue.cbegin() + std::ptrdiff_t(count);
    for (auto it = m_queue.cbegin(); it != end; ++it) {
        const Row& row = *it;
        switch (exec(db, queries, row, &done, error)) {
        case Outcome::Written:
            break;
        case Outcome::Refused:
            refused.emplace_back(&row, *error);
            break;
        case Outcome::Failed:
            queries.clear();
            db.rollback();
            return false;
        }
    }
    queries.clear();
    // As a statement, not QSqlDatabase::commit(): its error keeps SQLite's
    // code, and a full disk mostly shows at the commit.
    QSqlQuery commit(db);
    if (!commit.exec(QStringLiteral("COMMIT"))) {
        *error = failure(commit.lastError());
        commit.finish();
        db.rollback();
        return false;
    }
    for (const auto& [row, why] : refused)
        setAside(*row, why);
    m_counters.settledTicket = m_queue[count - 1].ticket;
    m_counters.pending -= int(count);
    m_queue.erase(m_queue.begin(), m_queue.begin() + std::ptrdiff_t(count));
    *written += done;
    return true;
}

LogWriter::Outcome LogWriter::exec(const QSqlDatabase& db, Queries& queries, const Row& row, LogWrittenRows* written,
                                   QString* error)
{
    auto it = queries.find(row.statement);
    if (it == queries.end()) {
        it = queries.insert(row.statement, QSqlQuery(db));
        if (!it->prepare(row.statement)) {
            const QSqlError prepareError = it->lastError();
            queries.erase(it);
            *error = failure(prepareError);
            return isTransient(prepareError) ? Outcome::Failed : Outcome::Refused;
        }
    }
    for (const QVariant& value : row.values)
        it->addBindValue(value);
    if (it->exec()) {
        written->append({row.ticket, it->lastInsertId()});
        return Outcome::Written;
    }
    *error = failure(it->lastError());
    return isTransient(it->lastError()) ? Outcome::Failed : Outcome::Refused;
}

// Told once per table and reason, with the table named; the row's values go
// to the log so that nothing leaves without a trace.
void LogWriter::setAside(const Row& row, const QString& error)
{
    static const QRegularExpression into(QStringLiteral("\\binto\\s+(\\w+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QString table = into.match(row.statement).captured(1);
    const QString text = table + QStringLiteral(": ") + error;
    if (!m_refusalsTold.contains(text)) {
        m_refusalsTold.insert(text);
        qCWarning(lcCore) << "Log row refused by the database, set aside:" << text;
    }
    qCDebug(lcCore) << "Log row set aside:" << row.statement << row.values;
    announceRelease(&m_counters);
    emit refused(row.ticket, text);
}

// Its text; its primary SQLite code is kept for what follows the failed write.
QString LogWriter::failure(const QSqlError& error)
{
    m_failureCode = error.nativeErrorCode().toInt() & 0xff;
    return error.text();
}

// Refusals that pass: locks, a full or failing disk, memory, a file that
// may be made writable again. The SQLite result code is the driver's native
// code; its low byte is the primary one.
bool LogWriter::isTransient(const QSqlError& error)
{
    enum { Busy = 5, Locked = 6, NoMem = 7, ReadOnly = ReadOnlyCode, Interrupt = 9, IoErr = 10, Full = 13,
           CantOpen = 14, Protocol = 15 };
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xff;
    if (!numeric)
        return true;
    switch (code) {
    case Busy: case Locked: case NoMem: case ReadOnly: case Interrupt: case IoErr: case Full: case CantOpen:
    case Protocol:
        return true;
    default:
        return false;
    }
}

void LogWriter::noteFailure(const QString& error)
{
    m_lastError = error;
    if (!m_failingSince.isValid()) {
        m_failingSince.start();
        m_counters.failing = true;
        qCWarning(lcCore) << "Log rows not written, kept to try again:" << error;
    }
    // Waiting does not make a read-only file writable: that is told at the
    // first refusal, and the stall, which says another program may hold
    // the file, not after it.
    if (m_failureCode == ReadOnlyCode && !m_readOnlyTold) {
        m_readOnlyTold = true;
        announceRelease(&m_counters);
        emit readOnly(connection().databaseName(), error);
    }
    if (!m_stallTold && !m_readOnlyTold && m_failingSince.elapsed() >= m_stallAlertMs) {
        m_stallTold = true;
        announceRelease(&m_counters);
        emit stalled(error);
    }
}

void LogWriter::noteSuccess()
{
    if (!m_failingSince.isValid())
        return;
    qCWarning(lcCore) << "Log rows written after" << m_failingSince.elapsed() << "ms";
    m_failingSince.invalidate();
    m_counters.failing = false;
    const bool told = m_stallTold || m_readOnlyTold;
    m_stallTold = false;
    m_readOnlyTold = false;
    if (told) {
        announceRelease(&m_counters);
        emit resumed();
    }
}
