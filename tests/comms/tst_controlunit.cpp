#include "controlunitsite.h"

#include "alarmcondition.h"
#include "messagecatcher.h"
#include "simulatedlink.h"
#include "sitemutex.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr quint8 kZoneOn = 0x80;
constexpr quint8 kHighVoltage = 0x02;
constexpr quint8 kPanic = 0x04;        // byte 6 bit 2
constexpr quint8 kFenceAlarm = 0x80;   // byte 12 bit 7

struct Line
{
    QString source, reason, message;
};

QList<Line> lines(const QSignalSpy& spy)
{
    QList<Line> out;
    for (const auto& a : spy)
        out.append({a.at(0).toString(), a.at(1).toString(), a.at(2).toString()});
    return out;
}

int countReason(const QSignalSpy& spy, const QString& reason)
{
    int n = 0;
    for (const Line& l : lines(spy))
        n += l.reason == reason;
    return n;
}

struct Sent
{
    int device;
    quint8 hvlv, onoff, clear;
    bool iocard;
    bool operator==(const Sent& o) const
    {
        return device == o.device && hvlv == o.hvlv && onoff == o.onoff && clear == o.clear && iocard == o.iocard;
    }
};

QList<Sent> sent(const QSignalSpy& spy)
{
    QList<Sent> out;
    for (const auto& a : spy)
        out.append({a.at(0).toInt(), quint8(a.at(1).value<char>()), quint8(a.at(2).value<char>()),
                    quint8(a.at(3).value<char>()), a.at(4).toBool()});
    return out;
}

char* toString(const Sent& s)
{
    return QTest::toString(QStringLiteral("sendCmd(%1, 0x%2, 0x%3, %4, %5)")
                               .arg(s.device)
                               .arg(s.hvlv, 0, 16)
                               .arg(s.onoff, 0, 16)
                               .arg(s.clear)
                               .arg(s.iocard));
}

quint8 hvlv(const Node* row) { return row->outputArea[ControlUnit::HvlvByte]; }
quint8 onoff(const Node* row) { return row->outputArea[ControlUnit::OnoffByte]; }

} // namespace

Q_DECLARE_METATYPE(Sent)

class TstControlUnit : public QObject
{
    Q_OBJECT

private slots:
    void init() { installTestAlarmConditions(); }
    void cleanup() { setAlarmConditions({}); }

    void gatewayNodesAsANewBoxMakesThem()
    {
        GatewaySubtree gateway(QStringLiteral("10.1.2.3"));
        Node* element = gateway.elementNode.get();
        Node* row = gateway.statusNode.get();
        QCOMPARE(element->type, int(Node::MapElement));
        QCOMPARE(row->type, int(Node::MapElement));
        QCOMPARE(row->data(0).toString(), QStringLiteral("10.1.2.3"));
        QCOMPARE(row->data(GatewaySubtree::WorkspaceColumn).toString(), QStringLiteral("workspace"));
        QCOMPARE(row->columnCount(), 12);
        QCOMPARE(row->deviceNode, element);
        QCOMPARE(element->deviceNode, row);
        QCOMPARE(element->childCount(), 63);
        QCOMPARE(row->childCount(), 63);
        for (int n = 1; n <= 63; ++n) {
            const Node* status = row->child(n - 1);
            const Node* device = element->child(n - 1);
            const bool energizer = n <= 32;
            QCOMPARE(status->type, int(Node::StatusRow));
            QCOMPARE(status->name, energizer ? QStringLiteral("Energ%1").arg(n) : QStringLiteral("IOCard%1").arg(n));
            for (int column : {Node::kStatusColumn, Node::kSector1Column, Node::kSector2Column})
                QCOMPARE(status->data(column).toInt(), int(Node::Failure));
            QCOMPARE(status->data(GatewaySubtree::IPColumn).toString(), QStringLiteral("10.1.2.3"));
            QCOMPARE(status->record[0], quint8(n));
            QCOMPARE(status->outputArea[0], quint8(n));
            QCOMPARE(status->outputArea[2], quint8(energizer ? 5 : 7));
            QCOMPARE(status->number(), n);
            QCOMPARE(device->type, int(energizer ? Node::Energizer : Node::IOCard));
            QCOMPARE(device->name, status->name);
            QCOMPARE(status->deviceNode, device);
            QCOMPARE(device->deviceNode, status);
            QCOMPARE(device->childCount(), energizer ? 3 : 0);
        }
        const Node* energizer = element->child(0);
        QCOMPARE(energizer->child(0)->name, QStringLiteral("Sector1"));
        QCOMPARE(energizer->child(1)->type, int(Node::FenceSector));
        QCOMPARE(energizer->child(2)->name, QStringLiteral("Gate"));
        QCOMPARE(energizer->child(2)->type, int(Node::Gate));
    }

