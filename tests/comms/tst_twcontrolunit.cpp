#include "gatewaysimulator.h"
#include "loggedtext.h"
#include "messagecatcher.h"
#include "node.h"
#include "qtclienttw.h"
#include "sitemutex.h"
#include "threadannotations.h"
#include "treemodel.h"
#include "twcontrolunit.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

// A TW sensor states model: TW systems under the root, sensors under them,
// all enabled unless a test says otherwise.
struct TwSite
{
    TwSite()
    {
        auto* root = new Node(QStringLiteral("Name"));
        root->columns = {QStringLiteral("Name"), QStringLiteral("Status"), QStringLiteral("Workplace"),
                         QStringLiteral("WorkplaceID")};
        model.setRootNode(root);
        unit.twModel = &model;
    }

    // At the address `name`, which the link dials now.
    Node* addSystem(const QString& name, int sensors)
    {
        unit.linkMovedTo(name);
        auto* system = new Node(name, model.rootNode());
        system->type = Node::TWSystem;
        system->columns = {name, 0, QStringLiteral("Workspace 1"), 0};
        for (int n = 1; n <= sensors; ++n) {
            auto* sensor = new Node(QStringLiteral("Sensor%1").arg(n), system);
            sensor->type = Node::TWSensor;
            sensor->columns = {QStringLiteral("%1 Sensor%2").arg(name).arg(n), 0, QVariant(), QVariant()};
        }
        return system;
    }

    // An image whose record n carries state `state` in byte 1 and its number in byte 0.
    static KX4Data image(std::initializer_list<std::pair<int, quint8>> states)
    {
        KX4Data data(64, DeviceData(32, 0));
        for (int n = 0; n < 64; ++n) {
            data[n][0] = quint8(n);
            data[n][5] = quint8(0x40 + n);   // a byte the unit must copy along
        }
        for (const auto& [n, state] : states)
            data[n][1] = state;
        return data;
    }

    TreeModel model;
    TWControlUnit unit;
};

struct Line
{
    QString source, reason, message;
    bool operator==(const Line& other) const
    {
        return source == other.source && reason == other.reason && message == other.message;
    }
};

char* toString(const Line& line)
{
    return QTest::toString(line.source + " | " + line.reason + " | " + line.message);
}

QList<Line> lines(const QSignalSpy& spy)
{
    QList<Line> result;
    for (const QList<QVariant>& args : spy)
        result.append({args.at(0).toString(), args.at(1).toString(), args.at(2).toString()});
    return result;
}

QList<Node*> nodes(const QSignalSpy& spy)
{
    QList<Node*> result;
    for (const QList<QVariant>& args : spy)
        result.append(args.at(0).value<Node*>());
    return result;
}

// Receives the unit's signals on the test's thread, as the main window does.
class Receiver : public QObject
{
    Q_OBJECT
public slots:
    void sensorHearbeat(Node* node) { heartbeats.append(node); }
    void writeAlarmLog(QString source, QString reason, QString message) { lines.append({source, reason, message}); }

public:
    QList<Node*> heartbeats;
    QList<Line> lines;
};

} // namespace

class TestTWControlUnit : public QObject
{
    Q_OBJECT
private slots:
    void stateClassChanges();
    void disabledSensorSkipped();
    void tickFollowsSensorFlagsOnly();
    void dialledSystemReceives();
    void sensorsBeyond32Skipped();
    void acrossThreadsFromTheClient();
};

