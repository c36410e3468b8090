#include "logwriter.h"
#include "corelogging.h"

#include "databasemanager.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlError>

#include <iterator>
#include <utility>

void LogOutbox::post(LogEvent event)
{
    bool wasEmpty = false;
    {
        std::lock_guard<std::mutex> locker(m_mutex);
        wasEmpty = m_events.empty();
        m_events.push_back(std::move(event));
    }
    if (wasEmpty)
        m_wake();
}

std::vector<LogEvent> LogOutbox::take()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    return std::exchange(m_events, {});
}

LogWriter::LogWriter(LogOutbox& outbox)
    : m_outbox(outbox)
    , m_connection(QLatin1String(QSqlDatabase::defaultConnection))
    , m_commitTimer(this)
    , m_retryTimer(this)
{
    m_commitTimer.setSingleShot(true);
    connect(&m_commitTimer, &QTimer::timeout, this, &LogWriter::commit);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &LogWriter::commit);
}

// Deleted after its thread has ended, whose last look at the inbox (on its
// finish) is then seen through the inbox's lock.
LogWriter::~LogWriter()
{
    std::lock_guard<std::mutex> locker(m_inboxMutex);
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
        // It copies the write-ahead log back into the file itself once the log
        // holds a thousand pages, as SQLite does by default: off the GUI
        // thread that costs nobody a wait, and the log stays short when the
        // upkeep does not run.
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA synchronous=FULL"))) {
                m_connection = QLatin1String(OwnConnection);
                return true;
            }
            *error = query.lastError().text();
        } else {
            *error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(OwnConnection));
    return false;
}

QSqlDatabase LogWriter::connection() const
{
    return QSqlDatabase::database(m_connection, false);
}

void LogWriter::hand(quint64 ticket, const QString& statement, const QVariantList& values)
{
    bool first = false;
    {
        std::lock_guard<std::mutex> locker(m_inboxMutex);
        first = m_handed.empty();
        m_handed.push_back({ticket, statement, values});
    }
    if (first)
        QMetaObject::invokeMethod(this, &LogWriter::takeHanded, Qt::QueuedConnection);
}

void LogWriter::request(Work work, std::function<void(bool)> done)
{
    bool first = false;
    {
        std::lock_guard<std::mutex> locker(m_inboxMutex);
        first = m_requests.empty();
        m_requests.emplace_back(std::move(work), std::move(done));
    }
    if (first)
        QMetaObject::invokeMethod(this, &LogWriter::serveRequests, Qt::QueuedConnection);
}

void LogWriter::serveRequests()
{
    takeHanded();
    std::vector<std::pair<Work, std::function<void(bool)>>> requests;
    {
        std::lock_guard<std::mutex> locker(m_inboxMutex);
        requests.swap(m_requests);
    }
    for (auto& [work, done] : requests) {
        const bool result = work(*this);
        if (done)
            done(result);
    }
}

void LogWriter::takeHanded()
{
    std::deque<Row> handed;
    {
        std::lock_guard<std::mutex> locker(m_inboxMutex);
        handed.swap(m_handed);
    }
    if (handed.empty())
        return;
    std::move(handed.begin(), handed.end(), std::back_inserter(m_queue));
    // Behind rows that wait for the retry, which writes them all.
    if (!m_commitTimer.isActive() && !m_retryTimer.isActive())
        m_commitTimer.start();
}

bool LogWriter::commit()
{
    takeHanded();
    m_commitTimer.stop();
    m_retryTimer.stop();
    QString error;
    LogWrittenRows written;
    if (!m_queue.empty())
        writeQueue(&written, &error);
    if (!written.isEmpty())
        post({LogEvent::Written, written, 0, QString(), 0});
    if (!m_queue.empty()) {
        noteFailure(error);
        m_retryTimer.start();
        return false;
    }
    noteSuccess();
    return true;
}

