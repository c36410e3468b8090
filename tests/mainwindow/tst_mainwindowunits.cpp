#include "mainwindow.h"
#include "workspacearea.h"
#include "commandrouter.h"
#include "projectdocument.h"

#include "alarmcondition.h"
#include "controlunit.h"
#include "gatewaysimulator.h"
#include "gatewaysubtree.h"
#include "graphicsbox.h"
#include "handlemailbox.h"
#include "messagecatcher.h"
#include "modalanswerer.h"
#include "node.h"
#include "operatorclick.h"
#include "qtclienttw.h"
#include "sitefixture.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "sqlrows.h"
#include "testhome.h"
#include "timerunit.h"
#include "treemodel.h"
#include "twcontrolunit.h"

#include <QAbstractEventDispatcher>
#include <QPointer>
#include <QSemaphore>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>
#include <QtWidgets>

#include <atomic>
#include <thread>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

void installConditions()
{
    AlarmCondition fence;
    fence.AlarmPart = AlarmCondition::EnergizerPart;
    fence.EnergParam = EnergizerParam::FenceAlarm1;
    fence.AlarmStatus = Node::Critical;
    fence.Active = true;
    fence.AlarmColor = Qt::red;
    setAlarmConditions({fence});
}

struct Line
{
    QString source, reason, message;
};

// The dispatcher of a thread that never runs an event loop: what is posted
// to its objects stays queued, and each post is told.
struct PostWatch : QAbstractEventDispatcher
{
    explicit PostWatch(std::function<void()> posted) : posted(std::move(posted)) {}
    std::function<void()> posted;
    bool processEvents(QEventLoop::ProcessEventsFlags) override { return false; }
    bool hasPendingEvents() override { return false; }
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int, int, Qt::TimerType, QObject*) override {}
    bool unregisterTimer(int) override { return false; }
    bool unregisterTimers(QObject*) override { return false; }
    QList<TimerInfo> registeredTimers(QObject*) const override { return {}; }
    int remainingTime(int) override { return -1; }
    void wakeUp() override { posted(); }
    void interrupt() override {}
    void flush() override {}
};

} // namespace

class TstMainWindowUnits : public QObject
{
    Q_OBJECT

private:
    TestHome home;

    // Makes every pending piece of unit work, and the signals it posted to
    // this thread, arrive before the caller goes on.
    static void flush(QObject* unit)
    {
        QMetaObject::invokeMethod(unit, [] {}, Qt::BlockingQueuedConnection);
        QCoreApplication::sendPostedEvents();
    }

    static int columnOf(Node* node, int column)
    {
        SiteLocker lock;
        return node->data(column).toInt();
    }

    // A gateway with two energizers, both zones on at high voltage, and one IO card.
    static bool startGateway(GatewaySimulator& sim, const char* address)
    {
        sim.setDeviceCounts(2, 1);
        sim.setBlock(1, energizerRecord(1));
        sim.setBlock(2, energizerRecord(2));
        sim.setBlock(33, hex("21"));
        return sim.listen(QHostAddress(QString::fromLatin1(address)));
    }

    struct Gateway
    {
        Node* row;
        Node* element;
    };

    static Gateway addGateway(const SiteTrees& trees, const QString& address)
    {
        GatewaySubtree subtree(address);
        Gateway g{subtree.statusNode.release(), subtree.elementNode.release()};
        trees.energizerModel()->insertNode(trees.energizerModel()->rootNode(), -1, g.row);
        trees.elementModel()->insertNode(trees.elementModel()->rootNode(), -1, g.element);
        return g;
    }

    // Connects the window's gateway client to the simulator and waits for the
    // read sweep and the heartbeat after it to reach the rows.
    static void bringUp(MainWindow& window, GatewaySimulator& sim, Gateway gateway)
    {
        connectGatewayLink(window, sim);
        if (QTest::currentTestFailed())
            return;
        flush(window.units()->controlUnit());
        sim.sendHeartbeat();
        QTRY_COMPARE_WITH_TIMEOUT(columnOf(gateway.row->child(1), Node::kStatusColumn), int(Node::OK), 5000);
        flush(window.units()->controlUnit());
    }

