#include "gatewaysimulator.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

void appendWord(QByteArray& bytes, int value)
{
    bytes.append(char((value >> 8) & 0xFF));
    bytes.append(char(value & 0xFF));
}

int word(const QByteArray& bytes, int offset)
{
    return (uchar(bytes[offset]) << 8) | uchar(bytes[offset + 1]);
}

// Record bytes carried by the heartbeat, per energizer and per IO card.
constexpr int kEnergizerBytes[6] = {13, 20, 4, 9, 17, 24};
constexpr int kIoCardBytes[2] = {4, 6};

// Runs the event loop until the condition holds or the time is up.
template <typename Condition>
bool waitUntil(Condition condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace

GatewaySimulator::GatewaySimulator(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
    , m_blocks(kBlockCount, QByteArray(kBlockSize, '\0'))
{
    connect(m_server, &QTcpServer::newConnection, this, &GatewaySimulator::onNewConnection);
    connect(&m_heartbeatTimer, &QTimer::timeout, this, [this] {
        if (m_silent)
            return;
        if (m_twMode)
            sendStates();
        else
            sendHeartbeat();
    });
    m_pieceTimer.setSingleShot(true);
    connect(&m_pieceTimer, &QTimer::timeout, this, &GatewaySimulator::sendPendingPiece);
}

GatewaySimulator::~GatewaySimulator()
{
    if (m_client)
        m_client->disconnect(this);
}

bool GatewaySimulator::listen(const QHostAddress& address, quint16 port)
{
    return m_server->listen(address, port);
}

QHostAddress GatewaySimulator::address() const
{
    return m_server->serverAddress();
}

quint16 GatewaySimulator::port() const
{
    return m_server->serverPort();
}

void GatewaySimulator::setBlock(int device, const QByteArray& record)
{
    QByteArray padded = record.left(kBlockSize);
    padded.append(QByteArray(kBlockSize - padded.size(), '\0'));
    m_blocks[device] = padded;
}

QByteArray GatewaySimulator::block(int device) const
{
    return m_blocks.value(device);
}

void GatewaySimulator::setDeviceCounts(int energizers, int ioCards)
{
    m_energizers = energizers;
    m_ioCards = ioCards;
}

void GatewaySimulator::setTwMode(bool tw)
{
    m_twMode = tw;
}

void GatewaySimulator::setSensorStates(const QByteArray& states)
{
    m_sensorStates = states;
}

void GatewaySimulator::sendStates()
{
    send(stateFrame(m_sensorStates));
}

void GatewaySimulator::setAnswerReads(bool answer)
{
    m_answerReads = answer;
}

void GatewaySimulator::setReadReplyDelay(int ms)
{
    m_readReplyDelay = ms;
}

void GatewaySimulator::setSilent(bool silent)
{
    m_silent = silent;
}

void GatewaySimulator::startHeartbeats(int intervalMs)
{
    m_heartbeatTimer.start(intervalMs);
}

void GatewaySimulator::stopHeartbeats()
{
    m_heartbeatTimer.stop();
}

bool GatewaySimulator::isConnected() const
{
    return m_client && m_client->state() == QAbstractSocket::ConnectedState;
}

bool GatewaySimulator::waitForConnection(int timeoutMs)
{
    if (isConnected())
        return true;
    QSignalSpy spy(this, &GatewaySimulator::clientConnected);
    return spy.wait(timeoutMs);
}

void GatewaySimulator::closeConnection()
{
    if (m_client)
        m_client->disconnectFromHost();
}

void GatewaySimulator::stopListening()
{
    m_server->close();
}

void GatewaySimulator::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        if (m_client) {
            m_client->disconnect(this);
            m_client->abort();
            m_client->deleteLater();
        }
        m_client = socket;
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_stream.clear();
        m_outstandingReads = 0;
        ++m_connectionCount;
        connect(socket, &QTcpSocket::readyRead, this, &GatewaySimulator::onReadyRead);
        connect(socket, &QTcpSocket::disconnected, this, &GatewaySimulator::clientDisconnected);
        emit clientConnected();
    }
}

void GatewaySimulator::onReadyRead()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (!socket || socket != m_client)
        return;
    m_stream.append(socket->readAll());
    while (m_stream.size() >= 6) {
        const int size = programFrameSize(m_stream);
        if (size == 0 || m_stream.size() < size)
            return;
        const QByteArray frame = m_stream.left(size);
        m_stream.remove(0, size);
        m_received.append(frame);
        handleFrame(frame);
        emit frameReceived(frame);
    }
}

// Size of the program's frame at the start of the stream; 0 while unknown.
int GatewaySimulator::programFrameSize(const QByteArray& stream) const
{
    // The TW acknowledgement: 00, the frame's ids, length 2, unit, function 100.
    // The program's own frames start 00 00 00 01 (transaction 0, protocol 1).
    if (m_twMode && !stream.startsWith(QByteArray("\0\0\0\1", 4))) {
        if (stream.size() < 9)
            return 0;
        if (stream[0] == 0 && word(stream, 5) == 2 && uchar(stream[8]) == 100)
            return 9;
    }
    const int length = word(stream, 4);
    // Acknowledgements carry length 0 although unit and function follow.
    return length == 0 ? 8 : 6 + length;
}

