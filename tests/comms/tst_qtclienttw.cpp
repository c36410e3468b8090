#include "fuzzinput.h"
#include "gatewaysimulator.h"
#include "messagecatcher.h"
#include "qtclienttw.h"
#include "simulatedlink.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSignalSpy>
#include <QtTest>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

QByteArray toBytes(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.constData()), data.size());
}

QByteArray record(const KX4Data& image, int n)
{
    return toBytes(image.at(n));
}

const QByteArray kGlobalReset = hex("00000001000f0110000000080800000500000300" "00");

// Everything the client tells the TW control unit, in order: "s<status>" and
// "img" for each image.
class SignalLog : public QObject
{
public:
    explicit SignalLog(qtClientTW& client)
    {
        connect(&client, &qtClientTW::tcpInUpdate, this, [this](const KX4Data& image) {
            images.append(image);
            events.append(QStringLiteral("img"));
        });
        connect(&client, &qtClientTW::commStatus, this, [this](qtClient::ClientStatus status) {
            events.append(QStringLiteral("s%1").arg(int(status)));
        });
    }
    QString summary() const { return events.join(QLatin1Char(' ')); }
    void clear()
    {
        events.clear();
        images.clear();
    }

    QStringList events;
    QList<KX4Data> images;
};

// A TW controller simulator and a client pointed at it.
struct Link : SimulatedLink<qtClientTW>
{
    explicit Link(const LinkTiming& timing = quietLinkTiming())
        : SimulatedLink(1, true, timing)
        , log(client)
    {
    }

    // Waits until the program has sent `count` frames in all.
    bool waitForFrames(int count) { return sim.waitForFrames(count); }

    SignalLog log;
};

void feed(qtClientTW& client, const QByteArray& bytes)
{
    client.receiveBytes(bytes.constData(), bytes.size());
}

// The first `cut` bytes of `frame`, never completed, then the whole frame: the piece is dropped at its bound and
// the frame read as itself, its record 4 beginning with `expected`.
template <class Client>
void partialThenWhole(bool tw, const QByteArray& frame, int cut, const QByteArray& expected)
{
    LinkTiming timing = quietLinkTiming();
    timing.partialFrameMs = 20;
    SimulatedLink<Client> link(tw ? 1 : 0, tw, timing);
    QSignalSpy images(&link.client, &Client::tcpInUpdate);
    MessageCatcher catcher;
    QVERIFY(link.connectAndHello());
    link.sim.send(frame.left(cut));
    QTRY_VERIFY(catcher.contains(QStringLiteral("Frame cut short: %1 bytes not completed within 20 ms").arg(cut)));
    link.sim.send(frame);
    QVERIFY(images.wait());
    QCOMPARE(record(images.last().first().value<KX4Data>(), 4).left(expected.size()), expected);
}

} // namespace

class TestQtClientTW : public QObject
{
    Q_OBJECT
private slots:
    void helloOnTwPort();
    void globalReset_data();
    void globalReset();
    void globalResetWithoutConnection();
    void stateFrameSetsRecords();
    void configurationAcknowledged();
    void registerWriteIntoRecord();
    void frameSplitAcrossRuns();
    void partialFrameDroppedAtItsBound();
    void watchdogResetsSensors();
    void emptyAddressRetries();
    void movedLinkLeavesItsPeer();
    void serverCloseResetsAndRetries();
    void overlongFrameRefused();
    void badData_data();
    void badData();
    void corpusReplay_data();
    void corpusReplay();
};

void TestQtClientTW::helloOnTwPort()
{
    qtClientTW client(1);
    QCOMPARE(client.port(), qtClient::kTwPort);
    QCOMPARE(client.name, QStringLiteral("TWSENSORS"));

    Link link;
    QVERIFY(link.connectAndHello());
    QCOMPARE(link.sim.received().first(), hex("00000001000f012b0000000808427265" "2d2d6e696b"));
    QCOMPARE(link.log.summary(), QStringLiteral("s0 s5"));
    QCOMPARE(link.client.status, qtClient::Connected);
}

void TestQtClientTW::globalReset_data()
{
    QTest::addColumn<char>("hvlv");
    QTest::addColumn<char>("onoff");
    QTest::addColumn<char>("clearAlrm");
    QTest::newRow("zeros") << char(0) << char(0) << char(0);
    QTest::newRow("anything") << char(0x12) << char(0x7F) << char(-1);
}