    void zoneBitsFollowTheRecord()
    {
        ControlUnitSite site;
        Node* row = site.row(3);
        row->outputArea[ControlUnit::HvlvByte] = 0xFC;
        site.feed(3);
        QSignalSpy log(&site.unit, &ControlUnit::writeAlarmLog);

        site.feed(3, {{13, kZoneOn}});
        QCOMPARE(countReason(log, "Zone1OnOff"), 1);
        const Line on = lines(log).first();
        QCOMPARE(on.source, QStringLiteral("Energ3"));
        QCOMPARE(on.message, QStringLiteral("Zone1 On"));
        QCOMPARE(onoff(row) & 0x01, 0x01);

        log.clear();
        site.feed(3, {{13, kZoneOn}});
        QCOMPARE(countReason(log, "Zone1OnOff"), 0);

        site.feed(3, {{13, kZoneOn | kHighVoltage}});
        QCOMPARE(hvlv(row) & 0x01, 0x01);
        QCOMPARE(countReason(log, "Zone1OnOff"), 0);

        site.feed(3, {{13, kHighVoltage}, {20, kZoneOn | kHighVoltage}});
        QCOMPARE(countReason(log, "Zone1OnOff"), 1);
        QCOMPARE(countReason(log, "Zone2OnOff"), 1);
        QCOMPARE(lines(log).at(0).message, QStringLiteral("Zone1 Off"));
        QCOMPARE(lines(log).at(1).message, QStringLiteral("Zone2 On"));
        QCOMPARE(onoff(row), quint8(0x02));
        // Bits 2..7 of an energizer's high-voltage byte are never the record's business.
        QCOMPARE(hvlv(row), quint8(0xFC | 0x03));
        QCOMPARE(row->previousRecord[13], quint8(kZoneOn | kHighVoltage));
        QCOMPARE(row->record[13], kHighVoltage);
    }

    void ioCardRelaysFollowTheRecord()
    {
        ControlUnitSite site;
        site.feed(34, {{6, 0xA5}});
        QCOMPARE(hvlv(site.row(34)), quint8(0xA5));
        QCOMPARE(site.row(34)->record[6], quint8(0xA5));
    }

    void statusChangesAreLoggedOnce()
    {
        ControlUnitSite site;
        Node* row = site.row(5);
        site.feed(5, {{13, kZoneOn}, {20, kZoneOn}});
        site.feed(5, {{13, kZoneOn}, {20, kZoneOn}});
        QCOMPARE(row->data(ControlUnit::StatusColumn).toInt(), int(Node::OK));
        row->setData(ControlUnit::AttemptsColumn, 5);
        row->durationClock = QTime();

        QSignalSpy log(&site.unit, &ControlUnit::writeAlarmLog);
        QSignalSpy beat(&site.unit, &ControlUnit::energHearbeat);
        site.feed(5, {{6, kPanic}, {13, kZoneOn}, {20, kZoneOn}});
        QCOMPARE(log.count(), 1);
        QCOMPARE(lines(log).first().source, QStringLiteral("Energ5"));
        QCOMPARE(lines(log).first().reason, QStringLiteral("Panic"));
        QCOMPARE(lines(log).first().message, QStringLiteral("change status to Warning"));
        QCOMPARE(row->data(ControlUnit::StatusColumn).toInt(), int(Node::Warning));
        QCOMPARE(row->data(ControlUnit::AttemptsColumn).toInt(), 0);
        QVERIFY(row->durationClock.isValid());
        // Started just now, also when midnight came between: the clock is a time of day.
        constexpr int Day = 24 * 60 * 60 * 1000;
        QVERIFY((row->durationClock.msecsTo(QTime::currentTime()) + Day) % Day < 5000);
        QCOMPARE(beat.count(), 1);
        QCOMPARE(beat.first().at(0).value<Node*>(), row);
        QCOMPARE(beat.first().at(1).toBool(), true);

        site.feed(5, {{6, kPanic}, {13, kZoneOn}, {20, kZoneOn}});
        QCOMPARE(log.count(), 1);
        QCOMPARE(beat.count(), 2);
        QCOMPARE(beat.last().at(1).toBool(), false);
    }

