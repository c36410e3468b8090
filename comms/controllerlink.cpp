#include "controllerlink.h"

#include "commslogging.h"
#include "qtclient.h"

#include <QDebug>
#include <QSignalBlocker>

#include <algorithm>

ControllerLink::ControllerLink(const QLoggingCategory& category, QObject* parent)
    : QObject(parent)
    , m_category(category)
    , socket(this)
    , heartbeatTimer(this)
    , retryTimer(this)
    , connectTimer(this)
    , partialFrameTimer(this)
{
    connect(&socket, &QTcpSocket::connected, this, &ControllerLink::onSocketConnected);
    connect(&socket, &QTcpSocket::disconnected, this, &ControllerLink::connectionClosedByServer);
    connect(&socket, &QTcpSocket::readyRead, this, &ControllerLink::readyRead);
    connect(&socket, &QAbstractSocket::errorOccurred, this, &ControllerLink::error);
    socket.setReadBufferSize(ReadBufferBytes);

    // The link's periods are promised to the peer and the operator; a coarse
    // timer could fire them early.
    for (QTimer* timer : {&heartbeatTimer, &retryTimer, &connectTimer})
        timer->setTimerType(Qt::PreciseTimer);
    connect(&heartbeatTimer, &QTimer::timeout, this, &ControllerLink::heartbeatTimeOut);
    connect(&retryTimer, &QTimer::timeout, this, &ControllerLink::retryDue);
    connectTimer.setSingleShot(true);
    connect(&connectTimer, &QTimer::timeout, this, &ControllerLink::onConnectTimeout);
    partialFrameTimer.setSingleShot(true);
    connect(&partialFrameTimer, &QTimer::timeout, this, &ControllerLink::onPartialFrameTimeout);
}

ControllerLink::~ControllerLink()
{
    // No news from a link that is going away: its client is half gone already.
    const QSignalBlocker blocker(socket);
    socket.abort();
}

bool ControllerLink::canWrite() const
{
    return socket.state() == QAbstractSocket::ConnectedState && socket.isWritable();
}

bool ControllerLink::write(const QByteArray& bytes)
{
    if (!canWrite())
        return false;
    socket.write(bytes);
    return true;
}

qint64 ControllerLink::read(char* buffer, qint64 capacity)
{
    if (socket.bytesAvailable() <= 0) {
        qCDebug(lc) << "waiting ";
        return 0;
    }
    return std::max<qint64>(0, socket.read(buffer, capacity));
}

// ---------------------------------------------------------------- connecting

bool ControllerLink::beginConnect()
{
    qCDebug(lc) << "connectToServer";
    if (socket.isOpen())
        socket.close();
    qCDebug(lcLinkDefault) << socket.state();
    if (socket.state() != QAbstractSocket::UnconnectedState)
        return false;

    retryTimer.stop();
    emit statusChanged(qtClient::TryToConnect);
    qCDebug(lc) << "---TryToConnect---";
    return true;
}

void ControllerLink::connectToHost(const QString& host, quint16 port)
{
    socket.connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    // The wait runs in the event loop: an unreachable controller never freezes the GUI.
    if (socket.state() != QAbstractSocket::UnconnectedState && socket.state() != QAbstractSocket::ConnectedState)
        connectTimer.start(m_timing.connectWaitMs);
}

void ControllerLink::onSocketConnected()
{
    connectTimer.stop();
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    emit connected();
    qCDebug(lc) << "We should be connected to the server here!";
}

void ControllerLink::onConnectTimeout()
{
    if (socket.state() == QAbstractSocket::ConnectedState)
        return;
    abortSocket();
    failConnect();
}

void ControllerLink::failConnect()
{
    qCDebug(lc) << "Connecting failed!";
    startRetry();
}

// ---------------------------------------------------------------- losing the link

void ControllerLink::closeConnection()
{
    closeLink(true);
}

void ControllerLink::stop()
{
    connectTimer.stop();
    retryTimer.stop();
    abortSocket();
    closeLink(true);
}

void ControllerLink::leavePeer()
{
    // Whatever the link is doing (up, connecting, lost and waiting to
    // retry), leaving it is told as the client's own close, so that its
    // listeners let go of the peer it left. A link stopped, or never
    // dialled, has nothing to leave.
    const bool engaged = socket.state() != QAbstractSocket::UnconnectedState || retryTimer.isActive();
    connectTimer.stop();
    retryTimer.stop();
    if (!engaged)
        return;
    abortSocket();
    closeLink(true);
}

void ControllerLink::closeLostConnection()
{
    closeLink(false);
}

void ControllerLink::closeLink(bool onPurpose)
{
    qCDebug(lcLinkDefault) << "---Close connection" << socket.state();
    const QAbstractSocket::SocketState state = socket.state();
    if (state == QAbstractSocket::ConnectingState || state == QAbstractSocket::HostLookupState)
        return;
    // A link that is down has nothing to watch.
    heartbeatTimer.stop();
    abortSocket();
    qCDebug(lc) << "Close connection";
    if (onPurpose)
        emit closedOnPurpose();
    emit statusChanged(qtClient::ConnectionClosedByServer);
    emit closed();
}

void ControllerLink::abortSocket()
{
    // Our own abort is no news: its disconnected() would report the loss a second time.
    const QSignalBlocker blocker(socket);
    socket.abort();
    socket.close();
}

void ControllerLink::connectionClosedByServer()
{
    qCDebug(lc) << "Error: Connection closed by server";
    closeLostConnection();
    emit peerClosed();
    // Bring the link back even when no socket error preceded the close.
    if (!retryTimer.isActive() && !connectTimer.isActive())
        startRetry();
}

void ControllerLink::error(QAbstractSocket::SocketError socketError)
{
    const bool wasConnecting = connectTimer.isActive();
    connectTimer.stop();
    emit statusChanged(qtClient::Error);
    qCDebug(lc) << "Error" << socket.errorString() << socketError;
    abortSocket();
    closeLostConnection();
    if (wasConnecting)
        qCDebug(lc) << "Connecting failed!";
    startRetry();
}

void ControllerLink::heartbeatTimeOut()
{
    emit statusChanged(qtClient::HeartBeatTimedOut);
    qCDebug(lc).noquote() << "HeartBeat Timed Out " + QString(138, QLatin1Char('#'));
    emit watchdogExpired();
    closeLostConnection();
    startRetry();
}

// ---------------------------------------------------------------- timers

void ControllerLink::startHeartbeatTimer()
{
    heartbeatTimer.start(m_timing.heartbeatTimeoutMs);
}

void ControllerLink::stopHeartbeatTimer()
{
    heartbeatTimer.stop();
}

void ControllerLink::startRetry()
{
    retryTimer.start(m_timing.retryIntervalMs);
}

void ControllerLink::stopRetry()
{
    retryTimer.stop();
}

// ---------------------------------------------------------------- frames cut short

void ControllerLink::watchPartialFrame(quint64 frame)
{
    if (frame == m_partialFrame)
        return;
    m_partialFrame = frame;
    if (frame == 0)
        partialFrameTimer.stop();
    else
        partialFrameTimer.start(m_timing.partialFrameMs);
}

void ControllerLink::onPartialFrameTimeout()
{
    const quint64 frame = m_partialFrame;
    // A busy event loop runs the timer late: the rest may be here already.
    if (bytesAvailable() > 0)
        emit readyRead();
    if (frame == 0 || m_partialFrame != frame)
        return;
    m_partialFrame = 0;
    emit partialFrameExpired();
}