void TestTWControlUnit::stateClassChanges()
{
    TwSite site;
    Node* system = site.addSystem(QStringLiteral("TW"), 3);
    Node* sensor = system->child(1);
    QSignalSpy log(&site.unit, &TWControlUnit::writeAlarmLog);
    QSignalSpy heartbeats(&site.unit, &TWControlUnit::sensorHearbeat);

    const KX4Data ready = TwSite::image({{2, 0xFF}});
    site.unit.tovelUpdateArray(ready);
    QCOMPARE(lines(log), (QList<Line>{{"TW Sensor2", "Ready", "change sensor status to Ready"}}));
    // The whole record is taken; the previous one is not kept.
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(sensor->record.data()), 32),
             QByteArray(reinterpret_cast<const char*>(ready[2].constData()), 32));
    QCOMPARE(sensor->previousRecord, StatusRecord{});
    QCOMPARE(sensor->data(1).toInt(), int(SensorState::Ready));
    log.clear();
    heartbeats.clear();

    // Ready (raw 15) to Alarm (raw 13): one line, one heartbeat.
    site.unit.tovelUpdateArray(TwSite::image({{2, 0xDD}}));
    QCOMPARE(lines(log), (QList<Line>{{"TW Sensor2", "Alarm", "change sensor status to Alarm"}}));
    QCOMPARE(nodes(heartbeats), QList<Node*>{sensor});
    QCOMPARE(sensor->data(1).toInt(), int(SensorState::Alarm));

    // The same record again, and 13 to 14 (still Alarm): nothing.
    site.unit.tovelUpdateArray(TwSite::image({{2, 0xDD}}));
    site.unit.tovelUpdateArray(TwSite::image({{2, 0xEE}}));
    QCOMPARE(log.size(), 1);
    QCOMPARE(heartbeats.size(), 1);
    QCOMPARE(int(sensor->record[1]), 0xEE);
    QCOMPARE(sensor->data(1).toInt(), int(SensorState::Alarm));

    // Maintenance (raw 11), then the link-loss reset to state 0.
    site.unit.tovelUpdateArray(TwSite::image({{2, 0xBB}}));
    site.unit.tovelUpdateArray(TwSite::image({}));
    QCOMPARE(lines(log).mid(1), (QList<Line>{{"TW Sensor2", "Maintenance", "change sensor status to Maintenance"},
                                              {"TW Sensor2", "Inactive", "change sensor status to Inactive"}}));
    QCOMPARE(sensor->data(1).toInt(), int(SensorState::Inactive));
}

void TestTWControlUnit::disabledSensorSkipped()
{
    TwSite site;
    Node* system = site.addSystem(QStringLiteral("TW"), 3);
    Node* disabled = system->child(0);
    disabled->enabled = false;
    QSignalSpy log(&site.unit, &TWControlUnit::writeAlarmLog);
    QSignalSpy ticks(&site.unit, &TWControlUnit::sensorTick);

    site.unit.tovelUpdateArray(TwSite::image({{1, 0xDD}, {2, 0xDD}}));
    QCOMPARE(disabled->record, StatusRecord{});
    QCOMPARE(disabled->data(1).toInt(), 0);
    QCOMPARE(lines(log), (QList<Line>{{"TW Sensor2", "Alarm", "change sensor status to Alarm"}}));

    site.unit.afterTimer();
    QCOMPARE(nodes(ticks), (QList<Node*>{system->child(1), system->child(2)}));
}

void TestTWControlUnit::tickFollowsSensorFlagsOnly()
{
    TwSite site;
    QSignalSpy ticks(&site.unit, &TWControlUnit::sensorTick);
    site.unit.afterTimer();   // an empty model ticks nothing
    QCOMPARE(ticks.size(), 0);

    Node* first = site.addSystem(QStringLiteral("A"), 2);
    Node* second = site.addSystem(QStringLiteral("B"), 2);
    first->enabled = false;
    second->child(0)->enabled = false;
    site.unit.afterTimer();
    QCOMPARE(nodes(ticks), (QList<Node*>{first->child(0), first->child(1), second->child(1)}));

    // A disabled system's sensors get no data, though they tick.
    second->enabled = false;
    site.unit.tovelUpdateArray(TwSite::image({{1, 0xDD}, {2, 0xDD}}));
    QCOMPARE(first->child(0)->data(1).toInt(), 0);
    QCOMPARE(second->child(1)->data(1).toInt(), 0);
}