    void sectorAndIOCardChanges()
    {
        ControlUnitSite site;
        Node* row = site.row(1);
        site.feed(1, {{13, kZoneOn}, {20, kZoneOn}});
        site.feed(1, {{13, kZoneOn}, {20, kZoneOn}});
        QSignalSpy log(&site.unit, &ControlUnit::writeAlarmLog);
        site.feed(1, {{12, kFenceAlarm}, {13, kZoneOn}, {20, kZoneOn}});
        QCOMPARE(row->data(ControlUnit::StatusColumn).toInt(), int(Node::Critical));
        QCOMPARE(row->data(ControlUnit::Sector1Column).toInt(), int(Node::Critical));
        QCOMPARE(row->data(ControlUnit::Sector2Column).toInt(), int(Node::OK));
        QCOMPARE(log.count(), 1);
        QCOMPARE(lines(log).first().reason, QStringLiteral("FenceAlarm1"));
        QCOMPARE(lines(log).first().message, QStringLiteral("change status to Critical"));

        // An IO card reports its communication failure and its return.
        Node* card = site.row(33);
        site.feed(33);
        log.clear();
        site.feed(33, {{30, 0x01}});
        site.feed(33, {{30, 0x01}});
        site.feed(33);
        QCOMPARE(card->data(ControlUnit::StatusColumn).toInt(), int(Node::OK));
        QCOMPARE(log.count(), 2);
        QCOMPARE(lines(log).at(0).source, QStringLiteral("IOCard33"));
        QCOMPARE(lines(log).at(0).reason, QStringLiteral("CommsFail"));
        QCOMPARE(lines(log).at(0).message, QStringLiteral("change status to CommsFail"));
        QCOMPARE(lines(log).at(1).message, QStringLiteral("change status to OK"));
    }

    void sensorModeClearsAlarmOnReturnToOK()
    {
        ControlUnitSite site;
        site.unit.sensorMode = true;
        site.feed(7, {{13, kZoneOn}, {20, kZoneOn}});
        site.feed(7, {{12, kFenceAlarm}, {13, kZoneOn | kHighVoltage}, {20, kZoneOn}});
        QCOMPARE(site.row(7)->data(ControlUnit::StatusColumn).toInt(), int(Node::Critical));

        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        site.feed(7, {{13, kZoneOn | kHighVoltage}, {20, kZoneOn}});
        site.feed(7, {{13, kZoneOn | kHighVoltage}, {20, kZoneOn}});
        QCOMPARE(sent(cmd), (QList<Sent>{{7, 0x01, 0x03, 3, false}}));
    }

    void absentDevicesAndInvalidLink()
    {
        ControlUnitSite site(32, 5);
        QSignalSpy beat(&site.unit, &ControlUnit::energHearbeat);
        QSignalSpy log(&site.unit, &ControlUnit::writeAlarmLog);
        site.feed(40, {{6, 0xFF}});
        QCOMPARE(beat.count(), 0);
        QCOMPARE(log.count(), 0);
        QCOMPARE(site.row(40)->record[6], quint8(0));
        QVERIFY(!site.row(40)->updated);
        site.feed(37, {{6, 0x11}});
        QCOMPARE(beat.count(), 1);

        MessageCatcher catcher;
        site.feed(64, {{6, 0x11}});
        site.feed(0, {{6, 0x11}});
        QCOMPARE(beat.count(), 1);
        QVERIFY(catcher.contains(QStringLiteral("device 64")));

        site.row(36)->enabled = false;
        site.feed(36, {{6, 0x11}});
        QCOMPARE(beat.count(), 1);

        site.client.dataValid = false;
        site.feed(37, {{6, 0x22}});
        QCOMPARE(beat.count(), 1);
        QCOMPARE(site.row(37)->record[6], quint8(0x11));

        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        QSignalSpy refused(&site.unit, &ControlUnit::commandRefused);
        site.unit.command(site.row(3), ActivateEnerg, true);
        QCOMPARE(cmd.count(), 0);
        QVERIFY(catcher.contains(QStringLiteral("dropped: the gateway link is not up")));
        QCOMPARE(refused.value(0).value(2).toString(), QStringLiteral("the gateway link is not up"));

        // Names as long as the operator may make them are cut in the lines that tell of a refusal.
        const GatewaySubtree other(QString(5400, QLatin1Char('9')));
        site.row(3)->setData(ControlUnit::NameColumn, QString(5400, QLatin1Char('n')));
        for (Node* device : {site.row(3), other.statusNode->child(2)})
            site.unit.command(device, ActivateEnerg, true);
        QCOMPARE(catcher.messages().filter(QStringLiteral("characters in all")).size(), 2);
    }

