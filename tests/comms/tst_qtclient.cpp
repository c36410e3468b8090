#include "alarmflood.h"
#include "gatewaysimulator.h"
#include "messagecatcher.h"
#include "qtclient.h"
#include "simulatedlink.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <mutex>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A distinct, recognisable 32-byte record per device.
QByteArray pattern(int device)
{
    QByteArray record(32, '\0');
    for (int k = 0; k < 32; ++k)
        record[k] = char((device * 7 + k * 3 + 1) & 0xFF);
    return record;
}

QByteArray toBytes(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.constData()), data.size());
}

// Everything the client tells the control unit, in the order it said it.
struct Event
{
    enum Kind { Data, Image, Status } kind;
    int value;        // block number or status
    QByteArray bytes; // the block of a Data event
    qint64 at;        // ms since the log started
};

class SignalLog : public QObject
{
public:
    explicit SignalLog(qtClient& client)
    {
        clock.start();
        connect(&client, &qtClient::dataUpdate, this, [this](const DeviceData& data, int block) {
            events.append({Event::Data, block, toBytes(data), clock.elapsed()});
        });
        connect(&client, &qtClient::tcpInUpdate, this, [this](const KX4Data& image) {
            lastImage = image;
            events.append({Event::Image, image.size(), {}, clock.elapsed()});
        });
        connect(&client, &qtClient::commStatus, this, [this](qtClient::ClientStatus status) {
            events.append({Event::Status, int(status), {}, clock.elapsed()});
        });
    }

    // The events without the per-read statuses 3 and 6, as "d1 i s7" text.
    QString summary() const
    {
        QStringList parts;
        for (const Event& e : events) {
            if (e.kind == Event::Data)
                parts << QStringLiteral("d%1").arg(e.value);
            else if (e.kind == Event::Image)
                parts << QStringLiteral("i");
            else if (e.value != qtClient::GettingData && e.value != qtClient::Updating)
                parts << QStringLiteral("s%1").arg(e.value);
        }
        return parts.join(QLatin1Char(' '));
    }
    int count(Event::Kind kind, int value = -1) const
    {
        return int(std::count_if(events.begin(), events.end(), [&](const Event& e) {
            return e.kind == kind && (value < 0 || e.value == value);
        }));
    }
    QList<Event> dataEvents() const
    {
        QList<Event> found;
        for (const Event& e : events) {
            if (e.kind == Event::Data)
                found << e;
        }
        return found;
    }
    const Event* last(Event::Kind kind, int value) const
    {
        for (int i = events.size() - 1; i >= 0; --i) {
            if (events[i].kind == kind && events[i].value == value)
                return &events[i];
        }
        return nullptr;
    }

    QElapsedTimer clock;
    QList<Event> events;
    KX4Data lastImage;
};

// A simulator and a gateway client pointed at it.
struct Link : SimulatedLink<qtClient>
{
    explicit Link(const LinkTiming& timing = quietLinkTiming())
        : SimulatedLink(0, false, timing)
        , log(client)
    {
    }

    // Sends a one-energizer heartbeat with the transaction id and waits for its acknowledgement.
    bool heartbeatAcknowledged(quint16 tid)
    {
        const QByteArray hb = GatewaySimulator::frame(90, hex("0100010203040506"), tid);
        const QByteArray ack = hb.left(4) + hex("0000015a");
        sim.send(hb);
        QDeadlineTimer deadline(5000);
        while (!sim.received().contains(ack)) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(5);
        }
        return true;
    }

    // Connects to a gateway that answers no read request by itself, with the
    // sweep right after the first heartbeat and the given reply timeout.
    static LinkTiming unansweredReadTiming(int readReplyTimeoutMs)
    {
        LinkTiming timing = quietLinkTiming();
        timing.sweepStartDelayMs = 0;
        timing.readReplyTimeoutMs = readReplyTimeoutMs;
        return timing;
    }
    bool startSweepUnanswered()
    {
        sim.setAnswerReads(false);
        if (!connectAndHello())
            return false;
        sim.send(GatewaySimulator::heartbeatFrame(1, 0, hex("010203040506")));
        return true;
    }
    // The block numbers of the dataUpdate signals, as "1 0 1" text.
    QString blockOrder() const
    {
        QStringList blocks;
        for (const Event& e : log.dataEvents())
            blocks << QString::number(e.value);
        return blocks.join(QLatin1Char(' '));
    }

    SignalLog log;
};

} // namespace

class TestQtClient : public QObject
{
    Q_OBJECT
private slots:
    void metaTypesCrossThreads();
    void helloOnConnect();
    void readSweep();
    void sweepOncePerConnection();
    void heartbeatMerge();
    void pushedWrites();
    void sendRequest_data();
    void sendRequest();
    void sendRequestWithoutConnection();
    void watchdogAndRetry();
    void pendingConnectKeepsEventLoop();
    void splitReadReply();
    void malformedFrames_data();
    void malformedFrames();
    void paddedFrames_data();
    void paddedFrames();
    void floodOfLinesIsCapped();
    void alarmFloodArrivesWholeInOrder();
    void floodWaitsAtTheGatewayForTheUnit();
    void unknownFunction();
    void deviceIdentification();
    void readResend();
    void lateReplyAfterResend();
    void ignoredRequestThenSweepGoesOn();
    void requestsLostRepeatedlyKeepTheLink();
    void defaultHostAndServerClose();
};

