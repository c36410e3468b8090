#include "databasemanager.h"
#include "corelogging.h"

#include "apppaths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

DatabaseManager* g_databaseManager = nullptr;

namespace {

// SQLite opens any file and reads it only at the first statement: a file
// that is no database would pass the opening and fail at the log-in. A
// lock another program holds is no reason to stop here.
bool isDatabase(const QSqlDatabase& db, QString* error)
{
    enum { Busy = 5, Locked = 6 };
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("select count(*) from sqlite_master")))
        return true;
    const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
    if (code == Busy || code == Locked)
        return true;
    *error = query.lastError().text();
    return false;
}

} // namespace

DatabaseManager::DatabaseManager(QObject* parent)
    : QObject(parent)
    , m_checkpointTimer(new QTimer(this))
{
    m_checkpointTimer->setInterval(CheckpointIntervalMs);
    connect(m_checkpointTimer, &QTimer::timeout, this, &DatabaseManager::checkpoint);
}

// The upkeep's connection goes with the manager, once its thread has ended.
DatabaseManager::~DatabaseManager()
{
    if (QSqlDatabase::contains(QLatin1String(UpkeepConnection)))
        QSqlDatabase::removeDatabase(QLatin1String(UpkeepConnection));
}

void DatabaseManager::createConnection()
{
    database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(QSqlDatabase::defaultConnection));
    const QString path = AppPaths::database();
    // The driver would silently create an empty file; say where we looked so
    // the missing tables that follow are easy to explain.
    if (!QFileInfo::exists(path))
        qCWarning(lcCore) << "Database file not found, an empty one will be created:" << path;
    database.setDatabaseName(path);
    if (!database.open() || !isDatabase(database, &m_failure)) {
        if (m_failure.isEmpty())
            m_failure = database.lastError().text();
        database.close();
        qCWarning(lcCore) << "Database" << path << "not opened:" << m_failure;
        m_state.store(Failed, std::memory_order_release);
        return;
    }
    if (QCoreApplication::instance())
        database.driver()->moveToThread(QCoreApplication::instance()->thread());
    m_state.store(Open, std::memory_order_release);
}

void DatabaseManager::executeQuery(QString)
{
}

void DatabaseManager::stopped()
{
    qCDebug(lcCore) << "stopped";
}

namespace {

// The single value of a pragma; -1 (with the error logged) when it fails.
qint64 pragmaValue(QSqlQuery& query, const QString& pragma)
{
    if (!query.exec(QStringLiteral("PRAGMA ") + pragma) || !query.next()) {
        qCWarning(lcCore) << "Database:" << pragma << "failed:" << query.lastError().text();
        return -1;
    }
    return query.value(0).toLongLong();
}

bool runLogged(QSqlQuery& query, const QString& statement)
{
    if (query.exec(statement))
        return true;
    qCWarning(lcCore) << "Database:" << statement << "failed:" << query.lastError().text();
    return false;
}

// SQLite's auto_vacuum value for giving free pages back in steps.
constexpr int IncrementalVacuum = 2;

} // namespace

bool DatabaseManager::prepareForUse()
{
    QSqlQuery query;
    // Only ever fails when no transaction is open, which is the normal case.
    query.exec(QStringLiteral("end transaction;"));

    bool ok = runLogged(query, QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs));
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next()
        || query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        qCWarning(lcCore) << "Database: write-ahead log not enabled:" << query.lastError().text();
        ok = false;
    }
    query.finish();
    ok = runLogged(query, QStringLiteral("PRAGMA synchronous=FULL")) && ok;
    // A checkpoint copies the log into the file and syncs it: hundreds of
    // milliseconds the commit that set it off would keep the GUI thread.
    // The upkeep does it on its own thread, and runs only when all is well.
    return ok && runLogged(query, QStringLiteral("PRAGMA wal_autocheckpoint = 0"));
}