    // A lost link is down for commands at once: before its status has reached the unit (the client's flag), and
    // after it, while the next link's sweep is done but its image not yet taken (the inbox's loss).
    void lostLinkIsDownAtOnce()
    {
        ControlUnitSite site(32, 31, Qt::QueuedConnection);
        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        for (const bool statusTaken : {false, true}) {
            site.client.stopLink();
            site.client.dataValid = statusTaken;
            if (statusTaken)
                QCoreApplication::sendPostedEvents(&site.unit);
            site.unit.command(site.row(3), ActivateEnerg, true);
            site.client.dataValid = true;
            site.feedImage(ControlUnitSite::image());
        }
        QCOMPARE(cmd.count(), 0);
    }

    void dataOfAnotherGatewayIsDropped()
    {
        ControlUnitSite site;
        site.gatewayRow->setData(0, QStringLiteral("10.0.0.9"));
        QSignalSpy beat(&site.unit, &ControlUnit::energHearbeat);
        site.feed(3, {{13, kZoneOn}});
        QCOMPARE(beat.count(), 0);
        QCOMPARE(site.row(3)->record[13], quint8(0));
    }

    void laterGatewayWithTheSameAddressWins()
    {
        ControlUnitSite site;
        Node* second = site.addGateway(ControlUnitSite::kAddress);
        site.feed(3, {{13, kZoneOn}});
        QCOMPARE(second->child(2)->record[13], kZoneOn);
        QCOMPARE(site.row(3)->record[13], quint8(0));
        // Only the box fed is watched: the tick runs no clock of the other.
        site.unit.afterTimer();
        QVERIFY(!second->child(2)->data(ControlUnit::LastTryColumn).toString().isEmpty());
        QCOMPARE(site.row(3)->data(ControlUnit::LastTryColumn).toString(), QString());
    }

    void wholeImageOnlyMarksRows()
    {
        ControlUnitSite site(4, 2);
        KX4Data image(Kx4Image::kBlockCount, DeviceData(Kx4Image::kBlockSize, 0));
        for (int n = 1; n < Kx4Image::kBlockCount; ++n)
            image[n] = ControlUnitSite::block(n, {{13, kZoneOn}});
        QSignalSpy beat(&site.unit, &ControlUnit::energHearbeat);
        QSignalSpy log(&site.unit, &ControlUnit::writeAlarmLog);
        site.feedImage(image);
        QCOMPARE(beat.count(), 0);
        QCOMPARE(log.count(), 0);
        QVERIFY(site.row(4)->updated);
        QVERIFY(!site.row(5)->updated);
        QVERIFY(site.row(34)->updated);
        QVERIFY(!site.row(35)->updated);
        QCOMPARE(site.row(4)->record[13], quint8(0));
    }

