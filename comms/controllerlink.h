#pragma once

#include "linktiming.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

class QLoggingCategory;

// The TCP link of one controller client: the socket, the non-blocking connect
// with its wait, the reconnection timer and the heartbeat watchdog, and what a
// close, a socket error or a silent peer do to them. It knows nothing of
// frames: its client says hello, reads and writes through it, and hears of
// every change of the link through the signals below, in the order they
// happen. Lives on its client's thread.
class ControllerLink : public QObject
{
    Q_OBJECT
public:
    // Lines go to the client's category, so a link logs as the client it serves.
    // What the socket reads ahead of its client: once as much waits, it
    // reads no more, and TCP holds the rest at the peer.
    static constexpr qint64 ReadBufferBytes = 64 * 1024;

    explicit ControllerLink(const QLoggingCategory& category, QObject* parent = nullptr);
    ~ControllerLink() override;

    void setTiming(const LinkTiming& timing) { m_timing = timing; }
    const LinkTiming& timing() const { return m_timing; }

    bool canWrite() const;
    // Writes when the link is up; false (and nothing written) otherwise.
    bool write(const QByteArray& bytes);
    // Reads what has arrived, at most `capacity` bytes; 0 when nothing is left.
    qint64 read(char* buffer, qint64 capacity);
    // What has arrived and was not read yet.
    qint64 bytesAvailable() const { return socket.bytesAvailable(); }

    // Starts a connection attempt: false when the socket is still busy with the
    // last one. On true the attempt has been reported (TryToConnect) and the
    // client sets up its own state before connectToHost().
    bool beginConnect();
    void connectToHost(const QString& host, quint16 port);
    // An attempt that cannot even start: it is retried like one that timed out.
    void failConnect();

    // The client's own close (a new address, a new project): reported as
    // closed, after closedOnPurpose(), so that no one takes it for a loss.
    void closeConnection();
    // The client's close for good (a project without this controller): also
    // an attempt under way and a pending retry end; only connectToServer
    // brings the link back.
    void stop();
    // Closes a link found dead (a peer that stopped answering): a loss.
    void closeLostConnection();
    // Drops the socket at once, also while it is still connecting; reports nothing.
    void abortSocket();
    // Leaves the peer for another address: an attempt under way ends, a
    // pending retry is forgotten, and a link that was up, coming up, or
    // lost and waiting to retry is closed as the client's own close. The
    // client dials the new address next.
    void leavePeer();
    void connectionClosedByServer();
    void error(QAbstractSocket::SocketError socketError);
    void heartbeatTimeOut();
    void startHeartbeatTimer();
    void stopHeartbeatTimer();
    void startRetry();
    void stopRetry();
    // Follows the incomplete frame its client's bytes end in (the
    // assembler's partialFrame(), 0 for none): a frame still incomplete
    // LinkTiming::partialFrameMs after its first byte is told by
    // partialFrameExpired. Bytes the client holds back from reading are no
    // fault of the peer: it stops following (0) and follows anew later.
    void watchPartialFrame(quint64 frame);

signals:
    // A qtClient::ClientStatus value the link has reached.
    void statusChanged(int status);
    // The socket is connected; the client says hello now.
    void connected();
    void readyRead();
    // The watchdog expired; the link is closed right after.
    void watchdogExpired();
    // The link was closed and ConnectionClosedByServer reported.
    void closed();
    // The close about to be reported is the client's own, not a loss.
    void closedOnPurpose();
    // The peer closed the link and the close has been handled.
    void peerClosed();
    // Time for the next connection attempt.
    void retryDue();
    // The frame being followed is still incomplete at its bound, also with
    // what had reached the socket by then read: the client drops it.
    void partialFrameExpired();

private:
    const QLoggingCategory& lc() const { return m_category; }
    void onSocketConnected();
    void onConnectTimeout();
    void closeLink(bool onPurpose);
    void onPartialFrameTimeout();

    const QLoggingCategory& m_category;
    LinkTiming m_timing;
    QTcpSocket socket;
    QTimer heartbeatTimer;
    QTimer retryTimer;
    QTimer connectTimer;
    QTimer partialFrameTimer;
    quint64 m_partialFrame = 0;
};