    // The window connected to a simulated gateway that it has read in full.
    struct LiveSite
    {
        MessageCatcher catcher;
        GatewaySimulator sim;
        std::unique_ptr<MainWindow> window;
        Gateway gateway{};

        // `onMap`: the gateway as a box on the first workspace, as relay timers find it.
        void open(const char* address, bool onMap = false)
        {
            QVERIFY(startGateway(sim, address));
            window = std::make_unique<MainWindow>();
            // The window loads the site's conditions from its settings; this site uses its own.
            installConditions();
            if (onMap) {
                SiteFixture placed = SiteFixture::place(window->workspaces()->currentScene(), sim.address().toString());
                gateway = {placed.gateway->energizerNode(), placed.gateway->node()};
            } else {
                gateway = addGateway(*window->trees(), sim.address().toString());
            }
            bringUp(*window, sim, gateway);
        }

        void close()
        {
            window.reset();
            QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
        }
    };

private slots:
    void initTestCase()
    {
        QVERIFY(home.openDatabase());
        installConditions();
    }

    void threadsTypesAndShutdown()
    {
        MessageCatcher catcher;
        auto window = std::make_unique<MainWindow>();
        QPointer<QThread> controlThread = window->units()->controlUnit()->thread();
        QPointer<QThread> timerThread = window->units()->timerUnit()->thread();
        QCOMPARE(controlThread->objectName(), QStringLiteral("ControlUnitThread"));
        QCOMPARE(timerThread->objectName(), QStringLiteral("TimerUnitThread"));
        QVERIFY(controlThread->isRunning());
        QVERIFY(timerThread->isRunning());
        QCOMPARE(window->units()->fenceClient()->objectName(), QStringLiteral("FenceClient"));
        QCOMPARE(window->units()->fenceClient()->thread(), QThread::currentThread());
        for (const char* name : {"Node*", "CommandSend", "ControlUnit::Command", "DeviceData", "KX4Data",
                                 "qtClient::ClientStatus"})
            QVERIFY2(QMetaType::type(name) != QMetaType::UnknownType, name);
        QCOMPARE(window->units()->timerUnit()->timers().size(), 2);

        window.reset();
        QVERIFY(controlThread.isNull());
        QVERIFY(timerThread.isNull());
        QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
        QVERIFY(!catcher.contains(QStringLiteral("Timers cannot be stopped")));
    }

    // A unit's deliveries run on the GUI thread in the order sent, a stale
    // one not at all, each event only those waiting when it began (what a
    // delivery sends waits for the next), an event loop inside a delivery
    // runs the next ones in order, and a delivery may end the mailbox.
    void mailboxKeepsOrder()
    {
        ControlUnit unit;
        HandleMailbox mailbox;
        QStringList ran;
        queueAsHandle(&unit, &ControlUnit::energTick, &mailbox, [&](Node* node) {
            ran << node->name;
            if (node->name == QLatin1String("B")) {
                mailbox.post([&] { ran << QStringLiteral("sent by B"); });
                QCoreApplication::processEvents();
            }
        });
        Node a(QStringLiteral("A")), b(QStringLiteral("B")), c(QStringLiteral("C"));
        auto* gone = new Node(QStringLiteral("gone"));
        std::thread([&] {
            for (Node* node : {&a, gone, &b, &c})
                emit unit.energTick(node);
        }).join();
        delete gone;
        mailbox.post([&] { ran << QStringLiteral("last"); });
        QCoreApplication::sendPostedEvents(&mailbox, QEvent::MetaCall);
        QCOMPARE(ran, QStringList({"A", "B", "C", "last", "sent by B"}));
        ran.clear();
        mailbox.post([&] { ran << QStringLiteral("X"); mailbox.post([&] { ran << QStringLiteral("Y"); }); });
        QCoreApplication::sendPostedEvents(&mailbox, QEvent::MetaCall);
        QCOMPARE(ran, QStringList({"X"}));
        QTRY_COMPARE_WITH_TIMEOUT(ran, QStringList({"X", "Y"}), 5000);
        // A delivery that ends the mailbox ends its round.
        auto* doomed = new HandleMailbox;
        doomed->post([&] { delete doomed; });
        doomed->post([&] { ran << QStringLiteral("after its end"); });
        QCoreApplication::sendPostedEvents(doomed, QEvent::MetaCall);
        QCOMPARE(ran.size(), 2);
    }