    void commands_data()
    {
        QTest::addColumn<int>("device");
        QTest::addColumn<int>("command");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("hvlvBefore");
        QTest::addColumn<int>("onoffBefore");
        QTest::addColumn<Sent>("expected");
        QTest::addColumn<int>("hvlvAfter");
        QTest::addColumn<int>("onoffAfter");

        QTest::newRow("6 on") << 3 << 6 << QVariant(true) << 3 << 0 << Sent{3, 3, 3, 0, false} << 3 << 3;
        QTest::newRow("6 off") << 3 << 6 << QVariant(false) << 3 << 3 << Sent{3, 3, 0, 0, false} << 3 << 0;
        QTest::newRow("7 low") << 3 << 7 << QVariant(true) << 3 << 1 << Sent{3, 0, 3, 0, false} << 0 << 1;
        QTest::newRow("7 high") << 3 << 7 << QVariant(false) << 0 << 0 << Sent{3, 3, 3, 0, false} << 3 << 0;
        QTest::newRow("20 On Low") << 3 << 20 << QVariant(2) << 1 << 1 << Sent{3, 0, 3, 0, false} << 1 << 1;
        QTest::newRow("20 On Hi") << 3 << 20 << QVariant(3) << 0 << 0 << Sent{3, 3, 3, 0, false} << 0 << 0;
        QTest::newRow("20 Off Hi") << 3 << 20 << QVariant(1) << 0 << 0 << Sent{3, 3, 0, 0, false} << 0 << 0;
        QTest::newRow("20 other") << 3 << 20 << QVariant(7) << 3 << 3 << Sent{3, 0, 0, 0, false} << 3 << 3;
        QTest::newRow("1 on") << 3 << 1 << QVariant(true) << 0 << 0 << Sent{3, 3, 3, 0, false} << 0 << 0;
        QTest::newRow("1 off") << 3 << 1 << QVariant(false) << 0 << 3 << Sent{3, 3, 0, 0, false} << 0 << 3;
        QTest::newRow("2 zone1 on") << 3 << 2 << QVariant(true) << 2 << 2 << Sent{3, 2, 3, 0, false} << 2 << 3;
        QTest::newRow("5 zone2 off") << 3 << 5 << QVariant(false) << 0 << 3 << Sent{3, 0, 1, 0, false} << 0 << 1;
        QTest::newRow("8 zone1 low") << 3 << 8 << QVariant(true) << 3 << 3 << Sent{3, 2, 3, 0, false} << 2 << 3;
        QTest::newRow("9 zone2 high") << 3 << 9 << QVariant(false) << 0 << 3 << Sent{3, 2, 3, 0, false} << 2 << 3;
        QTest::newRow("11 clear") << 3 << 11 << QVariant(true) << 1 << 2 << Sent{3, 1, 2, 3, false} << 1 << 2;
        QTest::newRow("0 resend") << 3 << 0 << QVariant() << 1 << 3 << Sent{3, 1, 3, 0, false} << 1 << 3;
        QTest::newRow("10 sound") << 3 << 10 << QVariant(true) << 1 << 3 << Sent{3, 1, 3, 0, false} << 1 << 3;
        QTest::newRow("21 unknown") << 3 << 21 << QVariant(true) << 1 << 3 << Sent{3, 1, 3, 0, false} << 1 << 3;
        QTest::newRow("14 relay 3 on") << 34 << 14 << QVariant(true) << 0x01 << 0 << Sent{34, 0, 5, 0, true} << 5 << 0;
        QTest::newRow("19 relay 8 off") << 34 << 19 << QVariant(false) << 0xFF << 0 << Sent{34, 0, 0x7F, 0, true}
                                         << 0x7F << 0;
        QTest::newRow("gateway 11") << 0 << 11 << QVariant(true) << 0 << 0 << Sent{0, 0, 0, 3, false} << 0 << 0;
        QTest::newRow("gateway 20") << 0 << 20 << QVariant(3) << 0 << 0 << Sent{0, 3, 3, 0, false} << 0 << 0;
    }

    void commands()
    {
        QFETCH(int, device);
        QFETCH(int, command);
        QFETCH(QVariant, value);
        QFETCH(int, hvlvBefore);
        QFETCH(int, onoffBefore);
        QFETCH(Sent, expected);
        QFETCH(int, hvlvAfter);
        QFETCH(int, onoffAfter);

        ControlUnitSite site;
        Node* node = device == 0 ? site.gatewayRow : site.row(device);
        node->outputArea[ControlUnit::HvlvByte] = quint8(hvlvBefore);
        node->outputArea[ControlUnit::OnoffByte] = quint8(onoffBefore);
        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        QSignalSpy answered(&site.unit, &ControlUnit::commandSent);
        site.unit.command(node, static_cast<CommandSend>(command), value);
        QCOMPARE(sent(cmd), QList<Sent>{expected});
        QCOMPARE(answered.count(), 1);
        QCOMPARE(int(hvlv(node)), hvlvAfter);
        QCOMPARE(int(onoff(node)), onoffAfter);
    }

    // Another box at the dialled address sends through the dialled
    // gateway's row, which the data keeps in step.
    void commandOfAnotherBoxAtTheDialledAddress()
    {
        ControlUnitSite site;
        Node* second = site.addGateway(ControlUnitSite::kAddress);
        second->child(2)->outputArea[ControlUnit::OnoffByte] = 0x02;
        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        site.unit.command(site.row(3), ActivateEnergZone1, true);
        QCOMPARE(sent(cmd), (QList<Sent>{{3, 0, 0x03, 0, false}}));
        // No box at the dialled address on the maps: one off them is refused as such.
        for (Node* gateway : {site.gatewayRow, second})
            gateway->setData(0, QStringLiteral("10.0.0.9"));
        const GatewaySubtree off(ControlUnitSite::kAddress);
        QSignalSpy refused(&site.unit, &ControlUnit::commandRefused);
        site.unit.command(off.statusNode->child(2), ActivateEnergZone1, true);
        QCOMPARE(refused.value(0).value(2).toString(), QStringLiteral("its gateway box is on no map"));
    }

    void commandForAGoneNodeIsDropped()
    {
        ControlUnitSite site;
        auto doomed = std::make_unique<Node>(QStringLiteral("gone"));
        const volatile quintptr address = quintptr(doomed.get());
        doomed.reset();
        Node* gone = reinterpret_cast<Node*>(address);
        MessageCatcher catcher;
        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        QSignalSpy refused(&site.unit, &ControlUnit::commandRefused);
        site.unit.command(gone, ActivateEnerg, true);
        QCOMPARE(cmd.count(), 0);
        QVERIFY(catcher.contains(QStringLiteral("no longer exists")));
        QCOMPARE(refused.count(), 1);
    }

