#include "databasemanager.h"

#include "apppaths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
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
        qWarning() << "Database file not found, an empty one will be created:" << path;
    database.setDatabaseName(path);
    if (!database.open()) {
        qWarning() << database.lastError().text();
        return;
    }
    if (QCoreApplication::instance())
        database.driver()->moveToThread(QCoreApplication::instance()->thread());
    m_open.store(true, std::memory_order_release);
}

void DatabaseManager::executeQuery(QString)
{
}

void DatabaseManager::stopped()
{
    qDebug() << "stopped";
}