    void fenceAlarmEndToEnd()
    {
        LiveSite site;
        site.open("127.0.0.41");
        if (QTest::currentTestFailed())
            return;
        auto& [catcher, sim, window, gateway] = site;
        QList<Line> lines;
        connect(window->units()->controlUnit(), &ControlUnit::writeAlarmLog, this,
                [&lines](const QString& s, const QString& r, const QString& m) { lines.append({s, r, m}); });
        Node* row2 = gateway.row->child(1);

        sim.setBlock(2, energizerRecord(2, 0x80));
        sim.pushWrite(2);
        QTRY_COMPARE_WITH_TIMEOUT(columnOf(row2, Node::kStatusColumn), int(Node::Critical), 5000);
        flush(window->units()->controlUnit());
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().source, QStringLiteral("Energ2"));
        QCOMPARE(lines.first().reason, QStringLiteral("FenceAlarm1"));
        QCOMPARE(lines.first().message, QStringLiteral("change status to Critical"));
        // ...and the window's alarm log writes it to the database.
        const auto alarmRows = [] {
            QSqlQuery query;
            query.exec(QStringLiteral("select count(*) from logAlarm where source='Energ2' and reason='FenceAlarm1' "
                                      "and info='change status to Critical'"));
            return query.next() ? query.value(0).toInt() : -1;
        };
        QTRY_COMPARE_WITH_TIMEOUT(alarmRows(), 1, 5000);
        {
            SiteLocker lock;
            QCOMPARE(row2->flagText, QStringLiteral("FenceAlarm1"));
            QCOMPARE(row2->data(Node::kSector1Column).toInt(), int(Node::Critical));
            QVERIFY(row2->updated);
        }

        // A command from the window reaches the gateway as a device command frame.
        sim.clearReceived();
        emit window->command(row2, ActivateEnerg, false);
        QVERIFY(sim.waitForFunction(16, 1));
        QCOMPARE(sim.receivedWithFunction(16).first(), hex("00000001000f011000000008080200050300000000"));

        // The one-second tick refreshes the rows of the present devices.
        QTRY_VERIFY_WITH_TIMEOUT(!QDateTime::fromString([&] {
            SiteLocker lock;
            return row2->data(ControlUnit::LastTryColumn).toString();
        }(), ControlUnit::LastTryFormat).isNull(), 5000);

