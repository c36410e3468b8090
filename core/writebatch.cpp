#include "writebatch.h"
#include "corelogging.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

#include <utility>

WriteBatch::WriteBatch(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<WriteBatch::WrittenRows>("WriteBatch::WrittenRows");
    m_commitTimer.setSingleShot(true);
    m_commitTimer.setInterval(CommitDelayMs);
    connect(&m_commitTimer, &QTimer::timeout, this, &WriteBatch::commit);
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(RetryDelayMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &WriteBatch::commit);
}

WriteBatch::~WriteBatch()
{
    if (pendingRows() == 0)
        return;
    QSqlDatabase db = connection();
    if (db.isOpen())
        QSqlQuery(db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(ExitBusyTimeoutMs));
    if (!commit())
        qCWarning(lcCore) << "Log rows lost at exit, the database did not take them:" << pendingRows();
}

WriteBatch& WriteBatch::instance()
{
    static QPointer<WriteBatch> batch;
    if (!batch) {
        // Parented to the application so it goes before the connection does;
        // rows still waiting when the event loop ends are written then.
        batch = new WriteBatch(QCoreApplication::instance());
        if (QCoreApplication::instance())
            connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, batch.data(), &WriteBatch::commit);
    }
    return *batch;
}

WriteBatch::Receipt WriteBatch::append(const QString& statement, const QVariantList& values)
{
    Receipt receipt;
    if (pendingRows() >= MaxQueuedRows)
        return receipt;
    receipt.ticket = ++m_lastTicket;
    Row row{receipt.ticket, statement, values};
    // Behind rows that wait, in order; the retry writes them all.
    if (!m_queue.empty() || m_retryTimer.isActive()) {
        m_queue.push_back(row);
        return receipt;
    }
    QSqlDatabase db = connection();
    if (!m_transactionOpen) {
        if (!db.isOpen() || !db.transaction()) {
            m_queue.push_back(row);
            failed(db.isOpen() ? db.lastError().text() : QStringLiteral("the database is not open"));
            return receipt;
        }
        m_transactionOpen = true;
        m_commitTimer.start();
    }
    QString error;
    WrittenRows written;
    switch (exec(db, row, &written, &error)) {
    case Outcome::Written:
        m_uncommitted.push_back(row);
        m_uncommittedKeys += written;
        receipt.key = written.first().key;
        break;
    case Outcome::Refused:
        qCWarning(lcCore) << "Log row refused, kept to try again:" << statement << error;
        row.refused = true;
        m_queue.push_back(row);
        m_retryTimer.start();
        receipt.refusal = error;
        break;
    case Outcome::Failed:
        db.rollback();
        m_transactionOpen = false;
        m_commitTimer.stop();
        requeueUncommitted();
        m_queue.push_back(row);
        failed(error);
        break;
    }
    return receipt;
}

bool WriteBatch::commit()
{
    m_commitTimer.stop();
    m_retryTimer.stop();
    QString error;
    WrittenRows written;
    if (m_transactionOpen) {
        if (commitTransaction(&error)) {
            written = m_uncommittedKeys;
            m_uncommitted.clear();
            m_uncommittedKeys.clear();
        } else {
            requeueUncommitted();
        }
    }
    // After a refused commit the queue waits for the next attempt.
    if (error.isEmpty() && !m_queue.empty())
        writeQueue(&written, &error);
    // Receivers may write rows again; the queue is settled by now.
    for (const auto& [ticket, reason] : std::exchange(m_refusals, {}))
        emit refused(ticket, reason);
    if (!written.isEmpty())
        emit this->written(written);
    if (!m_queue.empty()) {
        failed(error);
        return false;
    }
    noteSuccess();
    return true;
}

void WriteBatch::failed(const QString& error)
{
    noteFailure(error);
    m_retryTimer.start();
}