void TestQtClientTW::globalReset()
{
    QFETCH(char, hvlv);
    QFETCH(char, onoff);
    QFETCH(char, clearAlrm);
    Link link;
    QVERIFY(link.connectAndHello());
    MessageCatcher catcher;
    link.client.sendRequest(hvlv, onoff, clearAlrm);
    QVERIFY(link.waitForFrames(2));
    QCOMPARE(link.sim.received().size(), 2);
    QCOMPARE(link.sim.received().at(1), kGlobalReset);
    QVERIFY(catcher.contains(QStringLiteral("Global Reset Sent")));
}

void TestQtClientTW::globalResetWithoutConnection()
{
    // A listening peer the client never connects to: anything written would arrive there.
    GatewaySimulator sim;
    sim.setTwMode(true);
    QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    qtClientTW client(1);
    client.setPort(sim.port());
    MessageCatcher catcher;
    client.sendRequest(0, 0, 0);
    QVERIFY(!catcher.contains(QStringLiteral("Global Reset Sent")));
    QVERIFY(catcher.contains(QStringLiteral("Global Reset dropped")));
    QCOMPARE(sim.connectionCount(), 0);
    QVERIFY(sim.received().isEmpty());
}

void TestQtClientTW::stateFrameSetsRecords()
{
    qtClientTW client(1);
    // Fill records 1 to 4 with recognisable bytes through register writes
    // (a write lands, header and all, at the start of its record).
    for (int n = 1; n <= 4; ++n) {
        QByteArray data(19, '\0');
        for (int k = 0; k < data.size(); ++k)
            data[k] = char(0xA0 + n * 8 + k);
        feed(client, GatewaySimulator::writeFrame(n * 32, data));
    }
    const KX4Data before = client.currentImage();
    SignalLog log(client);

    feed(client, GatewaySimulator::stateFrame(hex("0f00dd")));
    QCOMPARE(log.summary(), QStringLiteral("s6 img s7"));
    const KX4Data after = log.images.first();
    const QList<QPair<int, int>> expected{{1, 0x0F}, {2, 0x00}, {3, 0xDD}};
    for (const auto& [n, state] : expected) {
        QCOMPARE(int(after[n][0]), n);
        QCOMPARE(int(after[n][1]), state);
        QCOMPARE(record(after, n).mid(2), record(before, n).mid(2));
    }
    QCOMPARE(record(after, 4), record(before, 4));
    QCOMPARE(record(after, 0), record(before, 0));

    // A count of 0 changes no record but still hands the image on.
    log.clear();
    feed(client, GatewaySimulator::stateFrame(QByteArray()));
    QCOMPARE(log.summary(), QStringLiteral("s6 img s7"));
    QCOMPARE(log.images.first(), after);
}

void TestQtClientTW::configurationAcknowledged()
{
    Link link;
    QVERIFY(link.connectAndHello());
    // A state frame first: had it been answered, its answer would arrive before the acknowledgement.
    link.sim.send(GatewaySimulator::stateFrame(hex("ff"), 0x0707));
    QByteArray config = GatewaySimulator::configurationFrame(hex("01020304"));
    config[0] = char(0x12);
    config[1] = char(0x34);
    config[6] = char(0x05);
    link.sim.send(config);
    QVERIFY(link.waitForFrames(2));
    QCOMPARE(link.sim.received().at(1), hex("00123400010002" "0564"));
    QCOMPARE(link.client.configuration().left(6), hex("010203040000"));

    // Exactly one write per configuration frame.
    link.sim.send(GatewaySimulator::configurationFrame(hex("05")));
    QVERIFY(link.waitForFrames(3));
    link.client.sendRequest(0, 0, 0);
    QVERIFY(link.waitForFrames(4));
    QCOMPARE(link.sim.received().at(2), hex("00000100010002" "0164"));
    QCOMPARE(link.sim.received().at(3), kGlobalReset);
}

void TestQtClientTW::registerWriteIntoRecord()
{
    qtClientTW client(1);
    SignalLog log(client);
    const QByteArray write = GatewaySimulator::writeFrame(64, hex("a1a2a3a4"));
    QCOMPARE(write.size(), 17);
    QCOMPARE(int(uchar(write[5])), 11);
    feed(client, write);
    QCOMPARE(log.summary(), QStringLiteral("s6 img s7"));
    QCOMPARE(record(log.images.last(), 2).left(17), write);
    QCOMPARE(record(log.images.last(), 2).mid(17), QByteArray(15, '\0'));
}

void TestQtClientTW::frameSplitAcrossRuns()
{
    qtClientTW client(1);
    SignalLog log(client);
    const QByteArray frame = GatewaySimulator::stateFrame(hex("0d0e0b"));
    feed(client, frame.left(9));
    QCOMPARE(log.summary(), QStringLiteral("s6"));  // no whole frame: not updated
    feed(client, frame.mid(9));
    QCOMPARE(int(log.images.last()[1][1]), 0x0D);
    QCOMPARE(int(log.images.last()[3][1]), 0x0B);
}

