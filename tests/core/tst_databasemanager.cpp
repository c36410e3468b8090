#include "apppaths.h"
#include "databasemanager.h"
#include "messagecatcher.h"
#include "scopedhook.h"
#include "testhome.h"
#include "writebatch.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

#include <dlfcn.h>

class UpkeepRelay : public QObject
{
    Q_OBJECT
signals:
    void done(bool ok);
};

class TestDatabaseManager : public QObject
{
    Q_OBJECT
private slots:
    void opensOnItsThreadAndServesTheGuiThread();
    void appPathsFollowTheOverride();
    void upkeep_data();
    void upkeep();
    void checkpointsWithoutUpkeep();
};

// The connection is opened on the manager's thread; afterwards a default
// query on the GUI thread must work without Qt's thread-ownership warning.
void TestDatabaseManager::opensOnItsThreadAndServesTheGuiThread()
{
    TestHome home;
    QVERIFY(home.isValid());
    MessageCatcher catcher;

    auto* manager = new DatabaseManager;
    QThread thread;
    manager->moveToThread(&thread);
    connect(&thread, &QThread::started, manager, &DatabaseManager::createConnection);
    connect(&thread, &QThread::finished, manager, &QObject::deleteLater);
    thread.start();
    const auto stopThread = qScopeGuard([&thread] {
        thread.quit();
        thread.wait(5000);
    });

    QTRY_VERIFY_WITH_TIMEOUT(manager->isOpen(), 30000);

    QSqlQuery query;
    QVERIFY2(query.exec(QStringLiteral("select count(*) from users where user='admin'")),
             qPrintable(query.lastError().text()));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);
    query.finish();
    QVERIFY(QSqlQuery().exec(QStringLiteral("VACUUM;")));

    // executeQuery is a placeholder that changes nothing.
    manager->executeQuery(QStringLiteral("delete from users"));
    QVERIFY(query.exec(QStringLiteral("select count(*) from users")));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);

    QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
    QVERIFY(!catcher.contains(QStringLiteral("not found")));

    query = QSqlQuery();
}

void TestDatabaseManager::appPathsFollowTheOverride()
{
    TestHome home;
    QCOMPARE(AppPaths::database(), home.filePath(QStringLiteral("brenik.db")));
    QCOMPARE(AppPaths::settings(), home.filePath(QStringLiteral("setting.ini")));
    qunsetenv("LUMETRA_HOME");
    QCOMPARE(AppPaths::homeDir(), QCoreApplication::applicationDirPath());
}

// What goes wrong at the start that puts the converted copy in the file's place.
enum class SwitchFault { None, RenameFails, TooManyChanges, CopyNotSetAside };
Q_DECLARE_METATYPE(SwitchFault)

// While set, the C library's rename, through which the switch is made, fails.
static std::atomic<bool> g_renameFails{false};
extern "C" int rename(const char* from, const char* to)
{
    using Rename = int (*)(const char*, const char*);
    static const auto next = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    if (g_renameFails) {
        errno = EACCES;
        return -1;
    }
    return next(from, to);
}

void TestDatabaseManager::upkeep_data()
{
    QTest::addColumn<bool>("stepwise"); // the file gives free pages back in steps, as shipped
    QTest::addColumn<int>("deletedPercent");
    QTest::addColumn<bool>("compacted");
    QTest::addColumn<SwitchFault>("fault");
    QTest::newRow("a few free pages stay") << true << 5 << false << SwitchFault::None;
    QTest::newRow("given back in steps") << true << 50 << true << SwitchFault::None;
    QTest::newRow("older file converted beside the program") << false << 50 << true << SwitchFault::None;
    QTest::newRow("the switch cannot rename") << false << 50 << true << SwitchFault::RenameFails;
    QTest::newRow("too many changes to switch at the start") << false << 50 << true << SwitchFault::TooManyChanges;
    QTest::newRow("too many changes, the copy cannot be set aside") << false << 50 << true << SwitchFault::CopyNotSetAside;
}