void DatabaseManager::restoreAutoCheckpoint()
{
    QSqlQuery query;
    runLogged(query, QStringLiteral("PRAGMA wal_autocheckpoint = %1").arg(AutoCheckpointPages));
}

void DatabaseManager::startUpkeep()
{
    UpkeepNext next = UpkeepNext::Failed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(UpkeepConnection));
        db.setDatabaseName(AppPaths::database());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(UpkeepBusyTimeoutMs));
        if (db.open()) {
            // Timers stop on their own thread, before it ends.
            connect(QThread::currentThread(), &QThread::finished, m_checkpointTimer, &QTimer::stop,
                    Qt::DirectConnection);
            m_checkpointTimer->start();
            next = beginUpkeep(db);
        } else {
            qCWarning(lcCore) << "Database upkeep: not opened, the program's connection copies its write-ahead log "
                                 "itself:" << db.lastError().text();
            if (QCoreApplication::instance())
                QMetaObject::invokeMethod(QCoreApplication::instance(), &DatabaseManager::restoreAutoCheckpoint,
                                          Qt::QueuedConnection);
        }
    }
    if (next == UpkeepNext::Steps)
        upkeepStep();
    else
        endUpkeep(next == UpkeepNext::Done);
}

DatabaseManager::UpkeepNext DatabaseManager::beginUpkeep(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    const qint64 pages = pragmaValue(query, QStringLiteral("page_count"));
    const qint64 freePages = pragmaValue(query, QStringLiteral("freelist_count"));
    const qint64 autoVacuum = pragmaValue(query, QStringLiteral("auto_vacuum"));
    if (pages < 0 || freePages < 0 || autoVacuum < 0)
        return UpkeepNext::Failed;
    if (pages == 0 || double(freePages) / double(pages) <= VacuumFreeShare)
        return UpkeepNext::Done;
    if (autoVacuum == IncrementalVacuum)
        return UpkeepNext::Steps;
    qCInfo(lcCore) << "Database upkeep: the file is rewritten once, to give free pages back in steps from now on";
    const bool ok = runLogged(query, QStringLiteral("PRAGMA auto_vacuum = INCREMENTAL"))
        && runLogged(query, QStringLiteral("VACUUM"));
    // The rewrite went through the write-ahead log, which would stay as large.
    query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    return ok ? UpkeepNext::Done : UpkeepNext::Failed;
}

// One step: up to UpkeepStepPages pages given back in one transaction. The
// driver steps a pragma once per run, and each step of incremental_vacuum
// gives back one page.
void DatabaseManager::upkeepStep()
{
    qint64 freePages = -1;
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(UpkeepConnection), false);
        QSqlQuery query(db);
        bool ok = db.transaction() && query.prepare(QStringLiteral("PRAGMA incremental_vacuum"));
        for (int page = 0; ok && page < UpkeepStepPages; ++page)
            ok = query.exec();
        // A run cut short is still open and would hold the commit back.
        query.finish();
        ok = ok && db.commit();
        if (!ok) {
            qCWarning(lcCore) << "Database upkeep: step failed:" << query.lastError().text() << db.lastError().text();
            db.rollback();
        } else {
            freePages = pragmaValue(query, QStringLiteral("freelist_count"));
        }
    }
    if (freePages > 0)
        QTimer::singleShot(UpkeepPauseMs, this, &DatabaseManager::upkeepStep);
    else
        endUpkeep(freePages == 0);
}

void DatabaseManager::endUpkeep(bool ok)
{
    emit upkeepDone(ok);
}

// Passive: copies what it can, waiting for neither readers nor the writer.
void DatabaseManager::checkpoint()
{
    QSqlQuery query(QSqlDatabase::database(QLatin1String(UpkeepConnection), false));
    const bool ok = query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    if (!ok && !m_checkpointFailed)
        qCWarning(lcCore) << "Database: checkpoint failed:" << query.lastError().text();
    m_checkpointFailed = !ok;
}
