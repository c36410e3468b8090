#include "apppaths.h"
#include "databasemanager.h"
#include "messagecatcher.h"
#include "testhome.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

class TestDatabaseManager : public QObject
{
    Q_OBJECT
private slots:
    void opensOnItsThreadAndServesTheGuiThread();
    void appPathsFollowTheOverride();
    void startUpMaintenance_data();
    void startUpMaintenance();
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

void TestDatabaseManager::startUpMaintenance_data()
{
    QTest::addColumn<int>("deletedPercent");
    QTest::addColumn<bool>("vacuumed");
    QTest::newRow("a few free pages stay") << 5 << false;
    QTest::newRow("half the file free") << 50 << true;
}

// Start-up switches to the write-ahead log with full sync and rewrites the
// file only when a real share of it is free.
void TestDatabaseManager::startUpMaintenance()
{
    QFETCH(int, deletedPercent);
    QFETCH(bool, vacuumed);
    TestHome home;
    QVERIFY(home.openDatabase());
    QSqlQuery query;
    QVERIFY(QSqlDatabase::database().transaction());
    QVERIFY(query.prepare(QStringLiteral("insert into logAlarm(datetime, info) values('01.01.2026 00:00:00 ', ?)")));
    for (int i = 0; i < 2000; ++i) {
        query.addBindValue(QString(400, QLatin1Char('a' + i % 26)));
        QVERIFY(query.exec());
    }
    QVERIFY(QSqlDatabase::database().commit());
    QVERIFY(query.exec(QStringLiteral("delete from logAlarm where id <= %1").arg(deletedPercent * 20)));

    QVERIFY(DatabaseManager::prepareForUse());
    auto pragma = [&query](const char* name) {
        query.exec(QStringLiteral("PRAGMA ") + QLatin1String(name));
        return query.next() ? query.value(0).toString() : QString();
    };
    QCOMPARE(pragma("journal_mode"), QStringLiteral("wal"));
    QCOMPARE(pragma("synchronous"), QStringLiteral("2")); // FULL
    QCOMPARE(pragma("freelist_count").toInt() == 0, vacuumed);
    query = QSqlQuery();
}

QTEST_GUILESS_MAIN(TestDatabaseManager)
#include "tst_databasemanager.moc"