// Each system has a controller of its own: the one at the address the link
// dials receives, if enabled.
void TestTWControlUnit::dialledSystemReceives()
{
    TwSite site;
    Node* first = site.addSystem(QStringLiteral("A"), 2);
    Node* second = site.addSystem(QStringLiteral("B"), 2);
    Node* third = site.addSystem(QStringLiteral("C"), 2);
    third->enabled = false;
    QSignalSpy log(&site.unit, &TWControlUnit::writeAlarmLog);
    site.unit.tovelUpdateArray(TwSite::image({{1, 0xDD}}));
    site.unit.linkMovedTo(QStringLiteral("A"));
    site.unit.tovelUpdateArray(TwSite::image({{2, 0xDD}}));
    QCOMPARE(first->child(1)->data(1).toInt(), int(SensorState::Alarm));
    QCOMPARE(second->child(1)->data(1).toInt(), 0);
    QCOMPARE(third->child(0)->data(1).toInt(), 0);
    QCOMPARE(lines(log), (QList<Line>{{"A Sensor2", "Alarm", "change sensor status to Alarm"}}));
    // A command for another system is refused in a line that cuts both addresses.
    const QString refusal = TWControlUnit::refusalText(QString(5400, QLatin1Char('B')), QString(5400, QLatin1Char('A')));
    QCOMPARE(refusal.count(QStringLiteral("characters in all")), 2);
    QVERIFY(refusal.size() < 2 * LoggedTextChars + 200);
}

void TestTWControlUnit::sensorsBeyond32Skipped()
{
    TwSite site;
    Node* system = site.addSystem(QStringLiteral("TW"), 34);
    KX4Data image = TwSite::image({{32, 0xDD}, {33, 0xDD}});
    site.unit.tovelUpdateArray(image);
    QCOMPARE(system->child(31)->data(1).toInt(), int(SensorState::Alarm));
    QCOMPARE(system->child(32)->data(1).toInt(), 0);
    QCOMPARE(system->child(32)->record, StatusRecord{});

    // A short image is taken as far as it goes.
    image.resize(3);
    site.unit.tovelUpdateArray(image);
}

// The client on the test's thread, the unit on its own, the receiver back on
// the test's thread; every signal crosses queued, connected by signature text.
void TestTWControlUnit::acrossThreadsFromTheClient()
{
    MessageCatcher catcher;
    TwSite site;
    Node* system = site.addSystem(QStringLiteral("TW"), 4);
    qtClientTW client(1);
    Receiver receiver;

    QThread thread;
    thread.setObjectName(QStringLiteral("TWSensorsThread"));
    announceThreadEnd(&thread);
    site.unit.moveToThread(&thread);
    QVERIFY(connect(&client, SIGNAL(tcpInUpdate(KX4Data)), &site.unit, SLOT(tovelUpdateArray(KX4Data)),
                    Qt::QueuedConnection));
    QVERIFY(connect(&site.unit, SIGNAL(sensorHearbeat(Node*)), &receiver, SLOT(sensorHearbeat(Node*)),
                    Qt::QueuedConnection));
    QVERIFY(connect(&site.unit, SIGNAL(writeAlarmLog(QString,QString,QString)), &receiver,
                    SLOT(writeAlarmLog(QString,QString,QString)), Qt::QueuedConnection));
    thread.start();

    const QByteArray states = GatewaySimulator::stateFrame(QByteArray::fromHex("ffddff"));
    client.receiveBytes(states.constData(), states.size());
    QTRY_COMPARE_WITH_TIMEOUT(receiver.heartbeats.size(), 3, 5000);
    QCOMPARE(receiver.heartbeats.at(1), system->child(1));
    QCOMPARE(receiver.lines.at(1), (Line{"TW Sensor2", "Alarm", "change sensor status to Alarm"}));
    {
        SiteLocker lock;
        QCOMPARE(system->child(1)->data(1).toInt(), int(SensorState::Alarm));
    }
    // Two frames in one read: sensor 1's alarm and its end are both logged, in the order they came.
    const QByteArray run = GatewaySimulator::stateFrame(QByteArray::fromHex("ddddff"))
                           + GatewaySimulator::stateFrame(QByteArray::fromHex("ffffdd"));
    client.receiveBytes(run.constData(), run.size());
    QTRY_COMPARE_WITH_TIMEOUT(receiver.lines.size(), 7, 5000);
    for (const auto& [at, text] : {std::pair{3, "TW Sensor1 Alarm"}, {4, "TW Sensor1 Ready"}, {6, "TW Sensor3 Alarm"}})
        QCOMPARE(receiver.lines.at(at).source + ' ' + receiver.lines.at(at).reason, QString(text));

    // As the main window does: the thread ends, then the unit goes.
    endThread(&thread);
    QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
}

QTEST_MAIN(TestTWControlUnit)
#include "tst_twcontrolunit.moc"