// A receiver on another thread, connected by signature text as the program does.
// Lives on another thread; the test thread reads what it recorded, so every
// access goes through one lock.
class Receiver : public QObject
{
    Q_OBJECT
public slots:
    void onData(DeviceData data, int block)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_blocks.append(block);
        m_sizes.append(data.size());
    }
    void onImage(KX4Data data)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_images.append(data.size());
    }
    void onStatus(qtClient::ClientStatus status)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_statuses.append(int(status));
    }

public:
    QList<int> blocks() const { return read(m_blocks); }
    QList<int> sizes() const { return read(m_sizes); }
    QList<int> images() const { return read(m_images); }
    QList<int> statuses() const { return read(m_statuses); }

private:
    QList<int> read(const QList<int>& list) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return list;
    }
    mutable std::mutex m_mutex;
    QList<int> m_blocks, m_sizes, m_images, m_statuses;
};

void TestQtClient::metaTypesCrossThreads()
{
    MessageCatcher catcher;
    qtClient client(0);
    QVERIFY(QMetaType::type("DeviceData") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("KX4Data") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("qtClient::ClientStatus") != QMetaType::UnknownType);

    QThread thread;
    Receiver receiver;
    receiver.moveToThread(&thread);
    thread.start();
    QVERIFY(connect(&client, SIGNAL(dataUpdate(DeviceData,int)), &receiver, SLOT(onData(DeviceData,int)),
                    Qt::QueuedConnection));
    QVERIFY(connect(&client, SIGNAL(tcpInUpdate(KX4Data)), &receiver, SLOT(onImage(KX4Data)), Qt::QueuedConnection));
    QVERIFY(connect(&client, SIGNAL(commStatus(qtClient::ClientStatus)), &receiver,
                    SLOT(onStatus(qtClient::ClientStatus)), Qt::QueuedConnection));

    const QByteArray write = GatewaySimulator::writeFrame(5 * 32, pattern(5));
    client.dataValid = true;  // swept: the push updates the image
    client.receiveBytes(write.constData(), write.size());
    QTRY_COMPARE_WITH_TIMEOUT(receiver.statuses().size(), 2, 5000);
    thread.quit();
    thread.wait();
    QCOMPARE(receiver.blocks(), QList<int>{5});
    QCOMPARE(receiver.sizes(), QList<int>{32});
    QCOMPARE(receiver.images(), QList<int>{64});
    QCOMPARE(receiver.statuses(), (QList<int>{qtClient::Updating, qtClient::Updated}));
    QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
}

void TestQtClient::helloOnConnect()
{
    Link link;
    link.client.connectToServer();
    QVERIFY(link.sim.waitForFrames(1));
    QCOMPARE(link.sim.received().first(), hex("00000001000f012b0000000808427265" "2d2d6e696b"));
    QCOMPARE(link.client.status, qtClient::Connected);
    QCOMPARE(link.log.summary(), QStringLiteral("s0 s5"));
}

void TestQtClient::readSweep()
{
    LinkTiming timing = quietLinkTiming();
    timing.sweepStartDelayMs = 1000;
    Link link(timing);
    for (int device = 0; device < 64; ++device)
        link.sim.setBlock(device, pattern(device));
    // A reply that takes a moment lets a second outstanding request show.
    link.sim.setReadReplyDelay(2);
    QVERIFY(link.connectAndHello());

    link.sim.send(GatewaySimulator::heartbeatFrame(1, 0, pattern(1).left(6)));
    QElapsedTimer sinceHeartbeat;
    sinceHeartbeat.start();
    QVERIFY(link.sim.waitForFunction(3, 1));
    QVERIFY2(sinceHeartbeat.elapsed() >= timing.sweepStartDelayMs, qPrintable(QString::number(sinceHeartbeat.elapsed())));

    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Image), 1, 10000);
    const QList<QByteArray> reads = link.sim.receivedWithFunction(3);
    QCOMPARE(reads.size(), 64);
    for (int k = 0; k < 64; ++k) {
        const int start = k == 0 ? 32 : k * 32;
        const QByteArray expected = hex("000000010006010300000020");
        QByteArray request = expected;
        request[8] = char(start >> 8);
        request[9] = char(start & 0xFF);
        QCOMPARE(reads[k], request);
    }
    QCOMPARE(reads.last(), hex("0000000100060103" "07e00020"));
    QCOMPARE(link.sim.maxOutstandingReads(), 1);

    // The heartbeat's block first, then reply k into block k.
    const QList<Event> data = link.log.dataEvents();
    QCOMPARE(data.size(), 65);
    QCOMPARE(data[0].value, 1);
    for (int k = 0; k < 64; ++k) {
        QCOMPARE(data[k + 1].value, k);
        QCOMPARE(data[k + 1].bytes, pattern(k == 0 ? 1 : k));
    }
    // Only the 64th reply hands on the image, after its block.
    QVERIFY2(link.log.summary().endsWith(QStringLiteral("d62 d63 i s7")), qPrintable(link.log.summary()));
    QCOMPARE(link.log.count(Event::Status, qtClient::Updated), 1);
    QVERIFY(link.client.dataValid);
    QCOMPARE(toBytes(link.log.lastImage[63]), pattern(63));
    QCOMPARE(toBytes(link.log.lastImage[0]), pattern(1));

    // After the sweep a heartbeat merges into the read blocks and hands on the image.
    link.log.events.clear();
    const QByteArray status = hex("a1a2a3a4a5a6");
    link.sim.send(GatewaySimulator::heartbeatFrame(1, 0, status));
    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Image), 1, 5000);
    QCOMPARE(link.log.summary(), QStringLiteral("d1 i s7"));
    QByteArray merged = pattern(1);
    const int bytes[] = {13, 20, 4, 9, 17, 24};
    for (int k = 0; k < 6; ++k)
        merged[bytes[k]] = status[k];
    QCOMPARE(link.log.dataEvents().first().bytes, merged);
    QCOMPARE(toBytes(link.log.lastImage[1]), merged);
}