    void outputMapping()
    {
        ControlUnitSite site;
        site.element(2)->outputMappings = {
            mappingRecord(34, 2, 0x0001),            // relay 3 follows the panic input
            mappingRecord(35, 0, 0x0001 | 0x0080)};  // relay 1 follows panic or tamper
        site.feed(2);

        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        site.feed(2, {{6, kPanic}});
        QCOMPARE(sent(cmd), (QList<Sent>{{34, 0, 0x04, 0, true}, {35, 0, 0x01, 0, true}}));
        QCOMPARE(hvlv(site.row(34)), quint8(0x04));

        cmd.clear();
        site.feed(2, {{6, kPanic}});
        QCOMPARE(cmd.count(), 0);

        site.feed(2);
        QCOMPARE(sent(cmd), (QList<Sent>{{34, 0, 0x00, 0, true}, {35, 0, 0x00, 0, true}}));
    }

    void outputMappingOfTheWholeGateway()
    {
        ControlUnitSite site(4, 4);
        site.gatewayElement->outputMappings = {mappingRecord(36, 7, 0x0001)};
        KX4Data image(Kx4Image::kBlockCount, DeviceData(Kx4Image::kBlockSize, 0));
        image[3] = ControlUnitSite::block(3, {{6, kPanic}});
        site.row(3)->record[6] = kPanic;  // the rows' records decide, not the image

        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        site.feedImage(image);
        QCOMPARE(sent(cmd), (QList<Sent>{{36, 0, 0x80, 0, true}}));
    }

    void mappingToTheWrongKindIsSkipped()
    {
        ControlUnitSite site;
        MessageCatcher catcher;
        site.element(2)->outputMappings = {mappingRecord(5, 0, 0x0001)};
        site.element(33)->inputMappings = {mappingRecord(40, 0, 0x0001)};
        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        site.feed(2, {{6, kPanic}});
        site.feed(2, {{6, kPanic}});
        site.feed(33, {{4, 0x01}});
        QCOMPARE(cmd.count(), 0);
        QVERIFY(catcher.contains(QStringLiteral("is not an energizer")));
        QCOMPARE(hvlv(site.row(5)), quint8(0));
        // Every heartbeat skips it; a mapping is told once, and once more when changed.
        site.element(2)->outputMappings = {mappingRecord(6, 0, 0x0001)};
        site.feed(2);
        site.feed(2);
        QCOMPARE(catcher.messages().filter(QStringLiteral("is not an IO card")),
                 (QStringList{"Output mapping of \"Energ2\" skipped: device 5 is not an IO card",
                              "Output mapping of \"Energ2\" skipped: device 6 is not an IO card"}));
    }

    void linkComesUpWithTheSweepsRecords_data()
    {
        QTest::addColumn<int>("connection");
        QTest::newRow("direct") << int(Qt::DirectConnection);
        // As on the unit's thread: the sweep's last record is handled after the sweep ended.
        QTest::newRow("queued") << int(Qt::QueuedConnection);
    }

