#include "mainwindow.h"
#include "workspacearea.h"
#include "commandrouter.h"

#include "alarmsarea.h"
#include "controlunit.h"
#include "gatewaysimulator.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "messagecatcher.h"
#include "qtclienttw.h"
#include "apppaths.h"
#include "sitefixture.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "sqlrows.h"
#include "testhome.h"
#include "writebatch.h"
#include "treemodel.h"

#include <QDir>
#include <QGraphicsView>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QSettings>
#include <QThread>
#include <QtTest>

namespace {

int statusOf(Node* row)
{
    SiteLocker lock;
    return row->data(Node::kStatusColumn).toInt();
}

// Red pixels on the fence line's path, rendered as the view shows the scene.
int redPixels(GraphicsScene* scene, GraphicsLine* line)
{
    const QRectF area = line->sceneBoundingRect();
    QImage image(area.size().toSize(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene->render(&painter, QRectF(QPointF(), area.size()), area);
    painter.end();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += image.pixelColor(x, y) == QColor(255, 0, 0);
    return red;
}

} // namespace

// The whole road on loopback: a simulated gateway's alarm turns the fence
// line red and blinking, reaches the alarm log; a command reaches the
// gateway as one write frame; a lost link shows and resets the rows; closing
// finishes the threads.
class TstE2ESite : public QObject
{
    Q_OBJECT
    TestHome home;

    // The workspace's TW system with its first three sensors enabled and
    // hung under a TW sector circle on the map.
    // Under the TW system at `address`.
    static GraphicsCircle* placeTWSector(GraphicsScene* scene, const SiteTrees& trees, const QString& address)
    {
        auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
        circle->setPos(600, 320);
        scene->addItem(circle);
        trees.elementModel()->insertNode(scene->workplaceNode(), -1, circle->node());
        Node* system = trees.twSensorModel()->rootNode()->child(0);
        system->enabled = true;
        {
            SiteLocker lock;
            system->setData(0, address);
            system->deviceNode->setData(0, address);
        }
        for (int n = 0; n < 3; ++n) {
            auto* element = new Node(QStringLiteral("Sensor%1").arg(n + 1));
            element->type = Node::TWSensor;
            element->columns = {element->name, QString()};
            trees.elementModel()->insertNode(circle->node(), -1, element);
            SiteLocker lock;
            Node* sensor = system->child(n);
            sensor->enabled = true;
            element->deviceNode = sensor;
            sensor->deviceNode = element;
        }
        return circle;
    }

    static void bringUp(MainWindow& window, GatewaySimulator& sim)
    {
        connectGatewayLink(window, sim);
        if (QTest::currentTestFailed())
            return;
        sim.sendHeartbeat();
        QTRY_COMPARE_WITH_TIMEOUT(window.findChild<QLabel*>(QStringLiteral("gatewayStatusLabel"))->text(), QStringLiteral("EnergConnection: Updated"),
                                  10000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.openDatabase());
        QSettings settings(AppPaths::settings(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("LoadLastFile"), false);
        settings.setValue(QStringLiteral("SoundAlarmActive"), false);
        settings.setValue(QStringLiteral("Scale"), 2);
        settings.sync();
        QDir().mkpath(QStringLiteral(LUMETRA_ARTIFACTS_DIR));
    }

    void siteAlarmEndToEnd()
    {
        MessageCatcher catcher;
        GatewaySimulator sim;
        sim.setDeviceCounts(2, 1);
        sim.setBlock(1, energizerRecord(1));
        sim.setBlock(2, energizerRecord(2));
        QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.62"))));

        auto window = std::make_unique<MainWindow>();
        window->resize(1200, 800);
        window->show();
        GraphicsScene* scene = window->workspaces()->currentScene();
        SiteFixture site = SiteFixture::place(scene, sim.address().toString());
        Node* row = site.row(1);

        // Steps 1-2: the link comes up and the read sweep fills the rows.
        bringUp(*window, sim);
        if (QTest::currentTestFailed())
            return;

        // The TW controller reports sensor 2 in alarm: its sector circle follows.
        GatewaySimulator twSim;
        twSim.setTwMode(true);
        QVERIFY(twSim.listen(QHostAddress(QStringLiteral("127.0.0.63"))));
        GraphicsCircle* circle = placeTWSector(scene, *window->trees(), twSim.address().toString());
        qtClientTW* twClient = window->units()->twClient();
        twClient->setPort(twSim.port());
        twClient->moveTo(twSim.address().toString());
        QVERIFY(twSim.waitForFunction(43, 1));
        twSim.setSensorStates(QByteArray::fromHex("ffddff"));
        twSim.sendStates();
        QTRY_COMPARE_WITH_TIMEOUT(window->findChild<QLabel*>(QStringLiteral("twStatusLabel"))->text(), QStringLiteral("TW Connection: Updated"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(circle->state(), int(SensorState::Alarm), 5000);

        // Step 3: normal state, the line in the no-alarm colour.
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(row), int(Node::OK), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(site.fence->statusColor(), QColor(0, 255, 0), 5000);

        // Step 4: the gateway writes a fence alarm of energizer 1.
        sim.setBlock(1, energizerRecord(1, 0x80));
        sim.pushWrite(1);
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(row), int(Node::Critical), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(site.fence->statusColor(), QColor(255, 0, 0), 5000);
        QVERIFY(site.fence->alarmStatus() != 0);
        // It blinks: red on the rendered map in one tick, gone in another.
        QTRY_VERIFY_WITH_TIMEOUT(redPixels(scene, site.fence) > 100, 5000);
        window->grab().save(QStringLiteral(LUMETRA_ARTIFACTS_DIR "/site-alarm.png"));
        QTRY_COMPARE_WITH_TIMEOUT(redPixels(scene, site.fence), 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(
            !sqlRows(QStringLiteral("select reason from logAlarm where source='Energ1'")).isEmpty(), 5000);

        // Step 5: an operator command reaches the gateway as one write frame.
        sim.clearReceived();
        window->commands()->commandSending(site.energizer(1)->child(0), false, ActivateEnergZone1);
        QVERIFY(sim.waitForFunction(16, 1));
        const QByteArray frame = sim.receivedWithFunction(16).first();
        QCOMPARE(quint8(frame.at(13)), quint8(1));   // device 1
        QCOMPARE(sqlRows(QStringLiteral("select info from logUserAction where subject='Energizer'")),
                 QStringList{QStringLiteral("ActivateEnergZone1 Sector1 set to false")});

        // Clearing the alarms of the workspace's TW system sends the TW
        // controller its one command, the Global Reset.
        Node* twSystem = nullptr;
        for (Node* child : scene->workplaceNode()->children)
            if (child->type == Node::TWSystem)
                twSystem = child;
        QVERIFY(twSystem);
        twSim.clearReceived();
        window->commands()->commandSending(twSystem, true, ClrAlms);
        QVERIFY(twSim.waitForFunction(16, 1));
        QCOMPARE(twSim.receivedWithFunction(16).first().toHex(),
                 QByteArray("00000001000f0110000000080800000500000300" "00"));

        // Step 6: the gateway drops the link.
        QVERIFY(WriteBatch::instance().commit());
        const int checkPoints = sqlRows(QStringLiteral("select id from logVoltage where voltage=0")).size();
        sim.closeConnection();
        QTRY_VERIFY_WITH_TIMEOUT(window->findChild<QLabel*>(QStringLiteral("gatewayStatusLabel"))->text().startsWith(QStringLiteral("EnergConnection: ")) &&
                                     window->findChild<QLabel*>(QStringLiteral("gatewayStatusLabel"))->styleSheet() == QStringLiteral("background-color:red;"),
                                 5000);
        QCOMPARE(statusOf(row), int(Node::Failure));
        QCOMPARE(statusOf(site.row(40)), int(Node::Failure));
        QTRY_VERIFY(sqlRows(QStringLiteral("select id from logVoltage where voltage=0")).size() > checkPoints);
        // Each lost link leaves one row in the alarm log, the TW link's too.
        const QString lostRows = QStringLiteral("select source from logAlarm where info like 'Link lost%' order by id");
        QTRY_COMPARE_WITH_TIMEOUT(sqlRows(lostRows), QStringList{sim.address().toString()}, 5000);
        twSim.closeConnection();
        QTRY_COMPARE_WITH_TIMEOUT(sqlRows(lostRows).size(), 2, 5000);

        // Step 7: closing logs once and finishes the unit threads.
        QPointer<QThread> thread = window->units()->controlUnitThread();
        window->close();
        window.reset();
        QVERIFY(thread.isNull());
        QCOMPARE(sqlRows(QStringLiteral("select count(*) from logUserAction where info='Application closed'")),
                 QStringList{QStringLiteral("1")});
        QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
    }

    // Heartbeats already queued for a gateway that the site no longer has
    // (a reloaded project) are dropped, and the window goes on.
    void retiredGatewayWhileStreaming()
    {
        MessageCatcher catcher;
        GatewaySimulator sim;
        sim.setDeviceCounts(2, 1);
        sim.setBlock(1, energizerRecord(1, 0x80));
        QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.64"))));
        auto window = std::make_unique<MainWindow>();
        SiteFixture site = SiteFixture::place(window->workspaces()->currentScene(), sim.address().toString());
        bringUp(*window, sim);
        if (QTest::currentTestFailed())
            return;
        QSignalSpy images(window->units()->fenceClient(), &qtClient::tcpInUpdate);
        sim.startHeartbeats(10);
        QTRY_VERIFY_WITH_TIMEOUT(images.count() >= 3, 5000);

        // Map items go before the nodes they point at.
        Node* element = site.gateway->node();
        delete site.fence;
        delete site.gateway;
        window->trees()->energizerModel()->clear();
        window->trees()->elementModel()->takeNode(element);
        delete element;

        const int seen = images.count();
        QTRY_VERIFY_WITH_TIMEOUT(images.count() >= seen + 5, 5000);
        QCoreApplication::processEvents();
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("gatewayStatusLabel"))->text(), QStringLiteral("EnergConnection: Updated"));
        sim.stopHeartbeats();
        window.reset();
        QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
    }
};

QTEST_MAIN(TstE2ESite)
#include "tst_e2e_site.moc"
