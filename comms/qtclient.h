#pragma once

#include "controllerlink.h"
#include "frameassembler.h"
#include "kx4data.h"
#include "linelimit.h"
#include "linkinbox.h"
#include "linktiming.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <atomic>
#include <mutex>

class QLoggingCategory;

// TCP client of one gateway controller. Keeps the link up (connect, hello,
// heartbeat watchdog, retry), reads the gateway's device blocks once per
// connection in a read sweep, follows the heartbeats and register writes the
// gateway pushes, and tells of the blocks (dataUpdate) and whole images
// (tcpInUpdate) it takes. Lives on the GUI thread; the control unit takes
// the same blocks and images from its inbox, where waiting heartbeats are
// merged, when woken by dataWaiting, and says when it is done (unitDone).
class qtClient : public QObject
{
    Q_OBJECT
public:
    // A fixed underlying type: a status from outside the list (shown as
    // "Not definied") is a valid value, not undefined behaviour.
    enum ClientStatus : int {
        TryToConnect = 0,
        HeartBeatTimedOut = 1,
        ConnectionClosedByServer = 2,
        GettingData = 3,
        Error = 4,
        Connected = 5,
        Updating = 6,
        Updated = 7,
    };
    Q_ENUM(ClientStatus)

    static constexpr quint16 kGatewayPort = 6178;
    static constexpr quint16 kTwPort = 6179;
    // Where the client goes when no address has been set.
    static constexpr const char* kDefaultHost = "localhost";
    static constexpr int kReadSweepRequests = 64;
    static constexpr int kMaxReadResends = 3;
    static constexpr int kMaxEnergizers = 32;
    static constexpr int kMaxIoCards = 31;
    static constexpr int kFirstIoCardBlock = 32;
    static constexpr int kReceiveChunk = 2048;
    // Deliveries that may wait for the control unit before the client
    // stops reading: a flood the unit cannot keep up with then waits in the
    // socket and, held by TCP, at the gateway, not in memory here. Every
    // push is still taken, in order, once the unit has taken what waits.
    static constexpr int MaxWaitingDeliveries = 256;
    // Registers asked for by each read request of the sweep: one device block.
    static constexpr int kReadRegisters = 32;
    // Where the reads of a new connection start: the first device's block.
    static constexpr int StartupReadOffset = 32;
    // The largest length a gateway frame can have (FrameAssembler::LengthLimit).
    static int gatewayFrameLimit(const uchar* head, int available);

    // mode 0: energizers on a gateway (port 6178); mode 1: TW sensors (port 6179).
    explicit qtClient(int mode, QObject* parent = nullptr);
    ~qtClient() override;

    // A status that tells the client holds no link: lost, or trying anew.
    static bool holdsNoLink(ClientStatus status)
    {
        return status == TryToConnect || status == HeartBeatTimedOut || status == ConnectionClosedByServer
            || status == Error;
    }

    // Whether the ConnectionClosedByServer being told is the client's own
    // close (closedOnPurpose came right before it): a move, a stop, not a loss.
    bool closedHere() const { return status == ConnectionClosedByServer && m_closedHere; }

    // Registers the types that cross threads under the names of the signals.
    static void registerMetaTypes();

    void closeConnection();
    // Closes the link and keeps it closed: no attempt, no retry, until the
    // next connectToServer.
    void stopLink();
    // The one way to a new address: the old socket closes, an attempt
    // under way too, the retry starts afresh and the address is dialled.
    // An empty address leaves the link closed (a project without a gateway).
    void moveTo(const QString& address);
    // Drops the socket at once, also a connection attempt still under way.
    void abortSocket();
    void startupData(int offset, int length);

    // Test and tool hooks: timings, a port other than the mode's, and the
    // packet processing of received bytes without a socket.
    void setTiming(const LinkTiming& timing);
    const LinkTiming& timing() const { return link.timing(); }
    void setPort(quint16 port) { m_port = port; }
    quint16 port() const { return m_port; }
    void receiveBytes(const char* data, int size);
    // The cap on this link's diagnostic lines.
    LineLimit& lines() { return lineLimit; }
    // What the control unit has still to take; safe from any thread.
    LinkInbox& inbox() { return m_inbox; }
    // What has reached the socket and was not read yet.
    qint64 unreadBytes() const { return link.bytesAvailable(); }
    // For the end, once the event loop no longer runs: parses what the
    // socket has read ahead, up to the bound of deliveries waiting, and
    // reads nothing more from the peer. False when nothing was parsed (all
    // read, or the unit has first to take what waits).
    bool takeReadAhead();

