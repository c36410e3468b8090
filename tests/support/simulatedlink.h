#pragma once

#include "gatewaysimulator.h"
#include "linktiming.h"

#include <QHostAddress>
#include <QString>

// Timings for link tests: a short connect wait; the watchdog, the retry, the read sweep and the wait for a frame
// cut short stay out of a test's way unless it shortens them further.
inline LinkTiming quietLinkTiming()
{
    LinkTiming timing;
    timing.heartbeatTimeoutMs = 30000;
    timing.retryIntervalMs = 30000;
    timing.connectWaitMs = 5000;
    timing.sweepStartDelayMs = 60000;
    timing.readReplyTimeoutMs = 30000;
    timing.partialFrameMs = 60000;
    return timing;
}

// A controller simulator on a loopback port and a client pointed at it.
// Client is one of the controller clients (qtClient, qtClientTW). Header
// only: the tests that use it link the clients, the support library does not.
template <class Client>
struct SimulatedLink
{
    SimulatedLink(int mode, bool twController, const LinkTiming& timing)
        : client(mode)
    {
        sim.setTwMode(twController);
        client.setTiming(timing);
        const bool listening = sim.listen(QHostAddress(QStringLiteral("127.0.0.1")));
        Q_ASSERT(listening);
        Q_UNUSED(listening)
        client.setPort(sim.port());
    }

    // Connects and waits for the hello of this connection.
    bool connectAndHello()
    {
        const int hellos = sim.receivedWithFunction(43).size();
        client.moveTo(sim.address().toString());
        return sim.waitForFunction(43, hellos + 1);
    }

    GatewaySimulator sim;
    Client client;
};