void TestQtClient::sweepOncePerConnection()
{
    LinkTiming timing = quietLinkTiming();
    timing.sweepStartDelayMs = 0;
    Link link(timing);
    for (int device = 0; device < 64; ++device)
        link.sim.setBlock(device, pattern(device));
    link.sim.setDeviceCounts(1, 0);
    QVERIFY(link.connectAndHello());
    link.sim.sendHeartbeat();
    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Image), 1, 10000);
    QCOMPARE(link.sim.receivedWithFunction(3).size(), 64);

    // A zero-delay sweep would be asked for before the next acknowledgement is written.
    QVERIFY(link.heartbeatAcknowledged(2));
    QVERIFY(link.heartbeatAcknowledged(3));
    QCOMPARE(link.sim.receivedWithFunction(3).size(), 64);

    // A reconnect starts from a zeroed image and sweeps again.
    link.client.closeConnection();
    link.log.events.clear();
    link.sim.clearReceived();
    for (int device = 0; device < 64; ++device)
        link.sim.setBlock(device, pattern(device + 1));
    QVERIFY(link.connectAndHello());
    QCOMPARE(link.sim.connectionCount(), 2);
    const QByteArray status = hex("0102030405ff");
    link.sim.send(GatewaySimulator::heartbeatFrame(1, 0, status));
    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Image), 1, 10000);
    QByteArray fresh(32, '\0');
    const int bytes[] = {13, 20, 4, 9, 17, 24};
    for (int k = 0; k < 6; ++k)
        fresh[bytes[k]] = status[k];
    QCOMPARE(link.log.dataEvents().first().bytes, fresh);
    QCOMPARE(link.sim.receivedWithFunction(3).size(), 64);
    QCOMPARE(toBytes(link.log.lastImage[63]), pattern(64));
}

void TestQtClient::heartbeatMerge()
{
    Link link;
    QVERIFY(link.connectAndHello());
    for (int device : {1, 2, 33})
        link.sim.send(GatewaySimulator::writeFrame(device * 32, pattern(device)));
    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Image), 3, 5000);
    link.log.events.clear();
    link.sim.clearReceived();

    const QByteArray status = hex("111213141516" "212223242526" "3132");
    const QByteArray heartbeat = GatewaySimulator::heartbeatFrame(2, 1, status);
    QCOMPARE(heartbeat.size(), 24);
    QCOMPARE(heartbeat.mid(4, 2), hex("0012"));
    link.sim.send(heartbeat);
    QVERIFY(link.sim.waitForFrames(1));

    QCOMPARE(link.sim.received(), QList<QByteArray>{heartbeat.left(4) + hex("0000015a")});
    QCOMPARE(link.log.summary(), QStringLiteral("d1 d2 d33"));
    QCOMPARE(link.log.count(Event::Image), 0);
    QCOMPARE(link.client.no_of_energizers.load(), 2);
    QCOMPARE(link.client.no_of_iocards.load(), 1);

    const int energizerBytes[] = {13, 20, 4, 9, 17, 24};
    const QList<Event> data = link.log.dataEvents();
    for (int i = 0; i < 2; ++i) {
        QByteArray expected = pattern(i + 1);
        for (int k = 0; k < 6; ++k)
            expected[energizerBytes[k]] = status[6 * i + k];
        QCOMPARE(data[i].bytes, expected);
    }
    QByteArray ioCard = pattern(33);
    ioCard[4] = status[12];
    ioCard[6] = status[13];
    QCOMPARE(data[2].bytes, ioCard);
}

