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

QTEST_GUILESS_MAIN(TestDatabaseManager)
#include "tst_databasemanager.moc"
