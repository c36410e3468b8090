#pragma once

#include "databasemanager.h"
#include "linktiming.h"
#include "node.h"
#include "treemodel.h"
#include "writebatch.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

// A fresh copy of the shipped database as the default connection, the
// tables filled for the benches, and the database manager's upkeep beside
// them as the program runs it.

class FreshDatabase
{
public:
    FreshDatabase()
    {
        const QString path = dir.filePath(QStringLiteral("brenik.db"));
        QFile::copy(QStringLiteral(LUMETRA_RUNTIME_DIR "/brenik.db"), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        qputenv("LUMETRA_HOME", dir.path().toUtf8());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(path);
        db.open();
    }
    ~FreshDatabase()
    {
        WriteBatch::instance().commit();
        QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    }
    QTemporaryDir dir;
};

// The same, prepared as the program's start prepares it.
struct PreparedDatabase : FreshDatabase
{
    PreparedDatabase() { DatabaseManager::prepareForUse(); }
};

// Link timings for a client that stands without a controller behind it:
// no watchdog, no retry and no read sweep of its own end its data (a
// retry's new connection would find them invalid).
inline LinkTiming standingLinkTiming()
{
    constexpr int Day = 24 * 60 * 60 * 1000;
    LinkTiming timing;
    timing.heartbeatTimeoutMs = Day;
    timing.retryIntervalMs = Day;
    timing.connectWaitMs = Day;
    timing.sweepStartDelayMs = Day;
    timing.readReplyTimeoutMs = Day;
    return timing;
}

// A figure of the process's /proc/self/status in MB: its resident memory
// unless another `field` is named.
inline double residentMB(const char* field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// Nothing of `file` (and its write-ahead log) stays in the page cache: a
// file as a restarted machine finds it.
inline void dropFromCache(const QString& file)
{
    for (const char* suffix : {"", "-wal"}) {
        const int fd = ::open(QFile::encodeName(file + QLatin1String(suffix)).constData(), O_RDONLY);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// `rows` alarm rows spread evenly over the last `days` days, in the four
// kinds the log shows, replacing what the table holds.
inline void fillAlarmLog(qint64 rows, int days)
{
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery query;
    query.exec(QStringLiteral("delete from logAlarm"));
    db.transaction();
    query.prepare(QStringLiteral("insert into logAlarm(datetime, source, reason, info) values(?, ?, ?, ?)"));
    const QDateTime start = QDateTime::currentDateTime().addDays(-days);
    const char* const kinds[] = {"change status to OK", "change status to Warning", "change status to Critical",
                                 "change status to Failure"};
    for (qint64 i = 0; i < rows; ++i) {
        query.addBindValue(start.addSecs(i * days * 86400 / rows).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss ")));
        query.addBindValue(QStringLiteral("Energizer %1").arg(i % 32));
        query.addBindValue(QStringLiteral("Fence alarm %1").arg(i % 2 + 1));
        query.addBindValue(QString::fromLatin1(kinds[i % 4]));
        query.exec();
    }
    db.commit();
}

// `rows` voltage rows over the last 28 days, of which the oldest `perMille`
// are then deleted (as the nightly age delete does), in a file that gives
// free pages back in steps (`stepwise`, as shipped) or in the format of
// older databases.
inline void fillVoltageLog(qint64 rows, int perMille, bool stepwise)
{
    QSqlQuery query;
    query.exec(stepwise ? QStringLiteral("PRAGMA auto_vacuum = INCREMENTAL") : QStringLiteral("PRAGMA auto_vacuum = NONE"));
    query.exec(QStringLiteral("VACUUM"));
    query.prepare(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
        "INSERT INTO logVoltage(datetime, voltage, sector, energizer_no) "
        "SELECT datetime(? + i / 96, 'unixepoch', 'localtime'), 8000 + i % 1000, i % 3 - 1, i % 32 + 1 FROM n"));
    query.addBindValue(rows - 1);
    query.addBindValue(QDateTime::currentDateTime().addDays(-28).toSecsSinceEpoch());
    query.exec();
    query.prepare(QStringLiteral("delete from logVoltage where id <= ?"));
    query.addBindValue(rows * perMille / 1000);
    query.exec();
}

// One gateway of 32 energizers in an energizer model, for the voltage log.
struct EnergizerSite
{
    EnergizerSite()
    {
        auto* root = new Node(QStringLiteral("Name"));
        model.setRootNode(root);
        gateway = new Node(QStringLiteral("127.0.0.1"), root);
        for (int i = 1; i <= 32; ++i)
            (new Node(QStringLiteral("Energ%1").arg(i), gateway))->type = Node::StatusRow;
    }
    TreeModel model;
    Node* gateway = nullptr;
};

// The database manager's upkeep on a thread of its own for as long as the
// object lives. Asked for by name: builds without an upkeep ignore it.
class UpkeepThread
{
public:
    UpkeepThread()
    {
        auto* manager = new DatabaseManager;
        manager->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, manager, &QObject::deleteLater);
        QObject::connect(manager, &DatabaseManager::upkeepDone, &m_ended, [this] {
            m_done = true;
            m_ended.quit();
        });
        m_thread.start();
        QMetaObject::invokeMethod(manager, "startUpkeep", Qt::QueuedConnection);
    }
    ~UpkeepThread()
    {
        m_thread.quit();
        m_thread.wait();
    }

    // Returns once the upkeep has told its end, the events running meanwhile.
    void waitForEnd()
    {
        if (!m_done)
            m_ended.exec();
    }

private:
    QEventLoop m_ended;
    bool m_done = false;
    QThread m_thread;
};

#include <sys/mman.h>

#include <algorithm>
#include <vector>

// The share of `file`'s pages that sit in the page cache now (0 to 1), or
// -1 if it cannot be told. The file is mapped only to ask the kernel
// (mincore), which reads nothing in; the mapping is gone on return, so it
// keeps no page from being dropped.
inline double residentShare(const QString& file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    if (fd < 0)
        return -1;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    double share = -1;
    if (size > 0) {
        void* map = ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) {
            const long page = ::sysconf(_SC_PAGESIZE);
            const size_t pages = size_t((size + page - 1) / page);
            std::vector<unsigned char> resident(pages);
            if (::mincore(map, size_t(size), resident.data()) == 0)
                share = double(std::count_if(resident.begin(), resident.end(), [](unsigned char p) { return p & 1; }))
                    / double(pages);
            ::munmap(map, size_t(size));
        }
    }
    ::close(fd);
    return share;
}