void TestQtClient::pushedWrites()
{
    Link link;
    QVERIFY(link.connectAndHello());
    link.sim.clearReceived();

    const QByteArray write = GatewaySimulator::writeFrame(0x60, pattern(3));
    QCOMPARE(write.mid(4, 2), hex("0027"));
    link.sim.send(write);
    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Image), 1, 5000);
    // Before any read sweep the image is not the gateway's: not Updated.
    QCOMPARE(link.log.summary(), QStringLiteral("s0 s5 d3 i"));
    QCOMPARE(link.log.dataEvents().first().bytes, pattern(3));
    QCOMPARE(toBytes(link.log.lastImage[3]), pattern(3));

    // A heartbeat and a write in one TCP write: both handled, only the heartbeat acknowledged.
    link.log.events.clear();
    link.sim.send(GatewaySimulator::heartbeatFrame(1, 0, hex("010203040506"))
                  + GatewaySimulator::writeFrame(4 * 32, pattern(4)));
    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Image), 1, 5000);
    QCOMPARE(link.log.summary(), QStringLiteral("d1 d4 i"));
    QCOMPARE(link.log.dataEvents().last().bytes, pattern(4));

    // Configuration registers are acknowledged with their own function code.
    link.sim.send(GatewaySimulator::configurationFrame(hex("0a0b0c0d")));
    QVERIFY(link.sim.waitForFunction(100, 1));
    QCOMPARE(link.sim.received(), (QList<QByteArray>{hex("000100010000015a"), hex("0001000100000164")}));
}

void TestQtClient::sendRequest_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("hvlv");
    QTest::addColumn<int>("onoff");
    QTest::addColumn<int>("clearAlrm");
    QTest::addColumn<bool>("iocard");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("energizer zone 1 on") << 3 << 0x00 << 0x01 << 0x00 << false
                                         << hex("00000001000f0110000000080803000500010000" "00");
    QTest::newRow("energizer clear alarms") << 3 << 0x02 << 0x01 << 0x03 << false
                                            << hex("00000001000f0110000000080803000502010300" "00");
    QTest::newRow("io card relay 3") << 34 << 0 << 0x04 << 0 << true
                                     << hex("00000001000f0110000000080822000704000000" "00");
    QTest::newRow("gateway global mode") << 0 << 0x03 << 0x03 << 0 << false
                                         << hex("00000001000f0110000000080800000503030000" "00");
}

void TestQtClient::sendRequest()
{
    QFETCH(int, device);
    QFETCH(int, hvlv);
    QFETCH(int, onoff);
    QFETCH(int, clearAlrm);
    QFETCH(bool, iocard);
    QFETCH(QByteArray, frame);

    Link link;
    QVERIFY(link.connectAndHello());
    link.client.sendRequest(device, char(hvlv), char(onoff), char(clearAlrm), iocard);
    QVERIFY(link.sim.waitForFrames(2));
    QCOMPARE(link.sim.received().last(), frame);
    QCOMPARE(frame.size(), 21);

    // The next write frame from the gateway is taken as the answer to the command.
    MessageCatcher catcher;
    link.sim.send(GatewaySimulator::writeFrame(device * 32, pattern(device)));
    QTRY_VERIFY_WITH_TIMEOUT(catcher.contains(QStringLiteral("response to our own command client")), 5000);
}

void TestQtClient::sendRequestWithoutConnection()
{
    MessageCatcher catcher;
    Link link;
    link.client.sendRequest(3, 0, 1, 0, false);
    QVERIFY(catcher.contains(QStringLiteral("dropped: the gateway is not connected")));
    // A connection made afterwards carries only the hello: nothing was queued.
    QVERIFY(link.connectAndHello());
    QVERIFY(link.heartbeatAcknowledged(7));
    QCOMPARE(link.sim.received().size(), 2);
}

void TestQtClient::watchdogAndRetry()
{
    MessageCatcher catcher;
    LinkTiming timing = quietLinkTiming();
    timing.heartbeatTimeoutMs = 300;
    timing.retryIntervalMs = 1000;
    Link link(timing);
    QVERIFY(link.connectAndHello());
    // Heartbeats keep the link up well past the watchdog period...
    link.sim.setDeviceCounts(1, 0);
    link.sim.startHeartbeats(100);
    QVERIFY(link.sim.waitForFunction(90, 8));
    link.sim.stopHeartbeats();
    QCOMPARE(link.log.count(Event::Status, qtClient::HeartBeatTimedOut), 0);

    // ...silence ends it: status 1, then 2, and a new attempt one retry period later.
    QTRY_COMPARE_WITH_TIMEOUT(link.sim.connectionCount(), 2, 5000);
    QVERIFY(link.sim.waitForFunction(43, 2));
    QVERIFY2(link.log.summary().contains(QStringLiteral("d1 s1 s2 s0 s5")), qPrintable(link.log.summary()));
    const Event* closed = link.log.last(Event::Status, qtClient::ConnectionClosedByServer);
    const Event* retried = link.log.last(Event::Status, qtClient::TryToConnect);
    QVERIFY(closed && retried);
    QVERIFY2(retried->at - closed->at >= timing.retryIntervalMs, qPrintable(QString::number(retried->at - closed->at)));
    QVERIFY(catcher.contains(QStringLiteral("HeartBeat Timed Out ") + QString(138, QLatin1Char('#'))));
}

