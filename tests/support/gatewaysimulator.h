#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVector>

class QTcpServer;
class QTcpSocket;

// A gateway controller on a loopback address for tests: it expects the hello,
// pushes heartbeats built from its own device image, answers each read request
// with the device's block, records every frame the program sends, and can push
// register writes, split frames across writes, send garbage, go silent or close.
// One program connection at a time; a new one replaces the old.
//
// In TW mode it plays the TW controller instead: its periodic push is a state
// frame (sensor count, then one state byte per sensor), and it cuts the
// program's 9-byte configuration acknowledgements.
class GatewaySimulator : public QObject
{
    Q_OBJECT
public:
    static constexpr int kBlockSize = 32;
    static constexpr int kBlockCount = 64;

    explicit GatewaySimulator(QObject* parent = nullptr);
    ~GatewaySimulator() override;

    // Port 0 picks a free port. Use a 127.0.0.x of the test's own to run in parallel.
    bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    QHostAddress address() const;
    quint16 port() const;

    // ---- the simulated gateway's device image
    void setBlock(int device, const QByteArray& record);   // 32 bytes, padded/cut
    QByteArray block(int device) const;
    // Energizer and IO card counts announced in heartbeats.
    void setDeviceCounts(int energizers, int ioCards);

    // ---- behaviour
    void setAnswerReads(bool answer);        // default true
    void setReadReplyDelay(int ms);          // default 0: answered from the event loop
    void setSilent(bool silent);             // no heartbeats, no read replies
    void startHeartbeats(int intervalMs);
    void stopHeartbeats();

    // ---- TW controller mode
    void setTwMode(bool tw);
    bool twMode() const { return m_twMode; }
    void setSensorStates(const QByteArray& states);   // state of sensor i at index i - 1
    QByteArray sensorStates() const { return m_sensorStates; }
    void sendStates();
    // Sensor count, an unused byte, the states.
    static QByteArray stateFrame(const QByteArray& states, quint16 transactionId = 1);

    // ---- the program's connection
    bool isConnected() const;
    int connectionCount() const { return m_connectionCount; }
    // The waits are bounds for a run that fails, generous for a busy machine.
    bool waitForConnection(int timeoutMs = 30000);
    void closeConnection();
    // Takes no new connection until listen() is called again.
    void stopListening();

    // ---- pushing bytes to the program
    void send(const QByteArray& bytes);
    // Writes the bytes in pieces of the given sizes (the rest last), gapMs apart.
    void sendInPieces(const QByteArray& bytes, const QList<int>& pieceSizes, int gapMs);
    void sendHeartbeat();                                 // from the device image and counts
    void pushWrite(int device);                           // the device's whole block

    // ---- frame builders (high byte first, tid 00 01, unit 01)
    static QByteArray frame(quint8 function, const QByteArray& body, quint16 transactionId = 1);
    // Length field given explicitly, body as it stands (for malformed frames).
    static QByteArray rawFrame(quint16 length, quint8 function, const QByteArray& body, quint16 transactionId = 1);
    static QByteArray heartbeatFrame(int energizers, int ioCards, const QByteArray& statusBytes);
    static QByteArray readReplyFrame(const QByteArray& data);
    static QByteArray writeFrame(int startRegister, const QByteArray& data);
    static QByteArray configurationFrame(const QByteArray& registers);
    QByteArray heartbeatFromImage() const;

    // ---- what the program sent, cut into frames (8 bytes when the length is 0)
    QList<QByteArray> received() const { return m_received; }
    QList<QByteArray> receivedWithFunction(quint8 function) const;
    void clearReceived();
    // Waits until at least count frames in all have been received.
    bool waitForFrames(int count, int timeoutMs = 30000);
    // Waits for the next frame with this function code after those already seen.
    bool waitForFunction(quint8 function, int count, int timeoutMs = 30000);
    // Largest number of read requests that were waiting for a reply at once.
    int maxOutstandingReads() const { return m_maxOutstandingReads; }

signals:
    void clientConnected();
    void clientDisconnected();
    void frameReceived(const QByteArray& frame);

private:
    void onNewConnection();
    void onReadyRead();
    void handleFrame(const QByteArray& frame);
    void answerRead(int startRegister);
    void sendPendingPiece();
    int programFrameSize(const QByteArray& stream) const;

    QTcpServer* m_server = nullptr;
    QPointer<QTcpSocket> m_client;
    QByteArray m_stream;
    QList<QByteArray> m_received;
    QVector<QByteArray> m_blocks;
    int m_energizers = 0;
    int m_ioCards = 0;
    bool m_answerReads = true;
    int m_readReplyDelay = 0;
    bool m_silent = false;
    int m_connectionCount = 0;
    int m_outstandingReads = 0;
    int m_maxOutstandingReads = 0;
    QTimer m_heartbeatTimer;
    QTimer m_pieceTimer;
    QList<QByteArray> m_pieces;
    bool m_twMode = false;
    QByteArray m_sensorStates;
};
