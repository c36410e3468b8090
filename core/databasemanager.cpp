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

DatabaseManager* g_databaseManager = nullptr;

DatabaseManager::DatabaseManager(QObject* parent)
    : QObject(parent)
{
}

DatabaseManager::~DatabaseManager() = default;

void DatabaseManager::createConnection()
{
    database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(QSqlDatabase::defaultConnection));
    const QString path = AppPaths::database();
    // The driver would silently create an empty file; say where we looked so
    // the missing tables that follow are easy to explain.
    if (!QFileInfo::exists(path))
        qCWarning(lcCore) << "Database file not found, an empty one will be created:" << path;
    database.setDatabaseName(path);
    if (!database.open()) {
        m_failure = database.lastError().text();
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

} // namespace

bool DatabaseManager::prepareForUse()
{
    QSqlQuery query;
    // Only ever fails when no transaction is open, which is the normal case.
    query.exec(QStringLiteral("end transaction;"));

    bool ok = true;
    if (!query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs))) {
        qCWarning(lcCore) << "Database: busy timeout not set:" << query.lastError().text();
        ok = false;
    }
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next()
        || query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        qCWarning(lcCore) << "Database: write-ahead log not enabled:" << query.lastError().text();
        ok = false;
    }
    if (!query.exec(QStringLiteral("PRAGMA synchronous=FULL"))) {
        qCWarning(lcCore) << "Database: full sync not set:" << query.lastError().text();
        ok = false;
    }

    const qint64 pages = pragmaValue(query, QStringLiteral("page_count"));
    const qint64 freePages = pragmaValue(query, QStringLiteral("freelist_count"));
    if (pages < 0 || freePages < 0)
        return false;
    if (pages > 0 && double(freePages) / double(pages) > VacuumFreeShare) {
        if (!query.exec(QStringLiteral("VACUUM;"))) {
            qCWarning(lcCore) << query.lastError().text();
            ok = false;
        }
    }
    return ok;
}