void TestQtClient::pendingConnectKeepsEventLoop()
{
    // A listener whose accept queue is full: connection attempts stay pending.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(0x7f000001);
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    QVERIFY(::listen(listener, 0) == 0);
    socklen_t length = sizeof address;
    QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0);
    const quint16 port = ntohs(address.sin_port);
    QList<QTcpSocket*> fillers;
    for (int i = 0; i < 3; ++i) {
        auto* filler = new QTcpSocket(this);
        filler->connectToHost(QHostAddress::LocalHost, port);
        fillers << filler;
    }
    QTRY_VERIFY_WITH_TIMEOUT(fillers.first()->state() == QAbstractSocket::ConnectedState, 5000);

    MessageCatcher catcher;
    LinkTiming timing = quietLinkTiming();
    timing.connectWaitMs = 1000;
    timing.retryIntervalMs = 300;
    qtClient client(0);
    client.setTiming(timing);
    client.setPort(port);
    SignalLog log(client);

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(100);
    client.moveTo(QStringLiteral("127.0.0.1"));
    // A call that waited for the connection would have given up and said so
    // before it returned; the event loop runs while the attempt is pending.
    QVERIFY(!catcher.contains(QStringLiteral("Connecting failed!")));
    const int ticksAtCall = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(catcher.contains(QStringLiteral("Connecting failed!")), 5000);
    QVERIFY(ticks > ticksAtCall);
    // A new attempt follows after the retry period.
    QTRY_COMPARE_WITH_TIMEOUT(log.count(Event::Status, qtClient::TryToConnect), 2, 5000);
    QCOMPARE(log.count(Event::Status, qtClient::Connected), 0);
    client.closeConnection();
    qDeleteAll(fillers);
    ::close(listener);
}

void TestQtClient::splitReadReply()
{
    Link link;
    QVERIFY(link.connectAndHello());
    const QByteArray reply = GatewaySimulator::readReplyFrame(pattern(9));
    QCOMPARE(reply.size(), 41);
    link.sim.sendInPieces(reply, {20}, 100);
    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Data), 1, 5000);
    QVERIFY(link.heartbeatAcknowledged(5));
    const QList<Event> data = link.log.dataEvents();
    QCOMPARE(data.size(), 2);  // the reply's block, then the heartbeat's
    QCOMPARE(data[0].value, 0);
    QCOMPARE(data[0].bytes, pattern(9));
}

void TestQtClient::malformedFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("diagnostic");
    QTest::addColumn<QList<int>>("blocks");

    QByteArray status;
    for (int k = 0; k < 6 * 40 + 2 * 40; ++k)
        status.append(char(k));
    QTest::newRow("heartbeat 40 energizers 40 io cards")
        << GatewaySimulator::heartbeatFrame(40, 40, status) << QStringLiteral("Heartbeat counts 40 40")
        << [] { QList<int> b; for (int i = 1; i <= 32; ++i) b << i; for (int j = 33; j <= 63; ++j) b << j; return b; }();
    QTest::newRow("heartbeat shorter than its counts")
        << GatewaySimulator::heartbeatFrame(3, 2, hex("0102030405060708")) << QStringLiteral("shorter than its counts")
        << QList<int>{1};
    QTest::newRow("read reply length 200") << GatewaySimulator::frame(3, QByteArray(198, '\xab'))
                                           << QStringLiteral("frame length 200") << QList<int>();
    QTest::newRow("heartbeat longer than its counts") << GatewaySimulator::rawFrame(600, 90, hex("0100010203040506"))
                                                      << QStringLiteral("frame length 600") << QList<int>();
    QTest::newRow("heartbeat past the largest") << GatewaySimulator::rawFrame(259, 90, hex("0100010203040506"))
                                                << QStringLiteral("frame length 259") << QList<int>();
    QByteArray replies;
    for (int k = 0; k < 65; ++k)
        replies += GatewaySimulator::readReplyFrame(pattern(k));
    QList<int> all;
    for (int k = 0; k < 64; ++k)
        all << k;
    QTest::newRow("65th read reply") << replies << QStringLiteral("Read reply beyond") << all;
    QTest::newRow("write for start 0x0800") << GatewaySimulator::writeFrame(0x800, pattern(1))
                                            << QStringLiteral("outside the image ignored") << QList<int>();
    QTest::newRow("write of 100 registers at device 62") << GatewaySimulator::writeFrame(62 * 32, QByteArray(100, '\x5a'))
                                                         << QStringLiteral("stores 64 of 100 bytes") << QList<int>{62};
    QTest::newRow("write answer without data") << GatewaySimulator::rawFrame(6, 16, hex("00600008"))
                                               << QStringLiteral("stores 0 of 12 bytes") << QList<int>{3};
    QTest::newRow("heartbeat without counts") << GatewaySimulator::rawFrame(3, 90, hex("01"))
                                              << QStringLiteral("without device counts") << QList<int>();
    QTest::newRow("length 0") << GatewaySimulator::rawFrame(0, 90, hex("0100")) << QStringLiteral("frame length 0")
                              << QList<int>();
    QTest::newRow("length 1") << GatewaySimulator::rawFrame(1, 90, hex("01")) << QStringLiteral("frame length 1")
                              << QList<int>();
    QTest::newRow("length 3000") << GatewaySimulator::rawFrame(3000, 90, QByteArray(40, '\x01'))
                                 << QStringLiteral("frame length 3000") << QList<int>();
    // Longer than any write or identification, which count their data in one byte.
    for (const int length : {2000, 0xFFFF})
        for (const quint8 code : {16, 43})
            QTest::newRow(qPrintable(QStringLiteral("function %1 length %2").arg(code).arg(length)))
                << GatewaySimulator::rawFrame(quint16(length), code, hex("0060002020"))
                << QStringLiteral("frame length %1").arg(length) << QList<int>();
}

