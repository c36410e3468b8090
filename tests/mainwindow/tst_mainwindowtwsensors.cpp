#include "mainwindow.h"
#include "sitetrees.h"

#include "gatewaysimulator.h"
#include "messagecatcher.h"
#include "node.h"
#include "operatorclick.h"
#include "qtclienttw.h"
#include "sitemutex.h"
#include "sqlrows.h"
#include "testhome.h"
#include "treemodel.h"
#include "twcontrolunit.h"
#include "twsensorsstateswidget.h"

#include <QDockWidget>
#include <QLabel>
#include <QPointer>
#include <QThread>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

class TstMainWindowTWSensors : public QObject
{
    Q_OBJECT

private:
    TestHome home;

    static Node* twSystem(const MainWindow& window)
    {
        return window.trees()->twSensorModel()->rootNode()->child(0);
    }

    static int columnOf(Node* node, int column)
    {
        SiteLocker lock;
        return node->data(column).toInt();
    }

    static int stateByte(Node* sensor)
    {
        SiteLocker lock;
        return sensor->record[1];
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.openDatabase());
    }

    void unitThreadClientAndTree()
    {
        MessageCatcher catcher;
        auto window = std::make_unique<MainWindow>();
        QPointer<QThread> thread = window->units()->twControlUnit()->thread();
        QCOMPARE(thread->objectName(), QStringLiteral("TWSensorsThread"));
        QVERIFY(thread->isRunning());
        QCOMPARE(window->units()->twControlUnit()->twModel, window->trees()->twSensorModel());
        qtClientTW* client = window->units()->twClient();
        QCOMPARE(client->objectName(), QStringLiteral("TWSensorsClient"));
        QCOMPARE(client->mode, 1);
        QCOMPARE(client->port(), qtClient::kTwPort);
        QCOMPARE(client->thread(), QThread::currentThread());
        QVERIFY(window->findChild<QDockWidget*>(QStringLiteral("dockSensorsState")));
        QCOMPARE(window->findChild<TWSensorsStatesWidget*>()->parent()->objectName(), QStringLiteral("dockSensorsState"));

        // One TW system with 31 sensors, all disabled until set up.
        QCOMPARE(window->trees()->twSensorModel()->rootNode()->childCount(), 1);
        Node* system = twSystem(*window);
        QCOMPARE(system->type, int(Node::TWSystem));
        QVERIFY(!system->enabled);
        QCOMPARE(system->data(0).toString() + system->deviceNode->data(0).toString(), QStringLiteral("Untitled 1Untitled 1"));
        QCOMPARE(system->data(2).toString(), QStringLiteral("Untitled 1"));
        QCOMPARE(system->data(1).toInt(), 0);
        QCOMPARE(system->data(3).toInt(), 0);
        QCOMPARE(system->childCount(), SiteTrees::TWSensorCount);
        for (int n = 1; n <= system->childCount(); ++n) {
            Node* sensor = system->child(n - 1);
            QCOMPARE(sensor->type, int(Node::TWSensor));
            QVERIFY(!sensor->enabled);
            QCOMPARE(sensor->data(0).toString(), QStringLiteral("Sensor%1").arg(n));
            QCOMPARE(sensor->data(1).toInt(), 0);
            QCOMPARE(sensor->columnCount(), 4);
        }

        window.reset();
        QVERIFY(thread.isNull());
        QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
    }

    // The simulated TW controller reports sensor 2 in alarm: across the real
    // threads the sensor's row turns Alarm and one alarm line is written.
    void alarmFromTheControllerToTheLog()
    {
        MessageCatcher catcher;
        QVERIFY(sqlRows(QStringLiteral("delete from logAlarm")).isEmpty());
        auto window = std::make_unique<MainWindow>();
        Node* system = twSystem(*window);
        {
            SiteLocker lock;
            system->enabled = true;
            for (int n = 0; n < 3; ++n)
                system->child(n)->enabled = true;
        }
        window->findChild<TWSensorsStatesWidget*>()->filtering();

        GatewaySimulator sim;
        sim.setTwMode(true);
        QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.3"))));
        {
            SiteLocker lock;
            system->setData(0, sim.address().toString());
        }
        qtClientTW* client = window->units()->twClient();
        client->setPort(sim.port());
        client->moveTo(sim.address().toString());
        QVERIFY(sim.waitForFunction(43, 1));

        sim.setSensorStates(QByteArray::fromHex("ffddff"));
        sim.sendStates();
        Node* sensor = system->child(1);
        QTRY_COMPARE_WITH_TIMEOUT(columnOf(sensor, TWControlUnit::StatusColumn), int(SensorState::Alarm), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(
            sqlRows(QStringLiteral("select source || '|' || info from logAlarm where reason = 'Alarm'")),
            QStringList{QStringLiteral("Sensor2|change sensor status to Alarm")}, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(sqlRows(QStringLiteral("select count(*) from logAlarm where reason = 'Ready'")),
                                  QStringList{QStringLiteral("2")}, 5000);
        {
            SiteLocker lock;
            TreeModel* sensors = window->trees()->twSensorModel();
            QCOMPARE(sensors->index(1, 1, sensors->index(0, 0)).data().toString(),
                     QStringLiteral("Alarm"));
        }

        // The same states again change nothing; the alarm stays one line.
        sim.sendStates();
        sim.setSensorStates(QByteArray::fromHex("ffeeff"));
        sim.sendStates();
        QTRY_COMPARE_WITH_TIMEOUT(stateByte(sensor), 0xEE, 5000);
        QCOMPARE(sqlRows(QStringLiteral("select count(*) from logAlarm")), QStringList{QStringLiteral("3")});

        // The states view, its dock's tab brought to the front, hides the Ready sensors when asked to.
        window->findChild<QDockWidget*>(QStringLiteral("dockSensorsState"))->raise();
        auto* tree = window->findChild<TWSensorsStatesWidget*>()->findChild<QTreeView*>(QStringLiteral("sensorStatesTree"));
        QVERIFY(operatorClick(window->findChild<TWSensorsStatesWidget*>()->findChild<QToolButton*>(QStringLiteral("btnShowAllAlarms"))));
        const QModelIndex systemRow = tree->model()->index(0, 0);
        QCOMPARE(tree->model()->rowCount(systemRow), 1);
        QCOMPARE(tree->model()->index(0, 0, systemRow).data().toString(), QStringLiteral("Sensor2"));

        window.reset();
        QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
    }

    // The TW field names the system the link dials unless it is the only one shown, also once it is disabled.
    void fieldNamesTheDialledSystem()
    {
        auto window = std::make_unique<MainWindow>();
        Node* systems[2] = {twSystem(*window), window->trees()->buildTWSensorTree(QStringLiteral("B"), 1, nullptr)};
        const auto show = [&systems, &window](bool first, bool second) {
            for (int i : {0, 1}) {
                SiteLocker lock;
                systems[i]->setData(0, QStringLiteral("127.0.0.6%1").arg(i + 1));
                systems[i]->enabled = i == 0 ? first : second;
                lock.unlock();
                window->trees()->twSensorModel()->refreshNode(systems[i]);
            }
            QCoreApplication::sendPostedEvents();
            return window->findChild<QLabel*>(QStringLiteral("twStatusLabel"))->text().endsWith(" (TW system 127.0.0.62)");
        };
        window->units()->twClient()->setPort(0);
        window->units()->twClient()->moveTo(QStringLiteral("127.0.0.62"));
        for (const auto& [first, second, named] : {std::tuple{true, true, true}, {true, false, true}, {false, false, true}, {false, true, false}})
            QCOMPARE(show(first, second), named);
    }
};

QTEST_MAIN(TstMainWindowTWSensors)
#include "tst_mainwindowtwsensors.moc"