void TestQtClientTW::partialFrameDroppedAtItsBound()
{
    partialThenWhole<qtClient>(false, GatewaySimulator::writeFrame(4 * 32, QByteArray(32, '\x5a')), 15, QByteArray(32, '\x5a'));
    partialThenWhole<qtClientTW>(true, GatewaySimulator::stateFrame(hex("0000000400000000")), 11, hex("0404"));
}

void TestQtClientTW::watchdogResetsSensors()
{
    LinkTiming timing = quietLinkTiming();
    timing.heartbeatTimeoutMs = 300;
    timing.retryIntervalMs = 200;
    Link link(timing);
    QVERIFY(link.connectAndHello());
    link.sim.send(GatewaySimulator::stateFrame(QByteArray(40, char(0xFF))));
    QTRY_VERIFY_WITH_TIMEOUT(!link.log.images.isEmpty(), 5000);
    QCOMPARE(int(link.log.images.last()[32][1]), 0xFF);
    link.log.clear();

    // Silence: the watchdog ends the link, every sensor goes back to state 0.
    QSignalSpy statuses(&link.client, &qtClientTW::commStatus);
    QVERIFY(statuses.wait(5000));
    QCOMPARE(link.log.events.mid(0, 4), (QStringList{"s1", "img", "s2", "img"}));
    const KX4Data reset = link.log.images.first();
    for (int n = 0; n <= 32; ++n) {
        QCOMPARE(int(reset[n][0]), n);
        QCOMPARE(int(reset[n][1]), 0);
    }
    // Records beyond the sensors keep what they had.
    QCOMPARE(int(reset[33][1]), 0xFF);

    // The retry brings the link back.
    QTRY_COMPARE_WITH_TIMEOUT(link.sim.connectionCount(), 2, 5000);
    QVERIFY(link.sim.waitForFunction(43, 2));
}

void TestQtClientTW::emptyAddressRetries()
{
    LinkTiming timing = quietLinkTiming();
    timing.retryIntervalMs = 50;
    qtClientTW client(1);
    client.setTiming(timing);
    SignalLog log(client);
    MessageCatcher catcher;

    // The event loop keeps running while the client tries.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    client.connectToServer();
    QCOMPARE(log.summary(), QStringLiteral("s0"));
    QVERIFY(catcher.contains(QStringLiteral("Connecting failed!")));
    QTRY_VERIFY_WITH_TIMEOUT(log.events.count(QStringLiteral("s0")) >= 3, 5000);
    QVERIFY(ticks > 0);
    QVERIFY(log.images.isEmpty());
}

// A link moved while connected, or while still dialling, leaves its peer at
// once and dials the new address without waiting for a retry.
void TestQtClientTW::movedLinkLeavesItsPeer()
{
    for (const bool connected : {true, false}) {
        Link link;
        GatewaySimulator moved;
        QVERIFY(moved.listen(QHostAddress(QStringLiteral("127.0.0.2")), link.sim.port()));
        link.client.moveTo(link.sim.address().toString());
        QVERIFY(!connected || link.sim.waitForFunction(43, 1));
        link.client.moveTo(QStringLiteral("127.0.0.2"));
        QVERIFY(moved.waitForConnection());
        QTRY_VERIFY(!link.sim.isConnected());
    }
}

void TestQtClientTW::serverCloseResetsAndRetries()
{
    LinkTiming timing = quietLinkTiming();
    timing.retryIntervalMs = 100;
    Link link(timing);
    QVERIFY(link.connectAndHello());
    link.sim.send(GatewaySimulator::stateFrame(hex("ffff")));
    QTRY_VERIFY_WITH_TIMEOUT(!link.log.images.isEmpty(), 5000);
    link.log.clear();
    link.sim.closeConnection();
    // The peer's close arrives as an error and a disconnect, whichever first.
    QTRY_VERIFY_WITH_TIMEOUT(!link.log.images.isEmpty(), 5000);
    QCOMPARE(link.log.events.at(link.log.events.indexOf(QStringLiteral("img")) - 1), QStringLiteral("s2"));
    QCOMPARE(int(link.log.images.first()[1][1]), 0);
    QCOMPARE(int(link.log.images.first()[2][1]), 0);
    QCOMPARE(link.client.status, qtClient::ConnectionClosedByServer);
    QTRY_COMPARE_WITH_TIMEOUT(link.sim.connectionCount(), 2, 5000);
}