void TestQtClient::malformedFrames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, diagnostic);
    QFETCH(QList<int>, blocks);

    MessageCatcher catcher;
    Link link;
    QVERIFY(link.connectAndHello());
    link.sim.send(bytes);
    QTRY_VERIFY_WITH_TIMEOUT(catcher.contains(diagnostic), 5000);
    QList<int> seen;
    for (const Event& e : link.log.dataEvents())
        seen << e.value;
    QCOMPARE(seen, blocks);
    // The link stays up and keeps parsing.
    link.log.events.clear();
    QVERIFY(link.heartbeatAcknowledged(0x77));
    // Only a completed set of 64 blocks makes heartbeats hand on the image.
    QCOMPARE(link.log.summary(), link.client.dataValid ? QStringLiteral("d1 i s7") : QStringLiteral("d1"));
    QCOMPARE(link.sim.connectionCount(), 1);
    QVERIFY(link.sim.isConnected());
    QVERIFY(link.client.status == qtClient::Updating || link.client.status == qtClient::Updated);
}

// Frames padded up to the largest of their function: the counted bytes are
// taken, the padding skipped, and the frame behind them parsed.
void TestQtClient::paddedFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QByteArray>("record");   // of the first event's block

    // One energizer and one IO card, length 258 (0x0102): 264 bytes in all.
    QByteArray record(32, '\0');
    const int energizerBytes[] = {13, 20, 4, 9, 17, 24};
    for (int k = 0; k < 6; ++k)
        record[energizerBytes[k]] = char(0xa1 + k);
    QTest::newRow("heartbeat") << hex("000000010102015a" "0101" "a1a2a3a4a5a6" "b1b2") + QByteArray(246, '\xee')
                               << QStringLiteral("d1 d33 d1") << record;
    // Byte count 20, length 67 (0x43): 73 bytes in all.
    QTest::newRow("read reply") << hex("0000000100430103" "14") + pattern(9).left(20) + QByteArray(44, '\xee')
                                << QStringLiteral("d0 d1") << pattern(9).left(20) + QByteArray(12, '\0');
}

void TestQtClient::paddedFrames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, events);
    QFETCH(QByteArray, record);

    Link link;
    QVERIFY(link.connectAndHello());
    link.log.events.clear();
    link.sim.send(bytes + GatewaySimulator::heartbeatFrame(1, 0, hex("a1a2a3a4a5a6")));
    QTRY_COMPARE_WITH_TIMEOUT(link.log.summary(), events, 5000);
    QCOMPARE(link.log.dataEvents().first().bytes, record);
    QVERIFY(link.heartbeatAcknowledged(0x77));
    QCOMPARE(link.sim.connectionCount(), 1);
}

// Past the limit a second the link's lines are only counted; the count goes
// out as one line once the second is over, before the next line.
void TestQtClient::floodOfLinesIsCapped()
{
    MessageCatcher catcher;
    qtClient client(0);
    const QByteArray write = GatewaySimulator::writeFrame(3 * 32, pattern(3));
    client.receiveBytes(write.constData(), write.size());
    const int perWrite = catcher.messages().size();
    QVERIFY(perWrite > 10);

    qint64 now = 0;
    client.lines().setClock([&now] { return now; });
    client.lines().setLinesPerSecond(10);
    catcher.clear();
    for (int i = 0; i < 100; ++i)
        client.receiveBytes(write.constData(), write.size());
    now = 999;
    client.receiveBytes(write.constData(), write.size());
    QCOMPARE(catcher.messages().size(), 10);
    now = 1000;
    client.receiveBytes(write.constData(), write.size());
    QCOMPARE(catcher.messages().size(), 21);
    QCOMPARE(catcher.messages().at(10), QStringLiteral("%1 lines suppressed").arg(101 * perWrite - 10));
}