    // The sweep answers energizers 6 and 7 with both zones on at high voltage
    // and mains failed, 7 in panic; relay 1 of card 34 follows 6's mains. The
    // link comes up after a loss with each row's record its live state: no
    // "Off", no relay switched, no clear-alarm of the sensor mode; "Zone 1 on"
    // clicked then keeps zone 2 and the voltage. A heartbeat restoring 6's
    // mains and reporting card 34's relays as 5A switches relay 1 from those.
    void linkComesUpWithTheSweepsRecords()
    {
        QFETCH(int, connection);
        ControlUnitSite site(32, 31, Qt::ConnectionType(connection));
        site.unit.sensorMode = true;
        GatewaySimulator sim;
        sim.setDeviceCounts(32, 31);
        sim.setBlock(6, QByteArray::fromHex("06000000010000000000000000820000000000008200"));
        sim.setBlock(7, QByteArray::fromHex("07000000010004000000000000820000000000008200"));
        QVERIFY(sim.listen(QHostAddress(ControlUnitSite::kAddress)));
        site.element(6)->outputMappings = {mappingRecord(34, 0, 0x0002)};
        QObject::connect(&site.unit, &ControlUnit::sendCmd, &site.client, &qtClient::sendRequest);
        QSignalSpy log(&site.unit, &ControlUnit::writeAlarmLog);
        bool clicked = false;
        QObject::connect(&site.client, &qtClient::commStatus, &site.unit, [&](qtClient::ClientStatus status) {
            if (status == qtClient::Updated && !std::exchange(clicked, true))
                site.unit.command(site.row(6), ActivateEnergZone1, true);
        }, Qt::ConnectionType(connection));
        LinkTiming timing = quietLinkTiming();
        timing.sweepStartDelayMs = 0;
        site.client.setTiming(timing);
        site.client.setPort(sim.port());
        site.client.moveTo(ControlUnitSite::kAddress);
        // As the window does at a loss.
        for (Node* row : site.gatewayRow->children)
            row->resetState();
        QVERIFY(sim.waitForFunction(43, 1));
        sim.sendHeartbeat();
        QVERIFY(sim.waitForFunction(16, 1));
        sim.sendHeartbeat();
        QVERIFY(sim.waitForFunction(90, 2));
        sim.setBlock(6, QByteArray::fromHex("06000000000000000000000000820000000000008200"));
        sim.setBlock(34, QByteArray::fromHex("2200000000005a"));
        sim.sendHeartbeat();
        QVERIFY(sim.waitForFunction(16, 2));
        QCOMPARE(sim.receivedWithFunction(16),
                 (QList<QByteArray>{QByteArray::fromHex("00000001000f011000000008080600050303000000"),
                                    QByteArray::fromHex("00000001000f011000000008082200075b00000000")}));
        QStringList statuses;
        for (const Line& line : lines(log))
            if (line.message.startsWith("change status") && (line.source == "Energ6" || line.source == "Energ7"))
                statuses << line.source + ' ' + line.message;
        QCOMPARE(statuses, (QStringList{"Energ6 change status to OK", "Energ7 change status to Warning"}));
    }

    // Heartbeats waiting for the unit, its thread busy, are taken as one,
    // the newest with the records of all: of energizer 1's zone, flipped by
    // each, only the newest states reach the log. The gateway's writes
    // between them are taken each, in order.
    void waitingHeartbeatsAreTakenAsTheNewest()
    {
        ControlUnitSite site(2, 0, Qt::QueuedConnection);
        site.client.setTiming(quietLinkTiming());
        QSignalSpy log(&site.unit, &ControlUnit::writeAlarmLog);
        QByteArray frames;
        for (const auto& [pushed, zone] : {std::pair{false, '\x80'}, {false, '\0'}, {false, '\x80'}, {true, '\x80'}, {true, '\0'},
                                           {false, '\0'}, {false, '\x80'}, {false, '\0'}})
            frames += pushed ? GatewaySimulator::writeFrame(2 * 32, '\x02' + QByteArray(12, '\0') + zone + QByteArray(18, '\0'))
                             : GatewaySimulator::heartbeatFrame(2, 0, zone + QByteArray(11, '\0'));
        // Merged with the heartbeats before it, one cut short after energizer 1 keeps energizer 2's record of the one before.
        frames += GatewaySimulator::heartbeatFrame(2, 0, QByteArray(6, '\0') + '\x80' + QByteArray(5, '\0'))
                  + GatewaySimulator::heartbeatFrame(2, 0, QByteArray(6, '\0'));
        site.client.receiveBytes(frames.constData(), frames.size());
        const auto zoneLines = [&log] {
            QStringList shown;
            for (const Line& line : lines(log))
                if (line.reason == "Zone1OnOff")
                    shown << line.source + ' ' + line.message;
            return shown;
        };
        const QStringList shown{"Energ1 Zone1 On", "Energ2 Zone1 On", "Energ2 Zone1 Off", "Energ1 Zone1 Off", "Energ2 Zone1 On"};
        QTRY_COMPARE(zoneLines(), shown);
        // A push the unit has not taken when the link is lost goes with it; the next link's heartbeat before its
        // sweep, taken by the push's wake-up ahead of the loss's status, is no live record.
        const auto receive = [&site](const QByteArray& bytes) { site.client.receiveBytes(bytes.constData(), bytes.size()); };
        receive(GatewaySimulator::writeFrame(32, '\x01' + QByteArray(12, '\0') + '\x80' + QByteArray(18, '\0')));
        site.client.stopLink();
        receive(GatewaySimulator::heartbeatFrame(2, 0, '\x80' + QByteArray(11, '\0')));
        site.client.dataValid = true;
        QCoreApplication::sendPostedEvents();
        QCOMPARE(zoneLines(), shown);
    }