    // Where the link goes (localhost once dialled without an address); safe
    // to read from any thread.
    QString address() const;
    const int mode;
    // Learnt from the heartbeats; read by the control unit's thread.
    std::atomic<int> no_of_energizers{0};
    std::atomic<int> no_of_iocards{0};
    // Set once the read sweep of the current connection has completed;
    // cleared the moment the link is lost.
    std::atomic<bool> dataValid{false};
    ClientStatus status = TryToConnect;
    const QString name;

signals:
    void checkpacket(int);
    void tcpInUpdate(KX4Data data);
    void dataUpdate(DeviceData data, int);
    void refreshheartTimer();
    void commStatus(qtClient::ClientStatus value);
    // Comes right before the ConnectionClosedByServer of a closeConnection():
    // that close was asked for and loses no link.
    void closedOnPurpose();
    // moveTo() took the link to another address.
    void moved();
    // Deliveries wait in the inbox for the control unit to take them.
    void dataWaiting();
    // What answerCommand found of a command's frame: written, or not
    // written for `reason` (ControlUnit::commandSent, commandRefused).
    void commandSent(QString gateway, QString device);
    void commandRefused(QString gateway, QString device, QString reason);
    void grabData();
    void nextData();

public slots:
    // The control unit is done with what it took from the inbox.
    void unitDone();
    // The control unit handed on a command (ControlUnit::commandSent),
    // right behind its frame (sendRequest): the command was sent only if
    // that frame was written, which is told here, where it was.
    void answerCommand(const QString& gateway, const QString& device);
    void sendRequestFC3();
    void readConfig();
    void writeConfig();
    void updateReceived();
    void stopSearch();
    void connectionClosedByServer();
    void error(QAbstractSocket::SocketError sockeError);
    void sendPacket();
    void processPacket(int);
    void helloPacket();
    void clearIncoming();
    void clearOutgoing();
    void bufferParameters(int, int);
    void heartbeatTimeOut();
    void startHeartbeatTimer();
    void resetKXController();
    void dataKXController();
    void fillDataKXController();
    void connectToServer();
    void sendRequest(int, char, char onoff, char clearAlrm, bool iocard);

private:
    const QLoggingCategory& lc() const;
    void setStatus(ClientStatus value);
    // Whether the unit is a bound behind, so nothing more is read for now.
    bool readingHeld();
    void logAndWriteRequest(const char* title, const QByteArray& frame);
    void resetLinkState();
    void stopSweep();
    // A frame cut short outlived its bound: what follows is read as itself.
    void dropPartialFrame();
    void onSweepStart();
    void onReadReplyTimeout();
    void writeReadRequest();

    void handleFrame(const uchar* frame, int size);
    void handleReadReply(const uchar* frame, int size);
    void handleServerWrite(const uchar* frame, int size);
    void handleHeartbeat(const uchar* frame, int size);
    // The devices whose records it wrote, a bit each.
    quint64 mergeHeartbeat(const uchar* frame, int size);
    void handleConfiguration(const uchar* frame, int size);
    void dumpBlock(int device, int count);
    void emitBlock(int blockNo);
    void emitImage();
    // Puts the records of `devices` and, with `wholeImage`, the image into
    // the unit's inbox.
    void deliver(quint64 devices, bool wholeImage, bool heartbeat = false);
    // Whether a control unit takes the deliveries.
    bool unitListens() const;

    mutable std::mutex addressMutex;
    QString m_address;
    quint16 m_port;
    ControllerLink link;
    LineLimit lineLimit;
    QTimer sweepStartTimer;
    QTimer readReplyTimer;

    bool pollStarted = false;
    // The last frame sendRequest was given went out; answerCommand takes it.
    bool requestWritten = false;
    std::array<char, kReceiveChunk> incoming{};
    std::array<uchar, FrameAssembler::kMaxFrameSize> packetBuffer{};
    std::array<uchar, Kx4Image::kImageSize> image{};
    FrameAssembler assembler;
    LinkInbox m_inbox;
    bool m_readingHeld = false;
    // closedOnPurpose was told, and no status but the close has come since.
    bool m_closedHere = false;

    // Read window and sweep state of this client.
    int readStartRegister = 32;
    int readRegisterCount = kReadRegisters;
    int pollDeviceNo = 0;
    bool pollSweepActive = false;
    int replyBlockNo = 0;
    int lastFunctionCode = 0;
    // The request waiting for its reply, and how often it was sent again.
    bool readOutstanding = false;
    int outstandingStart = 0;
    int outstandingCount = 0;
    int readResends = 0;
    // Answers still owed to copies of an already answered request: a gateway
    // that was only slow answers the original and every copy sent again.
    int lateReplies = 0;
    // An answer was dropped as late while the current request waited.
    bool droppedLateReply = false;
    // Off once a dropped answer proved to be the awaited one: this gateway
    // drops requests rather than answering them late.
    bool expectLateReplies = true;
};
