#include "controllerlink.h"
#include "commslogging.h"
#include "messagecatcher.h"
#include "qtclient.h"
#include "simulatedlink.h"

#include <QTcpServer>
#include <QtTest>

namespace {

// Everything the link tells its client, in order: "s<status>" for a status,
// otherwise the signal's name.
class LinkLog : public QObject
{
public:
    explicit LinkLog(ControllerLink& link)
    {
        connect(&link, &ControllerLink::statusChanged, this, [this](int s) { events << QStringLiteral("s%1").arg(s); });
        const auto record = [this](const char* what) { return [this, what] { events << QLatin1String(what); }; };
        connect(&link, &ControllerLink::connected, this, record("connected"));
        connect(&link, &ControllerLink::watchdogExpired, this, record("expired"));
        connect(&link, &ControllerLink::closed, this, record("closed"));
        connect(&link, &ControllerLink::closedOnPurpose, this, record("own"));
        connect(&link, &ControllerLink::peerClosed, this, record("peer"));
        connect(&link, &ControllerLink::retryDue, this, record("retry"));
    }
    QString summary() const { return events.join(QLatin1Char(' ')); }

    QStringList events;
};

// A loopback port nothing listens on.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress(QStringLiteral("127.0.0.1")));
    return probe.serverPort();
}

} // namespace

class TestControllerLink : public QObject
{
    Q_OBJECT
private slots:
    void connectsAndCarriesBytes();
    void lossIsReportedInOrder_data();
    void lossIsReportedInOrder();
    void failedAttemptIsRetried_data();
    void failedAttemptIsRetried();
};

void TestControllerLink::connectsAndCarriesBytes()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    ControllerLink link(lcEnergizers());
    LinkTiming timing = quietLinkTiming();
    timing.partialFrameMs = 50;
    link.setTiming(timing);
    LinkLog log(link);

    QVERIFY(!link.write(QByteArray("early")));
    QVERIFY(link.beginConnect());
    link.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
    QTRY_COMPARE_WITH_TIMEOUT(log.summary(), QStringLiteral("s0 connected"), 5000);
    QVERIFY(link.canWrite());
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 5000);
    QTcpSocket* peer = server.nextPendingConnection();
    QVERIFY(peer);

    QVERIFY(link.write(QByteArray::fromHex("00010203")));
    QTRY_COMPARE_WITH_TIMEOUT(peer->bytesAvailable(), qint64(4), 5000);
    QCOMPARE(peer->readAll(), QByteArray::fromHex("00010203"));

    char buffer[8] = {};
    QCOMPARE(link.read(buffer, sizeof buffer), qint64(0));
    QSignalSpy ready(&link, &ControllerLink::readyRead);
    peer->write(QByteArray::fromHex("0a0b0c0d0e0f101112"));
    QVERIFY(ready.wait(5000));
    // Never more than the buffer takes; the rest waits for the next read.
    QCOMPARE(link.read(buffer, sizeof buffer), qint64(8));
    QCOMPARE(QByteArray(buffer, 8), QByteArray::fromHex("0a0b0c0d0e0f1011"));
    QCOMPARE(link.read(buffer, sizeof buffer), qint64(1));
    QCOMPARE(buffer[0], char(0x12));
    QCOMPARE(log.summary(), QStringLiteral("s0 connected"));

    // The bound of a frame cut short finds its rest arrived and unread (a
    // busy loop ran the timer first): the rest is read, and the frame the
    // read leaves cut short is the next one, with a bound of its own.
    QSignalSpy expired(&link, &ControllerLink::partialFrameExpired);
    peer->write("rest");
    QVERIFY(ready.wait(5000));
    connect(&link, &ControllerLink::readyRead, &link, [&] {
        link.read(buffer, sizeof buffer);
        link.watchPartialFrame(2);
    });
    link.watchPartialFrame(1);
    QVERIFY(ready.wait(5000));
    QCOMPARE(expired.count(), 0);
    QVERIFY(expired.wait(5000));
}

void TestControllerLink::lossIsReportedInOrder_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("expected");
    // A peer's close surfaces as the socket's error first, then as the close.
    QTest::newRow("peer closes") << "peer" << "s4 s2 closed retry";
    QTest::newRow("watchdog") << "watchdog" << "s1 expired s2 closed retry";
    QTest::newRow("closed by us") << "close" << "own s2 closed";
}

void TestControllerLink::lossIsReportedInOrder()
{
    QFETCH(QString, cause);
    QFETCH(QString, expected);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    ControllerLink link(lcTwSensors());
    LinkTiming timing = quietLinkTiming();
    timing.heartbeatTimeoutMs = 100;
    timing.retryIntervalMs = 200;
    link.setTiming(timing);
    LinkLog log(link);
    QVERIFY(link.beginConnect());
    link.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
    QTRY_COMPARE_WITH_TIMEOUT(log.summary(), QStringLiteral("s0 connected"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 5000);
    QTcpSocket* peer = server.nextPendingConnection();
    log.events.clear();

    MessageCatcher catcher;
    if (cause == QLatin1String("peer"))
        peer->close();
    else if (cause == QLatin1String("watchdog"))
        link.startHeartbeatTimer();
    else
        link.closeConnection();

    if (expected.endsWith(QLatin1String("retry")))
        QTRY_COMPARE_WITH_TIMEOUT(log.summary(), expected, 5000);
    else
        QCOMPARE(log.summary(), expected);
    QVERIFY(!link.canWrite());
    QVERIFY(catcher.contains(QStringLiteral("Close connection")));
    if (cause == QLatin1String("watchdog"))
        QVERIFY(catcher.contains(QStringLiteral("HeartBeat Timed Out ") + QString(138, QLatin1Char('#'))));
    link.stopRetry();
}

void TestControllerLink::failedAttemptIsRetried_data()
{
    QTest::addColumn<bool>("started");
    QTest::addColumn<QString>("expected");
    QTest::newRow("refused") << true << "s0 s4 s2 closed retry";
    // The client found nothing to connect to (no address, no port).
    QTest::newRow("never started") << false << "s0 retry";
}

void TestControllerLink::failedAttemptIsRetried()
{
    QFETCH(bool, started);
    QFETCH(QString, expected);
    ControllerLink link(lcEnergizers());
    LinkTiming timing = quietLinkTiming();
    timing.retryIntervalMs = 100;
    link.setTiming(timing);
    LinkLog log(link);
    MessageCatcher catcher;

    QVERIFY(link.beginConnect());
    if (started)
        link.connectToHost(QStringLiteral("127.0.0.1"), closedPort());
    else
        link.failConnect();
    QTRY_COMPARE_WITH_TIMEOUT(log.summary(), expected, 5000);
    QVERIFY(catcher.contains(QStringLiteral("Connecting failed!")));
    link.stopRetry();
}

QTEST_GUILESS_MAIN(TestControllerLink)
#include "tst_controllerlink.moc"
