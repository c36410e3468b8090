// A controller that goes away and comes back: the alarm log gets one row per
// loss of a link that was up, however many reconnection attempts fail after
// it, and none for a link that never came up.
#include "controlunit.h"
#include "gatewaysimulator.h"
#include "gatewaysubtree.h"
#include "qtclienttw.h"
#include "treemodel.h"
#include "twcontrolunit.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString Address = QStringLiteral("127.0.0.1");

// A peer that takes the connection and sends nothing of use (a push before
// any read sweep, bytes that make no frame) was never up: its failed tries
// are told as statuses, not logged. Then the peer goes away (a socket error,
// then refused attempts), comes back and falls silent, then goes: two losses,
// two rows naming controller, cause and link. It comes back once more and
// the client closes the link itself: no loss.
template <typename Client, typename Unit>
void lossesAreLoggedOnce(Client& client, Unit& unit, bool tw)
{
    const QString message = tw ? QStringLiteral("Link lost to the TW controller: change status to Failure")
                               : QStringLiteral("Link lost to the gateway: change status to Failure");
    QSignalSpy rows(&unit, &Unit::writeAlarmLog);
    QSignalSpy statuses(&client, &Client::commStatus);
    const auto count = [&statuses](qtClient::ClientStatus status) {
        return std::count_if(statuses.cbegin(), statuses.cend(), [status](auto& args) { return args[0] == status; });
    };
    LinkTiming timing;
    timing.heartbeatTimeoutMs = 500;
    timing.retryIntervalMs = 50;
    timing.sweepStartDelayMs = 0;
    client.setTiming(timing);
    quint16 port = 0;
    for (const char* cause : {"never up", "Error", "HeartBeat Timed Out", ""}) {
        auto peer = std::make_unique<GatewaySimulator>();
        peer->setTwMode(tw);
        QVERIFY(peer->listen(QHostAddress(Address), port));
        const auto ups = count(qtClient::Updated);
        if (port == 0) {
            port = peer->port();
            client.setPort(port);
            client.moveTo(Address);
            const QByteArray useless = tw ? QByteArray("\x00\x01\x02", 3) : GatewaySimulator::writeFrame(64, QByteArray(32, '\x01'));
            QObject::connect(peer.get(), &GatewaySimulator::clientConnected, peer.get(), [&peer, useless] { peer->send(useless); });
            QTRY_VERIFY_WITH_TIMEOUT(count(qtClient::HeartBeatTimedOut) >= 3, 10000);
            QCOMPARE(rows.size(), 0);
            continue;
        }
        peer->startHeartbeats(50);
        QTRY_VERIFY_WITH_TIMEOUT(count(qtClient::Updated) > ups, 10000);
        if (!*cause) {
            client.closeConnection();
            QVERIFY(statuses.last().at(0) == qtClient::ConnectionClosedByServer);
            QCOMPARE(rows.size(), 2);
            break;
        }
        if (qstrcmp(cause, "HeartBeat Timed Out") == 0) {
            const auto timeouts = count(qtClient::HeartBeatTimedOut);
            peer->stopHeartbeats();
            QTRY_COMPARE_WITH_TIMEOUT(count(qtClient::HeartBeatTimedOut), timeouts + 1, 5000);
        }
        const auto attempts = count(qtClient::TryToConnect) + 5;
        peer.reset();
        QTRY_VERIFY_WITH_TIMEOUT(count(qtClient::TryToConnect) >= attempts, 5000);
        QCOMPARE(rows.size(), qstrcmp(cause, "Error") == 0 ? 1 : 2);
        QCOMPARE(rows.last(), (QVariantList{Address, cause, message}));
    }
}

} // namespace

class TestLinkLoss : public QObject
{
    Q_OBJECT
private slots:
    void gatewayLoss()
    {
        TreeModel energizers;
        energizers.setRootNode(new Node);
        energizers.insertNode(energizers.rootNode(), -1, GatewaySubtree(Address).statusNode.release());
        qtClient client(0);
        ControlUnit unit;
        unit.energizerModel = &energizers;
        unit.connectClient(&client, Qt::DirectConnection);
        lossesAreLoggedOnce(client, unit, false);
    }

    void twLoss()
    {
        TreeModel sensors;
        sensors.setRootNode(new Node);
        (new Node(Address, sensors.rootNode()))->type = Node::TWSystem;
        qtClientTW client(1);
        TWControlUnit unit;
        unit.twModel = &sensors;
        unit.connectClient(&client, Qt::DirectConnection);
        lossesAreLoggedOnce(client, unit, true);
    }
};

QTEST_MAIN(TestLinkLoss)
#include "tst_linkloss.moc"
