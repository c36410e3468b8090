#include "writebatch.h"
#include "corelogging.h"

#include <QCoreApplication>
#include <QDebug>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

WriteBatch::WriteBatch(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(CommitDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &WriteBatch::commit);
}

WriteBatch::~WriteBatch()
{
    commit();
}

WriteBatch& WriteBatch::instance()
{
    static QPointer<WriteBatch> batch;
    if (!batch) {
        // Parented to the application so it goes before the connection does;
        // rows still pending when the event loop ends are committed then.
        batch = new WriteBatch(QCoreApplication::instance());
        if (QCoreApplication::instance())
            connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, batch.data(), &WriteBatch::commit);
    }
    return *batch;
}

namespace {

QSqlDatabase defaultConnection()
{
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

} // namespace

bool WriteBatch::openOnCurrentConnection() const
{
    if (!m_open || !m_driver)
        return false;
    const QSqlDatabase db = defaultConnection();
    return db.isOpen() && db.driver() == m_driver.data();
}

bool WriteBatch::join()
{
    if (openOnCurrentConnection())
        return true;
    QSqlDatabase db = defaultConnection();
    if (!db.isOpen() || !db.transaction()) {
        m_open = false;
        return false;
    }
    m_open = true;
    m_driver = db.driver();
    m_timer.start();
    return true;
}

bool WriteBatch::commit()
{
    m_timer.stop();
    const bool open = openOnCurrentConnection();
    m_open = false;
    if (!open)
        return true;
    QSqlDatabase db = defaultConnection();
    if (db.commit()) {
        emit committed();
        return true;
    }
    const QString error = db.lastError().text();
    qCWarning(lcCore) << "Log rows not committed:" << error;
    db.rollback();
    emit commitFailed(error);
    return false;
}
