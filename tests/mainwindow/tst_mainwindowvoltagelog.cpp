#include "mainwindow.h"
#include "logsarea.h"

#include "controlunit.h"
#include "globals.h"
#include "modalanswerer.h"
#include "node.h"
#include "resources.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "sqlrows.h"
#include "testhome.h"
#include "writebatch.h"
#include "timerunit.h"
#include "treemodel.h"
#include "voltagediagrammsdlg.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

// The main window's part in the voltage log: the menu that opens it, the
// control unit's rows, the check points and the nightly tick.
class TestMainWindowVoltageLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void menuOpensTheDiagrams_data();
    void menuOpensTheDiagrams();
    void controlUnitRowsAreWritten();
    void checkPoints();
    void tickRunsTheNightlyClear();

private:
    static QStringList voltageRows()
    {
        WriteBatch::instance().commit();
        return sqlRows(QStringLiteral("select energizer_no || '/' || sector from logVoltage order by id"));
    }

    std::unique_ptr<TestHome> m_home;
};

void TestMainWindowVoltageLog::initTestCase()
{
    initLumetraResources();
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
    QVERIFY(m_home->openDatabase());
    g_currentUser = QStringLiteral("admin");
}

void TestMainWindowVoltageLog::init()
{
    WriteBatch::instance().commit();
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("delete from logVoltage")));
    QVERIFY(query.exec(QStringLiteral("delete from logUserAction")));
}

void TestMainWindowVoltageLog::cleanupTestCase()
{
    m_home.reset();
}

void TestMainWindowVoltageLog::menuOpensTheDiagrams_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("title");
    QTest::newRow("battery") << "actBatteryDiagram" << "Battery voltage diagram";
    QTest::newRow("output") << "actOutputDiagram" << "Output voltage diagram";
}

void TestMainWindowVoltageLog::menuOpensTheDiagrams()
{
    QFETCH(QString, action);
    QFETCH(QString, title);
    MainWindow window;
    auto* menuService = window.menuBar()->findChild<QMenu*>(QStringLiteral("menuService"));
    QVERIFY(menuService);
    auto* menu = menuService->findChild<QMenu*>(QStringLiteral("menuVoltageDiagrams"));
    QVERIFY(menu);
    QAction* act = nullptr;
    for (QAction* candidate : menu->actions()) {
        if (candidate->objectName() == action)
            act = candidate;
    }
    QVERIFY(act);

    QString shown;
    answerNextModal([&shown](QWidget* dialog) {
        shown = dialog->windowTitle();
        dialog->close();
    });
    act->trigger();
    QCOMPARE(shown, title);
}

void TestMainWindowVoltageLog::controlUnitRowsAreWritten()
{
    MainWindow window;
    Node* energizer = nullptr;
    {
        SiteLocker lock;
        auto* gateway = new Node(QStringLiteral("127.0.0.1"));
        window.trees()->energizerModel()->insertNode(window.trees()->energizerModel()->rootNode(), 0, gateway);
        new Node(QStringLiteral("Energ1"), gateway);
        energizer = new Node(QStringLiteral("Energ2"), gateway);
    }
    QDateTime now(QDate(2026, 3, 6), QTime(9, 0));
    window.logs()->voltageDiagrammsDlg->setClock([&now] { return now; });
    now = now.addSecs(200);

    // The control unit emits on its own thread; the rows cross to the GUI.
    QVERIFY(QMetaObject::invokeMethod(window.units()->controlUnit(), "writeVoltageLog", Qt::QueuedConnection,
                                      Q_ARG(Node*, energizer)));
    QTRY_COMPARE_WITH_TIMEOUT(voltageRows(), (QStringList{QStringLiteral("2/-1"), QStringLiteral("2/0"),
                                                         QStringLiteral("2/1")}),
                              5000);
}

void TestMainWindowVoltageLog::checkPoints()
{
    {
        MainWindow window;
        emit window.units()->fenceClient()->commStatus(qtClient::GettingData);
        emit window.units()->fenceClient()->commStatus(qtClient::Updated);
        QCOMPARE(voltageRows(), QStringList{});
        emit window.units()->fenceClient()->commStatus(qtClient::Connected);
        emit window.units()->fenceClient()->commStatus(qtClient::HeartBeatTimedOut);
        emit window.units()->fenceClient()->commStatus(qtClient::ConnectionClosedByServer);
        QCOMPARE(voltageRows(), QStringList(QVector<QString>(3, QStringLiteral("0/0")).toList()));
    }
    // One more as the window goes.
    QCOMPARE(voltageRows(), QStringList(QVector<QString>(4, QStringLiteral("0/0")).toList()));
}

void TestMainWindowVoltageLog::tickRunsTheNightlyClear()
{
    {
        QSettings settings(m_home->filePath(QStringLiteral("setting.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("VL_KeepDays"), 0);
        // The day before the tick below, whatever a real midnight stored.
        settings.setValue(QStringLiteral("VL_LastClear"), QDate(2026, 3, 6));
    }
    MainWindow window;
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("insert into logVoltage(datetime, voltage, sector, energizer_no) "
                                      "values('2026-03-06 10:00:00', 12, -1, 1)")));
    const QDateTime midnight(QDate(2026, 3, 7), QTime(0, 0, 5));
    window.logs()->voltageDiagrammsDlg->setClock([midnight] { return midnight; });

    QVERIFY(QMetaObject::invokeMethod(window.units()->timerUnit(), "timerTick", Qt::QueuedConnection));
    QTRY_COMPARE_WITH_TIMEOUT(voltageRows(), QStringList{}, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(sqlRows(QStringLiteral("select subject || ' ' || info from logUserAction"))
                                 .contains(QStringLiteral("VoltageLog Clear log voltage")),
                             5000);
}

QTEST_MAIN(TestMainWindowVoltageLog)
#include "tst_mainwindowvoltagelog.moc"
