// A controller that goes away and comes back: the alarm log gets one row
// per loss of a link that was up, however many reconnection attempts fail
// in between.
#include "controlunit.h"
#include "gatewaysimulator.h"
#include "gatewaysubtree.h"
#include "linklosswatch.h"
#include "qtclient.h"
#include "qtclienttw.h"
#include "treemodel.h"
#include "twcontrolunit.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString Address = QStringLiteral("127.0.0.1");

LinkTiming shortTiming()
{
    LinkTiming timing;
    timing.heartbeatTimeoutMs = 500;
    timing.retryIntervalMs = 50;
    timing.connectWaitMs = 500;
    timing.sweepStartDelayMs = 10;
    return timing;
}

int count(const QSignalSpy& statuses, qtClient::ClientStatus status)
{
    return int(std::count_if(statuses.cbegin(), statuses.cend(),
                             [status](const QList<QVariant>& args) { return args.at(0).toInt() == status; }));
}

// The peer goes away (its close is a socket error, then connections are
// refused), comes back and falls silent,
// then goes away again: two losses, two rows, each naming the controller.
template <typename Client, typename Unit>
void lossesAreLoggedOnce(Client& client, Unit& unit, bool tw, const QString& source)
{
    QSignalSpy rows(&unit, &Unit::writeAlarmLog);
    QSignalSpy statuses(&client, &Client::commStatus);
    auto peer = std::make_unique<GatewaySimulator>();
    peer->setTwMode(tw);
    QVERIFY(peer->listen(QHostAddress(Address)));
    const quint16 port = peer->port();
    peer->startHeartbeats(50);
    client.ip = Address;
    client.setPort(port);
    client.setTiming(shortTiming());
    client.connectToServer();
    QTRY_COMPARE_WITH_TIMEOUT(count(statuses, qtClient::Connected), 1, 5000);
    peer.reset();
    QTRY_VERIFY_WITH_TIMEOUT(count(statuses, qtClient::TryToConnect) >= 5, 5000);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0), (QVariantList{source, "Error", LinkLossWatch::LossMessage}));

    peer = std::make_unique<GatewaySimulator>();
    peer->setTwMode(tw);
    QVERIFY(peer->listen(QHostAddress(Address), port));
    QTRY_COMPARE_WITH_TIMEOUT(count(statuses, qtClient::Connected), 2, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(count(statuses, qtClient::HeartBeatTimedOut), 1, 5000);
    peer.reset();
    const int attempts = count(statuses, qtClient::TryToConnect);
    QTRY_VERIFY_WITH_TIMEOUT(count(statuses, qtClient::TryToConnect) >= attempts + 5, 5000);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1), (QVariantList{source, "HeartBeat Timed Out", LinkLossWatch::LossMessage}));
    client.closeConnection();
}

} // namespace

class TestLinkLoss : public QObject
{
    Q_OBJECT
private slots:
    void gatewayLoss()
    {
        TreeModel energizers;
        energizers.setRootNode(new Node(QStringLiteral("Name")));
        GatewaySubtree gateway(Address);
        energizers.insertNode(energizers.rootNode(), -1, gateway.statusNode.release());
        qtClient client(0);
        ControlUnit unit;
        unit.energizerModel = &energizers;
        unit.connectClient(&client, Qt::DirectConnection);
        lossesAreLoggedOnce(client, unit, false, Address);
    }

    void twLoss()
    {
        TreeModel sensors;
        sensors.setRootNode(new Node(QStringLiteral("Name")));
        auto* system = new Node(Address, sensors.rootNode());
        system->type = Node::TWSystem;
        qtClientTW client(1);
        TWControlUnit unit;
        unit.twModel = &sensors;
        unit.connectClient(&client, Qt::DirectConnection);
        lossesAreLoggedOnce(client, unit, true, Address);
    }
};

QTEST_MAIN(TestLinkLoss)
#include "tst_linkloss.moc"