QSqlDatabase WriteBatch::connection()
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    const Identity identity{db.driver(), db.isOpen() ? db.driver()->handle() : QVariant(), db.databaseName()};
    if (identity == m_identity)
        return db;
    // Closed or opened anew since: prepared statements and the open
    // transaction went with the old connection.
    m_queries.clear();
    m_transactionOpen = false;
    if (identity.file == m_identity.file) {
        requeueUncommitted();
    } else if (pendingRows() > 0) {
        qCWarning(lcCore) << "Log rows for" << m_identity.file << "dropped, another database is open:" << pendingRows();
        m_uncommitted.clear();
        m_uncommittedKeys.clear();
        m_queue.clear();
    }
    m_identity = identity;
    return db;
}

WriteBatch::Outcome WriteBatch::exec(const QSqlDatabase& db, const Row& row, WrittenRows* written, QString* error)
{
    QSqlError rowError;
    if (QSqlQuery* query = preparedQuery(db, row.statement, &rowError)) {
        for (const QVariant& value : row.values)
            query->addBindValue(value);
        if (query->exec()) {
            written->append({row.ticket, query->lastInsertId()});
            return Outcome::Written;
        }
        rowError = query->lastError();
    }
    *error = rowError.text();
    if (isTransient(rowError))
        return Outcome::Failed;
    // Prepared again next time: the table may come back.
    m_queries.remove(row.statement);
    return Outcome::Refused;
}

bool WriteBatch::commitTransaction(QString* error)
{
    QSqlDatabase db = connection();
    const bool open = m_transactionOpen;
    m_transactionOpen = false;
    if (!open)
        return m_uncommitted.empty();
    if (db.commit())
        return true;
    *error = db.lastError().text();
    db.rollback();
    return false;
}

// Every waiting row in one transaction, in order; the rows written leave the
// queue. A row refused for itself stays and the others go on; any other
// failure rolls the whole transaction back and keeps every row.
bool WriteBatch::writeQueue(WrittenRows* written, QString* error)
{
    QSqlDatabase db = connection();
    if (!db.isOpen() || !db.transaction()) {
        *error = db.isOpen() ? db.lastError().text() : QStringLiteral("the database is not open");
        return false;
    }
    std::deque<Row> kept;
    WrittenRows done;
    for (Row& row : m_queue) {
        switch (exec(db, row, &done, error)) {
        case Outcome::Written:
            break;
        case Outcome::Refused:
            refuse(row, *error);
            kept.push_back(row);
            break;
        case Outcome::Failed:
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        db.rollback();
        return false;
    }
    m_queue.swap(kept);
    *written += done;
    return m_queue.empty();
}

void WriteBatch::requeueUncommitted()
{
    m_queue.insert(m_queue.begin(), m_uncommitted.begin(), m_uncommitted.end());
    m_uncommitted.clear();
    m_uncommittedKeys.clear();
}

void WriteBatch::refuse(Row& row, const QString& error)
{
    if (row.refused)
        return;
    row.refused = true;
    qCWarning(lcCore) << "Log row refused, kept to try again:" << row.statement << error;
    m_refusals.append({row.ticket, error});
}

QSqlQuery* WriteBatch::preparedQuery(const QSqlDatabase& db, const QString& statement, QSqlError* error)
{
    auto it = m_queries.find(statement);
    if (it == m_queries.end()) {
        QSqlQuery query(db);
        if (!query.prepare(statement)) {
            *error = query.lastError();
            return nullptr;
        }
        it = m_queries.insert(statement, query);
    }
    return &it.value();
}

// Refusals that pass: locks, a full or failing disk, memory. The SQLite
// result code is the driver's native code; its low byte is the primary one.
bool WriteBatch::isTransient(const QSqlError& error)
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

void WriteBatch::noteFailure(const QString& error)
{
    if (!m_failingSince.isValid()) {
        m_failingSince.start();
        qCWarning(lcCore) << "Log rows not written, kept to try again:" << error;
    }
    if (!m_stallTold && m_failingSince.elapsed() >= m_stallAlertMs) {
        m_stallTold = true;
        emit stalled(error);
    }
}

void WriteBatch::noteSuccess()
{
    if (!m_failingSince.isValid())
        return;
    qCWarning(lcCore) << "Log rows written after" << m_failingSince.elapsed() << "ms";
    m_failingSince.invalidate();
    if (std::exchange(m_stallTold, false))
        emit resumed();
}