void GatewaySimulator::handleFrame(const QByteArray& frame)
{
    if (frame.size() < 12 || uchar(frame[7]) != 3)
        return;
    ++m_outstandingReads;
    m_maxOutstandingReads = qMax(m_maxOutstandingReads, m_outstandingReads);
    if (!m_answerReads || m_silent)
        return;
    const int start = word(frame, 8);
    QPointer<QTcpSocket> socket = m_client;
    QTimer::singleShot(m_readReplyDelay, this, [this, start, socket] {
        if (socket && socket == m_client && !m_silent)
            answerRead(start);
    });
}

void GatewaySimulator::answerRead(int startRegister)
{
    --m_outstandingReads;
    send(readReplyFrame(block(startRegister / kBlockSize)));
}

QList<QByteArray> GatewaySimulator::receivedWithFunction(quint8 function) const
{
    QList<QByteArray> frames;
    for (const QByteArray& frame : m_received) {
        if (frame.size() >= 8 && uchar(frame[7]) == function)
            frames.append(frame);
    }
    return frames;
}

void GatewaySimulator::clearReceived()
{
    m_received.clear();
}

bool GatewaySimulator::waitForFrames(int count, int timeoutMs)
{
    return waitUntil([&] { return m_received.size() >= count; }, timeoutMs);
}

bool GatewaySimulator::waitForFunction(quint8 function, int count, int timeoutMs)
{
    return waitUntil([&] { return receivedWithFunction(function).size() >= count; }, timeoutMs);
}

void GatewaySimulator::send(const QByteArray& bytes)
{
    if (!isConnected())
        return;
    m_client->write(bytes);
    m_client->flush();
}

void GatewaySimulator::sendInPieces(const QByteArray& bytes, const QList<int>& pieceSizes, int gapMs)
{
    int offset = 0;
    for (int size : pieceSizes) {
        if (offset >= bytes.size())
            break;
        m_pieces.append(bytes.mid(offset, size));
        offset += size;
    }
    if (offset < bytes.size())
        m_pieces.append(bytes.mid(offset));
    m_pieceTimer.setInterval(gapMs);
    if (!m_pieceTimer.isActive())
        sendPendingPiece();
}

void GatewaySimulator::sendPendingPiece()
{
    if (m_pieces.isEmpty())
        return;
    send(m_pieces.takeFirst());
    if (!m_pieces.isEmpty())
        m_pieceTimer.start();
}

void GatewaySimulator::sendHeartbeat()
{
    send(heartbeatFromImage());
}

void GatewaySimulator::pushWrite(int device)
{
    send(writeFrame(device * kBlockSize, block(device)));
}

QByteArray GatewaySimulator::rawFrame(quint16 length, quint8 function, const QByteArray& body, quint16 transactionId)
{
    QByteArray bytes;
    appendWord(bytes, transactionId);
    appendWord(bytes, 1);
    appendWord(bytes, length);
    bytes.append(char(1));
    bytes.append(char(function));
    bytes.append(body);
    return bytes;
}

QByteArray GatewaySimulator::frame(quint8 function, const QByteArray& body, quint16 transactionId)
{
    return rawFrame(quint16(2 + body.size()), function, body, transactionId);
}

QByteArray GatewaySimulator::heartbeatFrame(int energizers, int ioCards, const QByteArray& statusBytes)
{
    QByteArray body;
    body.append(char(energizers));
    body.append(char(ioCards));
    body.append(statusBytes);
    return frame(90, body);
}

QByteArray GatewaySimulator::heartbeatFromImage() const
{
    QByteArray status;
    for (int i = 1; i <= m_energizers; ++i) {
        for (int byte : kEnergizerBytes)
            status.append(m_blocks[i][byte]);
    }
    for (int j = 1; j <= m_ioCards; ++j) {
        for (int byte : kIoCardBytes)
            status.append(m_blocks[32 + j][byte]);
    }
    return heartbeatFrame(m_energizers, m_ioCards, status);
}

QByteArray GatewaySimulator::readReplyFrame(const QByteArray& data)
{
    QByteArray body;
    body.append(char(data.size()));
    body.append(data);
    return frame(3, body);
}

QByteArray GatewaySimulator::writeFrame(int startRegister, const QByteArray& data)
{
    QByteArray body;
    appendWord(body, startRegister);
    appendWord(body, data.size());
    body.append(char(data.size()));
    body.append(data);
    return frame(16, body);
}

QByteArray GatewaySimulator::configurationFrame(const QByteArray& registers)
{
    QByteArray body;
    appendWord(body, registers.size());
    body.append(registers);
    return frame(100, body);
}

QByteArray GatewaySimulator::stateFrame(const QByteArray& states, quint16 transactionId)
{
    QByteArray body;
    body.append(char(states.size()));
    body.append(char(0));
    body.append(states);
    return frame(90, body, transactionId);
}
