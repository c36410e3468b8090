#include "alarmlogwidget.h"
#include "controlunit.h"
#include "deviceunits.h"
#include "twcontrolunit.h"
#include "globals.h"
#include "mainwindow.h"
#include "logsarea.h"
#include "resources.h"
#include "sqlrows.h"
#include "testhome.h"
#include "writebatch.h"
#include "useractionlogdlg.h"

#include <QDockWidget>
#include <QSqlError>
#include <QSqlQuery>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestMainWindowLogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void signalsReachTheLogs();
    void clearButtonFollowsTheRight_data();
    void clearButtonFollowsTheRight();

private:
    std::unique_ptr<TestHome> m_home;
};

void TestMainWindowLogs::initTestCase()
{
    initLumetraResources();
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
    QVERIFY(m_home->openDatabase());
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("insert into users (user, password, active, role_text, role_id) "
                                      "values ('op', '', 1, 'Operator', 2)")));
}

void TestMainWindowLogs::init()
{
    WriteBatch::instance().commit();
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("delete from logAlarm")));
    QVERIFY(query.exec(QStringLiteral("delete from logUserAction")));
}

void TestMainWindowLogs::cleanupTestCase()
{
    m_home.reset();
}

void TestMainWindowLogs::signalsReachTheLogs()
{
    g_currentUser = QStringLiteral("admin");
    MainWindow window;
    QCOMPARE(sqlRows(QStringLiteral("select user || ' ' || subject || ' ' || info from logUserAction")),
             QStringList{QStringLiteral("admin Application Application start")});
    QVERIFY(window.findChild<QDockWidget*>(QStringLiteral("dockLogs")));
    QVERIFY(window.findChild<QDockWidget*>(QStringLiteral("dockAlarmStates")));

    emit window.writeAlarmLog(QStringLiteral("Timer"), QStringLiteral("Relay"), QStringLiteral("Sending 3"));
    QVERIFY(WriteBatch::instance().commit());
    QCOMPARE(sqlRows(QStringLiteral("select source || ' ' || reason || ' ' || info from logAlarm")),
             QStringList{QStringLiteral("Timer Relay Sending 3")});

    // The units' rows reach the database while this thread handles nothing.
    const auto raise = [](auto* unit, const QString& source) {
        QMetaObject::invokeMethod(
            unit, [unit, source] { emit unit->writeAlarmLog(source, QStringLiteral("Unit"), QStringLiteral("OK")); },
            Qt::BlockingQueuedConnection);
    };
    raise(window.units()->controlUnit(), QStringLiteral("Energ1"));
    raise(window.units()->twControlUnit(), QStringLiteral("Sensor1"));
    const QString unitRows = QStringLiteral("select source from logAlarm where reason = 'Unit' order by id");
    const QDeadlineTimer deadline(60000);
    while (sqlRows(unitRows).size() < 2 && !deadline.hasExpired())
        QThread::yieldCurrentThread();
    QCOMPARE(sqlRows(unitRows), (QStringList{"Energ1", "Sensor1"}));

    emit window.writeUserActionLogList({{"ConfirmAlarm", "Alarm 1 is confirmed"}, {"ConfirmAlarm", "Alarm 2 is confirmed"}});
    QCOMPARE(sqlRows(QStringLiteral("select info from logUserAction order by id")),
             (QStringList{"Application start", "Alarm 1 is confirmed", "Alarm 2 is confirmed"}));

    // The alarm log's clearing is a user action.
    window.logs()->alarmLogWidget->clearLog(0);
    QCOMPARE(sqlRows(QStringLiteral("select count(*) from logAlarm")), QStringList{QStringLiteral("0")});
    QCOMPARE(sqlRows(QStringLiteral("select subject || ' ' || info from logUserAction order by id desc limit 1")),
             QStringList{QStringLiteral("AlarmLog Clear log alarm")});
}

void TestMainWindowLogs::clearButtonFollowsTheRight_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("shown");
    QTest::newRow("administrator") << "admin" << true;
    QTest::newRow("operator") << "op" << false;
    QTest::newRow("unknown") << "nobody" << false;
}

void TestMainWindowLogs::clearButtonFollowsTheRight()
{
    QFETCH(QString, user);
    QFETCH(bool, shown);
    g_currentUser = user;
    MainWindow window;
    QCOMPARE(!window.logs()->userActionLogDlg->clearButton->isHidden(), shown);
    QCOMPARE(window.logs()->userActionLogDlg->userName, user);
    QVERIFY(window.logs()->alarmLogWidget->clearButton->isHidden());
}

QTEST_MAIN(TestMainWindowLogs)
#include "tst_mainwindowlogs.moc"