// 10,000 alarm changes a second over the socket, cut anywhere by TCP: each
// reaches the control unit's side, in the order pushed.
void TestQtClient::alarmFloodArrivesWholeInOrder()
{
    Link link;
    QVERIFY(link.connectAndHello());
    link.log.events.clear();
    AlarmFlood flood(3);
    QSignalSpy finished(&flood, &AlarmFlood::finished);
    flood.start(&link.sim, 10000, 300);
    QVERIFY(finished.wait(10000));
    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Data), int(flood.pushed()), 10000);
    const QList<Event> data = link.log.dataEvents();
    for (int k = 0; k < data.size(); ++k)
        QCOMPARE(data[k].bytes, AlarmFlood::energizerRecord(k % 3 + 1, k / 3 % 2 == 0));
}

// A unit a bound behind holds the client's reading: the pushes wait in the
// socket, full, and at the gateway; each comes, in order, once taken.
void TestQtClient::floodWaitsAtTheGatewayForTheUnit()
{
    LinkTiming timing = quietLinkTiming();
    timing.partialFrameMs = 200;
    Link link(timing);
    QVERIFY(link.connectAndHello());
    connect(&link.client, &qtClient::dataWaiting, this, [] {});  // a unit that takes only when the test does
    const int pushes = 4000;
    QByteArray bytes;
    for (int k = 0; k < pushes; ++k)
        bytes += GatewaySimulator::writeFrame(32, QByteArray(1, char(k)) + char(k >> 8) + QByteArray(30, '\0'));
    link.sim.send(bytes);
    QTRY_COMPARE(link.client.unreadBytes(), ControllerLink::ReadBufferBytes);
    QVERIFY(link.client.inbox().waiting() <= qtClient::MaxWaitingDeliveries + qtClient::kReceiveChunk / 45);
    // The hold outlasts the bound of the frame its last read cut: that frame waits for bytes held here.
    QTest::qWait(3 * timing.partialFrameMs);
    int taken = 0;
    QTRY_VERIFY_WITH_TIMEOUT([&] {
        // A push out of its turn overshoots the count for good.
        for (const LinkInbox::Delivery& delivery : link.client.inbox().take())
            taken += delivery.image[32] + 256 * delivery.image[33] == taken && delivery.devices == 2 ? 1 : pushes;
        link.client.unitDone();
        return taken == pushes;
    }(), 20000);
}

void TestQtClient::unknownFunction()
{
    MessageCatcher catcher;
    Link link;
    QVERIFY(link.connectAndHello());
    // The heartbeat behind the unknown frame goes with the dropped bytes.
    link.sim.send(GatewaySimulator::frame(7, hex("00000000")) + GatewaySimulator::frame(90, hex("0000"), 0x51));
    QTRY_VERIFY_WITH_TIMEOUT(catcher.contains(QStringLiteral("who knows: 7")), 5000);
    QVERIFY(link.heartbeatAcknowledged(0x52));
    QCOMPARE(link.sim.receivedWithFunction(90), QList<QByteArray>{hex("005200010000015a")});
}

void TestQtClient::deviceIdentification()
{
    MessageCatcher catcher;
    Link link;
    QVERIFY(link.connectAndHello());
    link.sim.send(GatewaySimulator::frame(43, hex("0000000808") + "Bre--nik"));
    QTRY_VERIFY_WITH_TIMEOUT(catcher.contains(QStringLiteral("Device Identification")), 5000);
    const QStringList lines = catcher.messages();
    const int own = lines.indexOf(QRegularExpression(QStringLiteral(".*response to our own command client.*")));
    const int ident = lines.indexOf(QRegularExpression(QStringLiteral(".*Device Identification.*")));
    QVERIFY(own >= 0 && own < ident);
    QVERIFY(link.heartbeatAcknowledged(9));
    QCOMPARE(link.sim.received().size(), 2);  // hello and the heartbeat's acknowledgement
}