        site.close();
    }

    void endWritesEveryPushRead_data()
    {
        QTest::addColumn<bool>("tw");
        QTest::newRow("gateway") << false;
        QTest::newRow("TW controller") << true;
    }

    // The end comes while a unit is behind a controller's pushes, each a
    // row: the gateway client holds a bound of deliveries for its unit and
    // stops reading, and its socket holds what it read ahead; the TW
    // client's socket holds every push, and the images the end makes of them
    // wait for the unit until the end waits for it. The end's wake-ups no
    // longer reach a unit, yet every push read off the socket is a row once
    // the window is gone.
    void endWritesEveryPushRead()
    {
        QFETCH(bool, tw);
        LiveSite site;
        site.open("127.0.0.43");
        if (QTest::currentTestFailed())
            return;
        auto* units = site.window->units();
        GatewaySimulator twSim;
        twSim.setTwMode(true);
        if (tw) {
            QVERIFY(twSim.listen(QHostAddress(QStringLiteral("127.0.0.45"))));
            Node* system = site.window->trees()->twSensorRoot()->child(0);
            SiteLocker lock;
            system->enabled = system->child(0)->enabled = true;
            system->setData(0, twSim.address().toString());
            lock.unlock();
            units->twClient()->setPort(twSim.port());
            units->twClient()->moveTo(twSim.address().toString());
            QVERIFY(twSim.waitForConnection());
        }
        const QString rows = QStringLiteral("select count(*) from logAlarm where info like 'change %1status%'").arg(tw ? "sensor " : "");
        const int before = sqlRows(rows).value(0).toInt();
        QSemaphore behind;
        if (!tw)
            QMetaObject::invokeMethod(units->controlUnit(), [&behind] { behind.acquire(); });
        // All fits what the gateway client takes off the socket while its
        // unit waits: its bound of deliveries and the socket's read-ahead.
        constexpr int Pushes = 1700, FrameBytes = 45;
        QByteArray bytes;
        for (int k = 0; k < Pushes; ++k)
            bytes += tw ? GatewaySimulator::stateFrame(QByteArray(1, k % 2 ? '\xff' : '\xdd'))
                        : GatewaySimulator::writeFrame(2 * 32, energizerRecord(2, k % 2 ? 0 : 0x80));
        auto* twSocket = units->twClient()->findChild<QTcpSocket*>();
        QSignalBlocker unparsed(tw ? twSocket : nullptr); // the TW client parses nothing before the end
        qtClient* client = units->fenceClient();
        const int waitingBefore = client->inbox().waiting();
        (tw ? twSim : site.sim).send(bytes);
        const auto parsed = [&] { return (client->inbox().waiting() - waitingBefore) * FrameBytes; };
        QTRY_VERIFY_WITH_TIMEOUT(tw ? twSocket->bytesAvailable() == bytes.size()
                                    : client->inbox().waiting() >= qtClient::MaxWaitingDeliveries
                                        && parsed() + client->unreadBytes() > (Pushes - 1) * FrameBytes,
                                 10000);
        unparsed.unblock();
        behind.release();
        // The TW unit moves to a thread that runs only to hand it back, with what was posted to it meanwhile, and only
        // once the end posts it more than the images (its status news cut): the wait for the unit. Without that wait
        // the unit's own thread has ended by then.
        std::unique_ptr<QThread> parking;
        std::atomic<int> images{0};
        if (tw) {
            TWControlUnit* unit = units->twControlUnit();
            parking.reset(QThread::create([unit, own = unit->thread()] { unit->moveToThread(own); }));
            QObject::disconnect(units->twClient(), &qtClientTW::commStatus, unit, nullptr);
            connect(units->twClient(), &qtClientTW::tcpInUpdate, [&images] { ++images; });
            parking->setEventDispatcher(new PostWatch([&, gui = QThread::currentThread()] {
                if (QThread::currentThread() == gui && !parking->isRunning() && !parking->isFinished()
                    && (images == Pushes || twSocket->bytesAvailable() == bytes.size()))
                    parking->start();
            }));
            QMetaObject::invokeMethod(unit, [unit, &parking] { unit->moveToThread(parking.get()); }, Qt::BlockingQueuedConnection);
        }
        site.close();
        if (parking)
            parking->wait();
        QCOMPARE(sqlRows(rows).value(0).toInt() - before, Pushes);
    }

    void weeklyTimerSwitchesARelay()
    {
        LiveSite site;
        site.open("127.0.0.42", true);
        if (QTest::currentTestFailed())
            return;
        auto& [catcher, sim, window, gateway] = site;

        QList<Line> lines;
        connect(window.get(), &MainWindow::writeAlarmLog, this,
                [&lines](const QString& s, const QString& r, const QString& m) { lines.append({s, r, m}); });
        TimerData t;
        t.name = QStringLiteral("Lights");
        t.from = QDateTime::fromString(QStringLiteral("08:00"), QStringLiteral("hh:mm"));
        t.to = QDateTime::fromString(QStringLiteral("09:00"), QStringLiteral("hh:mm"));
        t.active = true;
        t.setAllDays(true);
        t.IP = sim.address().toString();
        t.cardNo = 33;
        t.relayNo = 3;
        sim.clearReceived();
        window->units()->timerUnit()->setClock([] { return QDateTime(QDate(2026, 12, 7), QTime(8, 0, 0)); });
        window->units()->timerUnit()->setTimers({t});

        QVERIFY(sim.waitForFunction(16, 1, 5000));
        QCOMPARE(sim.receivedWithFunction(16).first(), hex("00000001000f011000000008082100070400000000"));
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().source, QStringLiteral("Timer"));
        QCOMPARE(lines.first().reason, QStringLiteral("Triggered, To card IOCard33"));
        QCOMPARE(lines.first().message, QStringLiteral("Sending true"));

        site.close();
    }

    // The operator edits a default timer in the list, picks the card on the
    // element page and closes the list: at the next minute the real timer unit
    // switches the relay on the simulated gateway.
    void timerEditedInTheListFires()
    {
        // Outlives the window, whose timer thread reads it.
        std::atomic<int> minute{7 * 60 + 59};
        LiveSite site;
        site.open("127.0.0.44", true);
        if (QTest::currentTestFailed())
            return;
        auto& [catcher, sim, window, gateway] = site;
        window->units()->timerUnit()->setClock([&minute] { return QDateTime(QDate(2026, 12, 7), QTime(0, 0).addSecs(minute * 60)); });
        window->project()->setModified(false);
        const QString cardName = gateway.element->child(32)->data(0).toString();

        const auto find = [](QWidget* d, const char* name) { return d->findChild<QWidget*>(QLatin1String(name)); };
        answerNextModal([&](QWidget* list) {
            auto* table = static_cast<QTableWidget*>(find(list, "tableWidget"));
            answerNextModal([&](QWidget* page) {
                static_cast<QTimeEdit*>(find(page, "tpFrom"))->setTime(QTime(8, 0));
                static_cast<QCheckBox*>(find(page, "chkActive"))->setChecked(true);
                static_cast<QSpinBox*>(find(page, "spnRelayNo"))->setValue(3);
                answerNextModal([&](QWidget* picker) {
                    auto* tree = static_cast<QTreeView*>(find(picker, "treeView"));
                    tree->setCurrentIndex(tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, cardName, 1,
                                                               Qt::MatchRecursive | Qt::MatchExactly).value(0));
                    QVERIFY(operatorClick(find(picker, "btnOK")));
                });
                QVERIFY(operatorClick(find(page, "btnSelectCard")));
                QVERIFY(operatorClick(find(page, "btnOK")));
            });
            const QPoint cell = table->visualItemRect(table->item(0, 0)).center();
            QVERIFY(operatorClick(table->viewport(), cell));
            QVERIFY(operatorDoubleClick(table->viewport(), cell));
            QVERIFY(operatorClick(find(list, "btnClose")));
        });
        window->showTimers();
        const TimerData edited = window->units()->timerUnit()->timers().value(0);
        QCOMPARE(edited.IP + '|' + QString::number(edited.cardNo), sim.address().toString() + QStringLiteral("|33"));
        QVERIFY(window->project()->isModified());

        sim.clearReceived();
        minute = 8 * 60;
        QVERIFY(sim.waitForFunction(16, 1, 5000));
        QCOMPARE(sim.receivedWithFunction(16).first(), hex("00000001000f011000000008082100070400000000"));

        site.close();
    }

    void gatewayClearAlarmIsStaggered()
    {
        LiveSite site;
        site.open("127.0.0.43");
        if (QTest::currentTestFailed())
            return;
        auto& [catcher, sim, window, gateway] = site;
        {
            SiteLocker lock;
            for (int i = 0; i < gateway.element->childCount(); ++i)
                gateway.element->child(i)->enabled = i == 0 || i == 2 || i >= 32;
        }
        sim.clearReceived();
        QSignalSpy notes(window->commands(), &CommandRouter::commandNote);
        QSignalSpy actions(window->commands(), &CommandRouter::userAction);
        window->commands()->clearGatewayAlarms(gateway.element, true);
        QVERIFY(sim.waitForFunction(16, 2, 5000));
        const QList<QByteArray> frames = sim.receivedWithFunction(16);
        QCOMPARE(frames.at(0).mid(13), hex("0100050303030000"));
        QCOMPARE(frames.at(1).mid(13), hex("0300050000030000"));
        flush(window->units()->controlUnit());
        QCOMPARE(sim.receivedWithFunction(16).size(), 2);
        // Both steps sent, one line for the gateway.
        QTRY_COMPARE(notes.count(), 2);
        QCOMPARE(actions.count(), 1);

        site.close();
    }
};

QTEST_MAIN(TstMainWindowUnits)
#include "tst_mainwindowunits.moc"