// Data the controller must never send: nothing outside the image or the 128
// configuration bytes may be written (the sanitizer build watches for it).
void TestQtClientTW::badData_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("changedRecords");   // records 1.. whose state byte becomes 0xEE
    QTest::addColumn<int>("configBytes");      // configuration bytes that become 0x5A

    QByteArray count200 = GatewaySimulator::stateFrame(QByteArray(5, char(0xEE)));
    count200[8] = char(200);
    QTest::newRow("count 200, 5 states") << count200 << 5 << 0;
    QTest::newRow("count 200, 200 states") << GatewaySimulator::stateFrame(QByteArray(200, char(0xEE))) << 63 << 0;

    QByteArray write = GatewaySimulator::writeFrame(0x07E0, QByteArray(32, char(0x77)));
    QTest::newRow("write at 0x07E0, 32 registers") << write << 0 << 0;
    QByteArray writeBeyond = GatewaySimulator::writeFrame(0x0800, QByteArray(4, char(0x77)));
    QTest::newRow("write beyond the image") << writeBeyond << 0 << 0;
    QByteArray hugeCount = GatewaySimulator::writeFrame(0x07E0, QByteArray(4, char(0x77)));
    hugeCount[10] = char(0xFF);
    hugeCount[11] = char(0xFF);
    QTest::newRow("write counting 65535 registers") << hugeCount << 0 << 0;

    QTest::newRow("configuration of length 300")
        << GatewaySimulator::rawFrame(300, 100, QByteArray(298, char(0x5A))) << 0 << 128;

    // Whole frames, then the first bytes of a header at the end of a full
    // 2048-byte read.
    QByteArray nearEnd = GatewaySimulator::stateFrame(QByteArray(255, char(0xEE)))
                         + GatewaySimulator::rawFrame(1772, 100, QByteArray(1770, '\0'));
    nearEnd.append(hex("0001000100"));
    QCOMPARE(nearEnd.size(), 2048);
    QTest::newRow("header at the end of the buffer") << nearEnd << 63 << 0;
    QTest::newRow("short frames")
        << GatewaySimulator::rawFrame(2, 90, {}) + GatewaySimulator::rawFrame(3, 16, hex("00"))
               + GatewaySimulator::rawFrame(2, 100, {})
        << 0 << 0;
}

// A length no frame of its code can have is refused at once: the state
// frame behind it is read.
void TestQtClientTW::overlongFrameRefused()
{
    for (const quint8 code : {3, 16, 43, 90}) {
        MessageCatcher catcher;
        qtClientTW client(1);
        feed(client, GatewaySimulator::rawFrame(2000, code, hex("0020002020")));
        feed(client, GatewaySimulator::stateFrame(hex("ee")));
        QVERIFY2(catcher.contains(QStringLiteral("frame length 2000")) && client.currentImage().at(1).at(1) == 0xEE,
                 qPrintable(QString::number(code)));
    }
}

void TestQtClientTW::badData()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, changedRecords);
    QFETCH(int, configBytes);
    qtClientTW client(1);
    feed(client, bytes);
    const KX4Data image = client.currentImage();
    QCOMPARE(image.size(), 64);
    int changed = 0;
    for (int n = 1; n < 64; ++n) {
        QCOMPARE(image[n].size(), 32);
        changed += image[n][1] == 0xEE;
    }
    QCOMPARE(changed, changedRecords);
    QCOMPARE(client.configuration().count(char(0x5A)), configBytes);
    QCOMPARE(client.configuration().size(), qtClientTW::kConfigRegisterSize);
}

// Replays the inputs the fuzzer keeps, cut into pieces as the fuzzer cuts them.
void TestQtClientTW::corpusReplay_data()
{
    QTest::addColumn<QByteArray>("input");
    const QFileInfoList files = QDir(QStringLiteral(LUMETRA_TW_CORPUS)).entryInfoList(QDir::Files, QDir::Name);
    QVERIFY2(!files.isEmpty(), LUMETRA_TW_CORPUS);
    for (const QFileInfo& info : files) {
        QFile file(info.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(info.fileName())) << file.readAll();
    }
}

void TestQtClientTW::corpusReplay()
{
    QFETCH(QByteArray, input);
    qtClientTW client(1);
    SignalLog log(client);
    FuzzInput::feedInPieces(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()),
                            [&](const char* bytes, int length) { client.receiveBytes(bytes, length); });
    for (const KX4Data& image : log.images) {
        QCOMPARE(image.size(), 64);
        for (const DeviceData& block : image)
            QCOMPARE(block.size(), 32);
    }
}

QTEST_MAIN(TestQtClientTW)
#include "tst_qtclienttw.moc"