void TestQtClient::readResend()
{
    MessageCatcher catcher;
    LinkTiming timing = quietLinkTiming();
    timing.sweepStartDelayMs = 0;
    timing.readReplyTimeoutMs = 150;
    timing.retryIntervalMs = 200;
    Link link(timing);
    link.sim.setAnswerReads(false);
    QVERIFY(link.connectAndHello());
    link.sim.send(GatewaySimulator::heartbeatFrame(1, 0, hex("010203040506")));

    QVERIFY(link.sim.waitForFunction(3, 4));
    QTRY_COMPARE_WITH_TIMEOUT(link.log.count(Event::Status, qtClient::ConnectionClosedByServer), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(link.sim.connectionCount(), 2, 5000);
    QVERIFY(link.sim.waitForFunction(43, 2));
    const QList<QByteArray> reads = link.sim.receivedWithFunction(3);
    QCOMPARE(reads.size(), 4);
    for (const QByteArray& read : reads)
        QCOMPARE(read, hex("000000010006010300200020"));
    QVERIFY(catcher.contains(QStringLiteral("never answered: closing the link")));
}

// A gateway that answers late answers the resent request as well: the second
// answer is to the same request and must not fill the next block, nor move
// the sweep on.
void TestQtClient::lateReplyAfterResend()
{
    Link link(Link::unansweredReadTiming(300));
    QVERIFY(link.startSweepUnanswered());
    // The first request and its resend are out.
    QVERIFY(link.sim.waitForFunction(3, 2));

    link.sim.send(GatewaySimulator::readReplyFrame(pattern(1)) + GatewaySimulator::readReplyFrame(pattern(1)));
    // A heartbeat behind both answers: once it is acknowledged both were handled.
    QVERIFY(link.heartbeatAcknowledged(7));

    QCOMPARE(link.blockOrder(), QStringLiteral("1 0 1"));
    QCOMPARE(link.log.dataEvents().at(1).bytes, pattern(1));
    // The sweep waits for its second request (device 1 again), not the third.
    for (const QByteArray& read : link.sim.receivedWithFunction(3))
        QCOMPARE(read, hex("000000010006010300200020"));
    QVERIFY(!link.client.dataValid);
}

// A gateway that ignored a request but answers its copy: the next answer,
// first taken for a late one, proves to be awaited; after that one more wait
// the sweep goes on at the gateway's pace.
void TestQtClient::ignoredRequestThenSweepGoesOn()
{
    Link link(Link::unansweredReadTiming(1000));
    QVERIFY(link.startSweepUnanswered());
    QVERIFY(link.sim.waitForFunction(3, 2));            // the request and its copy
    link.sim.send(GatewaySimulator::readReplyFrame(pattern(1)));   // answers the copy
    QVERIFY(link.sim.waitForFunction(3, 3));            // device 1, second time
    link.sim.send(GatewaySimulator::readReplyFrame(pattern(11)));  // its answer, dropped
    QVERIFY(link.sim.waitForFunction(3, 4));            // ...so it is sent again
    link.sim.send(GatewaySimulator::readReplyFrame(pattern(11)));
    QVERIFY(link.sim.waitForFunction(3, 5));            // device 2
    link.sim.send(GatewaySimulator::readReplyFrame(pattern(2)));
    QVERIFY(link.sim.waitForFunction(3, 6));            // device 3 without a wait
    QCOMPARE(link.sim.receivedWithFunction(3).at(5), hex("000000010006010300600020"));

    QCOMPARE(link.blockOrder(), QStringLiteral("1 0 1 2"));
    QCOMPARE(link.log.dataEvents().at(2).bytes, pattern(11));
    QCOMPARE(link.log.dataEvents().at(3).bytes, pattern(2));
}

// A request lost three times, then the next one lost once: each is answered
// within its own resends and the link stays up.
void TestQtClient::requestsLostRepeatedlyKeepTheLink()
{
    Link link(Link::unansweredReadTiming(200));
    QVERIFY(link.startSweepUnanswered());
    QVERIFY(link.sim.waitForFunction(3, 4));            // device 1 and its three copies
    link.sim.send(GatewaySimulator::readReplyFrame(pattern(1)));
    QVERIFY(link.sim.waitForFunction(3, 6));            // device 1 again, lost, and its copy
    link.sim.send(GatewaySimulator::readReplyFrame(pattern(11)));   // taken for a late one
    QVERIFY(link.sim.waitForFunction(3, 7));
    link.sim.send(GatewaySimulator::readReplyFrame(pattern(11)));   // the awaited answer
    QVERIFY(link.sim.waitForFunction(3, 8));
    QCOMPARE(link.sim.receivedWithFunction(3).at(7), hex("000000010006010300400020"));
    QCOMPARE(link.sim.connectionCount(), 1);
    QCOMPARE(link.log.dataEvents().last().bytes, pattern(11));
}

void TestQtClient::defaultHostAndServerClose()
{
    MessageCatcher catcher;
    QCOMPARE(qtClient(0).port(), quint16(6178));
    QCOMPARE(qtClient(1).port(), quint16(6179));

    Link link;
    link.client.connectToServer();
    QVERIFY(link.sim.waitForFunction(43, 1));
    QCOMPARE(link.client.address(), QStringLiteral("localhost"));

    // The gateway ends the connection: reported once, and the client comes back.
    LinkTiming timing = quietLinkTiming();
    timing.retryIntervalMs = 200;
    link.client.setTiming(timing);
    link.sim.closeConnection();
    QTRY_COMPARE_WITH_TIMEOUT(link.sim.connectionCount(), 2, 5000);
    QVERIFY(link.sim.waitForFunction(43, 2));
    // The socket reports the remote close as an error first: 4, then 2 once.
    QVERIFY2(link.log.summary().startsWith(QStringLiteral("s0 s5 s4 s2 s0 s5")), qPrintable(link.log.summary()));
    QVERIFY(catcher.contains(QStringLiteral("The remote host closed the connection")));
}

QTEST_MAIN(TestQtClient)
#include "tst_qtclient.moc"
