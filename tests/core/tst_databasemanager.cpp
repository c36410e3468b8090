#include "apppaths.h"
#include "databasemanager.h"
#include "messagecatcher.h"
#include "testhome.h"
#include "writebatch.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <memory>

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

    QTRY_VERIFY_WITH_TIMEOUT(manager->isOpen(), 3000);

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

void TestDatabaseManager::upkeep_data()
{
    QTest::addColumn<bool>("stepwise"); // the file gives free pages back in steps, as shipped
    QTest::addColumn<int>("deletedPercent");
    QTest::addColumn<bool>("compacted");
    QTest::newRow("a few free pages stay") << true << 5 << false;
    QTest::newRow("given back in steps") << true << 50 << true;
    QTest::newRow("older file converted beside the program") << false << 50 << true;
}

// Start-up only switches the journal, the sync and the busy timeout; the
// upkeep, on the manager's thread, gives free pages back when they are a
// real share of the file, and the log rows written meanwhile all arrive.
void TestDatabaseManager::upkeep()
{
    QFETCH(bool, stepwise);
    QFETCH(int, deletedPercent);
    QFETCH(bool, compacted);
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

    auto manager = std::make_unique<DatabaseManager>();
    QThread thread;
    manager->moveToThread(&thread);
    thread.start();
    // The spy listens on this thread: the manager signals from its own.
    UpkeepRelay relay;
    QObject::connect(manager.get(), &DatabaseManager::upkeepDone, &relay, &UpkeepRelay::done, Qt::QueuedConnection);
    QSignalSpy done(&relay, &UpkeepRelay::done);
    WriteBatch::instance().setRetryDelay(10);
    QMetaObject::invokeMethod(manager.get(), &DatabaseManager::startUpkeep, Qt::QueuedConnection);
    int rows = 0;
    for (; done.isEmpty() && rows < 1000; ++rows) {
        WriteBatch::instance().append(QStringLiteral("insert into logAlarm(info) values(?)"), {rows});
        done.wait(5);
    }
    QVERIFY(!done.isEmpty() || done.wait(30000));
    thread.quit();
    QVERIFY(thread.wait(5000));
    QTRY_COMPARE(WriteBatch::instance().pendingRows(), 0);
    WriteBatch::instance().setRetryDelay(WriteBatch::RetryDelayMs);
    QCOMPARE(done.first().first().toBool(), true);
    if (!stepwise) {
        // Changes after the copy was made reach it too. It takes the file's
        // place at the next start, the same as a rewrite in one go.
        QVERIFY(query.exec("update logAlarm set info = 'changed' where id = 1500"));
        QVERIFY(query.exec("delete from logAlarm where id = 1600"));
        query = QSqlQuery();
        manager.reset();
        home.closeDatabase();
        {
            QSqlDatabase elsewhere = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
            elsewhere.setDatabaseName(home.filePath(QStringLiteral("elsewhere.db")));
            QVERIFY(elsewhere.open() && WriteBatch::instance().commit()); // the writer lets go of the file
        }
        home.closeDatabase();
        QVERIFY(QFile::copy(AppPaths::database(), home.filePath(QStringLiteral("before.db"))));
        QVERIFY(DatabaseManager::finishConversion(AppPaths::database()));
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