// Start-up only switches the journal, the sync and the busy timeout; the
// upkeep, on the manager's thread, gives free pages back when they are a
// real share of the file, and the log rows written meanwhile all arrive.
void TestDatabaseManager::upkeep()
{
    QFETCH(bool, stepwise);
    QFETCH(int, deletedPercent);
    QFETCH(bool, compacted);
    QFETCH(SwitchFault, fault);
    TestHome home;
    QVERIFY(home.openDatabase());
    QSqlQuery query;
    // Finished at once: an open read would keep this connection on an old
    // snapshot, and its writes refused, once the upkeep has written.
    auto value = [&query](const char* statement) {
        query.exec(QLatin1String(statement));
        const int result = query.next() ? query.value(0).toInt() : -1;
        query.finish();
        return result;
    };
    if (!stepwise) {
        QVERIFY(query.exec(QStringLiteral("PRAGMA auto_vacuum = NONE")) && query.exec(QStringLiteral("VACUUM")));
        QVERIFY(QFile::setPermissions(AppPaths::database(), QFile::ReadOwner | QFile::WriteOwner));
    }
    QVERIFY(QSqlDatabase::database().transaction());
    QVERIFY(query.prepare(QStringLiteral("insert into logAlarm(datetime, info) values('01.01.2026 00:00:00 ', ?)")));
    for (int i = 0; i < 2000; ++i) {
        query.addBindValue(QString(400, QLatin1Char('a' + i % 26)));
        QVERIFY(query.exec());
    }
    QVERIFY(QSqlDatabase::database().commit());
    QVERIFY(query.exec(QStringLiteral("delete from logAlarm where id <= %1").arg(deletedPercent * 20)));
    const int freePages = value("PRAGMA freelist_count");

    QVERIFY(DatabaseManager::prepareForUse());
    QCOMPARE(value("PRAGMA busy_timeout"), DatabaseManager::BusyTimeoutMs);
    QCOMPARE(value("PRAGMA synchronous"), 2); // FULL
    QCOMPARE(value("PRAGMA freelist_count"), freePages);

    // The program runs, and its upkeep with it, while log rows arrive.
    int rows = 0;
    const auto runUpkeep = [&rows] {
        DatabaseManager manager;
        QThread thread;
        manager.moveToThread(&thread);
        thread.start();
        // The spy listens on this thread: the manager signals from its own.
        UpkeepRelay relay;
        QObject::connect(&manager, &DatabaseManager::upkeepDone, &relay, &UpkeepRelay::done, Qt::QueuedConnection);
        QSignalSpy done(&relay, &UpkeepRelay::done);
        const ScopedHook retry(WriteBatch::instance(), &WriteBatch::setRetryDelay, 10, WriteBatch::RetryDelayMs);
        QMetaObject::invokeMethod(&manager, &DatabaseManager::startUpkeep, Qt::QueuedConnection);
        for (int written = 0; done.isEmpty() && written < 1000; ++written, ++rows) {
            WriteBatch::instance().append(QStringLiteral("insert into logAlarm(info) values(?)"), {rows});
            done.wait(5);
        }
        const bool ended = !done.isEmpty() || done.wait(30000);
        thread.quit();
        thread.wait(5000);
        QDeadlineTimer written(30000);
        while (WriteBatch::instance().pendingRows() > 0 && !written.hasExpired())
            QTest::qWait(10);
        return ended && done.first().first().toBool() && WriteBatch::instance().pendingRows() == 0;
    };
    // The program ends: nothing holds the file.
    const auto end = [&home, &query] {
        query = QSqlQuery();
        home.closeDatabase();
        bool ok = false;
        {
            QSqlDatabase elsewhere = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
            elsewhere.setDatabaseName(home.filePath(QStringLiteral("elsewhere.db")));
            ok = elsewhere.open() && WriteBatch::instance().commit(); // the writer lets go of the file
        }
        home.closeDatabase();
        return ok;
    };
    QVERIFY(runUpkeep());
    if (!stepwise) {
        // Changes after the copy was made reach it too. It takes the file's
        // place at the next start, the same as a rewrite in one go.
        QVERIFY(query.exec("update logAlarm set info = 'changed' where id = 1500"));
        QVERIFY(query.exec("delete from logAlarm where id = 1600"));
        QVERIFY(end());
        const QString copy = DatabaseManager::conversionFile(AppPaths::database());
        if (fault != SwitchFault::None) {
            // The start goes on with the file as it was, within its time.
            const bool renameFails = fault != SwitchFault::TooManyChanges;
            g_renameFails = renameFails;
            const int limit = fault == SwitchFault::RenameFails ? DatabaseManager::SwitchBacklogLimit : 1;
            const bool switched = DatabaseManager::finishConversion(AppPaths::database(), limit);
            g_renameFails = false;
            QVERIFY(!switched);
            QCOMPARE(QFileInfo::exists(copy), renameFails);
            QVERIFY(home.openDatabase());
            query = QSqlQuery();
            QCOMPARE(value("PRAGMA auto_vacuum"), 0);
            QCOMPARE(value("select info from logAlarm where id = 1500"), 0); // 'changed'
            // Changes are noted for the copy still to come, or no more.
            QCOMPARE(value("select count(*) from sqlite_master where type = 'trigger' and name like 'lumetra%'") > 0,
                     renameFails);
            // A later run converts again, or brings its changes into the copy.
            QVERIFY(query.exec("update logAlarm set info = 'later' where id = 1700"));
            QVERIFY(runUpkeep() && end());
        }
        QVERIFY(QFile::copy(AppPaths::database(), home.filePath(QStringLiteral("before.db"))));
        QVERIFY(DatabaseManager::finishConversion(AppPaths::database()));
        QVERIFY(!QFileInfo::exists(copy));
        // The copy keeps the file's owner-only mode through the switch.
        QCOMPARE(int(QFile::permissions(AppPaths::database()) & (QFile::ReadGroup | QFile::ReadOther)), 0);
        QVERIFY(home.openDatabase());
        query = QSqlQuery();
        QVERIFY(query.exec(QStringLiteral("attach database '%1' as before").arg(home.filePath(QStringLiteral("before.db")))));
        for (const char* table : {"users", "rights", "logAlarm", "logUserAction", "logVoltage", "sqlite_sequence", "sqlite_stat1"}) {
            const QString differ = QStringLiteral("select count(*) from (select * from %1.%3 except select * from %2.%3)");
            QCOMPARE(value(qPrintable(differ.arg("main", "before", table))), 0);
            QCOMPARE(value(qPrintable(differ.arg("before", "main", table))), 0);
        }
        QCOMPARE(value("select count(*) from sqlite_master where name like 'lumetra%'"), 0);
    }
    QCOMPARE(value("PRAGMA freelist_count") == 0, compacted);
    QCOMPARE(value("PRAGMA auto_vacuum"), stepwise || compacted ? 2 : 0);
    QCOMPARE(value("select count(*) from logAlarm where datetime is null"), rows);
    query = QSqlQuery();
}

// Without the upkeep's connection nobody would copy the write-ahead log into
// the file: the program's own connection takes that back.
void TestDatabaseManager::checkpointsWithoutUpkeep()
{
    TestHome home;
    QVERIFY(home.openDatabase() && DatabaseManager::prepareForUse());
    QSqlQuery query(QStringLiteral("PRAGMA wal_autocheckpoint"));
    QVERIFY(query.next() && query.value(0).toInt() == 0);
    qputenv("LUMETRA_HOME", home.filePath(QStringLiteral("missing")).toUtf8());
    DatabaseManager manager;
    QSignalSpy done(&manager, &DatabaseManager::upkeepDone);
    manager.startUpkeep();
    QCOMPARE(done.value(0), QVariantList{false});
    QTRY_VERIFY(query.exec() && query.next() && query.value(0).toInt() == DatabaseManager::AutoCheckpointPages);
}

QTEST_GUILESS_MAIN(TestDatabaseManager)
#include "tst_databasemanager.moc"