void LogWriter::finish(int busyTimeoutMs)
{
    takeHanded();
    if (!m_queue.empty()) {
        QSqlDatabase db = connection();
        if (db.isOpen())
            QSqlQuery(db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeoutMs));
        if (!commit())
            qCWarning(lcCore) << "Log rows lost, the database did not take them:" << m_queue.size();
    }
    m_commitTimer.stop();
    m_retryTimer.stop();
    drop();
    if (m_connection != QLatin1String(OwnConnection))
        return;
    connection().close();
    QSqlDatabase::removeDatabase(m_connection);
    m_connection = QLatin1String(QSqlDatabase::defaultConnection);
}

void LogWriter::drop()
{
    takeHanded();
    m_commitTimer.stop();
    m_retryTimer.stop();
    if (m_queue.empty())
        return;
    post({LogEvent::Dropped, {}, 0, QString(), int(m_queue.size())});
    m_queue.clear();
}

// Every waiting row in one transaction, in order; the rows written leave the
// queue. A row refused for itself stays and the others go on; any other
// failure rolls the whole transaction back and keeps every row.
bool LogWriter::writeQueue(LogWrittenRows* written, QString* error)
{
    QSqlDatabase db = connection();
    if (!db.isOpen() || !db.transaction()) {
        *error = db.isOpen() ? db.lastError().text() : QStringLiteral("the database is not open");
        return false;
    }
    if (!writeRows(db, written, error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        db.rollback();
        written->clear();
        return false;
    }
    std::deque<Row> kept;
    for (Row& row : m_queue) {
        if (row.refused)
            kept.push_back(std::move(row));
    }
    m_queue.swap(kept);
    return m_queue.empty();
}

// Marks the rows refused for themselves; the others are in the transaction.
bool LogWriter::writeRows(const QSqlDatabase& db, LogWrittenRows* written, QString* error)
{
    // Prepared once per transaction: a heartbeat brings many rows of a few kinds.
    Queries queries;
    LogWrittenRows done;
    for (Row& row : m_queue) {
        switch (exec(db, queries, row, &done, error)) {
        case Outcome::Written:
            row.refused = false;
            break;
        case Outcome::Refused:
            refuse(row, *error);
            break;
        case Outcome::Failed:
            return false;
        }
    }
    *written = done;
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
            *error = prepareError.text();
            return isTransient(prepareError) ? Outcome::Failed : Outcome::Refused;
        }
    }
    for (const QVariant& value : row.values)
        it->addBindValue(value);
    if (it->exec()) {
        written->append({row.ticket, it->lastInsertId()});
        return Outcome::Written;
    }
    *error = it->lastError().text();
    return isTransient(it->lastError()) ? Outcome::Failed : Outcome::Refused;
}

void LogWriter::refuse(Row& row, const QString& error)
{
    const bool told = std::exchange(row.refused, true);
    if (told)
        return;
    qCWarning(lcCore) << "Log row refused, kept to try again:" << row.statement << error;
    post({LogEvent::Refused, {}, row.ticket, error, 0});
}

// Refusals that pass: locks, a full or failing disk, memory. The SQLite
// result code is the driver's native code; its low byte is the primary one.
bool LogWriter::isTransient(const QSqlError& error)
{
    enum { Busy = 5, Locked = 6, NoMem = 7, ReadOnly = 8, Interrupt = 9, IoErr = 10, Full = 13, CantOpen = 14,
           Protocol = 15 };
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
    if (!m_failingSince.isValid()) {
        m_failingSince.start();
        qCWarning(lcCore) << "Log rows not written, kept to try again:" << error;
    }
    if (!m_stallTold && m_failingSince.elapsed() >= m_stallAlertMs) {
        m_stallTold = true;
        post({LogEvent::Stalled, {}, 0, error, 0});
    }
}

void LogWriter::noteSuccess()
{
    if (!m_failingSince.isValid())
        return;
    qCWarning(lcCore) << "Log rows written after" << m_failingSince.elapsed() << "ms";
    m_failingSince.invalidate();
    if (std::exchange(m_stallTold, false))
        post({LogEvent::Resumed, {}, 0, QString(), 0});
}