    void inputMappingDrivesEnergizerZones()
    {
        ControlUnitSite site;
        MappingRecord record = mappingRecord(3, 0, 0x1);  // input 1 → zone 1 on
        record.codedValue[1] = 0x2 | 0x8;                 // input 2 → both high-voltage bits
        site.element(33)->inputMappings = {record};
        site.feed(33);

        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        site.feed(33, {{4, 0x01}});
        QCOMPARE(sent(cmd), (QList<Sent>{{3, 0x00, 0x01, 0, false}}));
        QCOMPARE(onoff(site.row(3)), quint8(0x01));

        // An input that did not change leaves the energizer alone.
        cmd.clear();
        site.row(3)->outputArea[ControlUnit::OnoffByte] = 0;
        site.feed(33, {{4, 0x01}, {6, 0x10}});
        QCOMPARE(cmd.count(), 0);
        QCOMPARE(onoff(site.row(3)), quint8(0));

        site.feed(33, {{4, 0x03}});
        QCOMPARE(sent(cmd), (QList<Sent>{{3, 0x03, 0x00, 0, false}}));
    }

    void globalInputs_data()
    {
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<int>("inputs");
        QTest::newRow("both active") << false << 0x30;
        QTest::newRow("reversed, both inactive") << true << 0x00;
    }

    void globalInputs()
    {
        QFETCH(bool, reverse);
        QFETCH(int, inputs);
        ControlUnitSite site;
        MappingRecord global = mappingRecord(0, 4, 1);
        global.codedValue[5] = 1;
        site.element(33)->inputMappings = {global};
        site.unit.reverseLogic = reverse;
        site.feed(33, {{4, quint8(inputs ^ 0x30)}});

        QSignalSpy cmd(&site.unit, &ControlUnit::sendCmd);
        site.feed(33, {{4, quint8(inputs)}});
        QCOMPARE(sent(cmd), (QList<Sent>{{0, 3, 3, 0, false}}));

        cmd.clear();
        site.feed(33, {{4, quint8(inputs)}, {30, 0}});
        QCOMPARE(cmd.count(), 0);
    }

    void tick()
    {
        ControlUnitSite site(3, 2);
        site.feed(1, {{13, kZoneOn}, {20, kZoneOn}});
        site.feed(1, {{6, kPanic}, {13, kZoneOn}, {20, kZoneOn}});
        Node* row = site.row(1);
        QCOMPARE(row->data(ControlUnit::StatusColumn).toInt(), int(Node::Warning));
        site.row(2)->durationClock = QTime();

        QSignalSpy ticks(&site.unit, &ControlUnit::energTick);
        for (int expected = 1; expected <= 3; ++expected) {
            const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
            site.unit.afterTimer();
            QCOMPARE(row->data(ControlUnit::AttemptsColumn).toInt(), expected);
            const QString lastTry = row->data(ControlUnit::LastTryColumn).toString();
            const QDateTime stamp = QDateTime::fromString(lastTry, QStringLiteral("hh:mm:ss dd.MM.yyyy"));
            QVERIFY2(stamp.isValid() && stamp >= before && stamp <= QDateTime::currentDateTime(), qPrintable(lastTry));
        }
        QCOMPARE(site.row(2)->data(ControlUnit::DurationColumn).toString(), QStringLiteral("00:00:00"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                    .match(row->data(ControlUnit::DurationColumn).toString())
                    .hasMatch());

        // Energizers 1..3 and IO cards 33..34, in order, also with the link down.
        QCOMPARE(ticks.count(), 15);
        QList<Node*> ticked;
        for (int i = 0; i < 5; ++i)
            ticked.append(ticks.at(i).at(0).value<Node*>());
        QCOMPARE(ticked, (QList<Node*>{site.element(1), site.element(2), site.element(3), site.element(33),
                                       site.element(34)}));

        site.feed(1, {{13, kZoneOn}, {20, kZoneOn}});
        site.client.dataValid = false;
        site.feed(1);
        ticks.clear();
        site.unit.afterTimer();
        QCOMPARE(row->data(ControlUnit::AttemptsColumn).toInt(), 0);
        QCOMPARE(ticks.count(), 5);
    }

    void durationAfterAStatusChange()
    {
        ControlUnitSite site(1, 0);
        Node* row = site.row(1);
        site.feed(1);
        SiteLocker lock;
        row->durationClock = QTime::currentTime().addSecs(-3725);
        site.unit.afterTimer();
        const QTime shown = QTime::fromString(row->data(ControlUnit::DurationColumn).toString());
        QVERIFY(shown.isValid());
        QVERIFY(qAbs(shown.msecsSinceStartOfDay() - 3725 * 1000) <= 2000);
    }
};

QTEST_MAIN(TstControlUnit)
#include "tst_controlunit.moc"
