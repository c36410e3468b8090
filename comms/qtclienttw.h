#pragma once

#include "controllerframe.h"
#include "controllerlink.h"
#include "frameassembler.h"
#include "kx4data.h"
#include "linelimit.h"
#include "linktiming.h"
#include "qtclient.h"

#include <QAbstractSocket>
#include <QDialog>
#include <QString>

#include <array>

class QLoggingCategory;

// TCP client of the controller of the taut-wire sensors. Keeps one link up
// (connect, hello, heartbeat watchdog, retry), keeps a 64-record image of the
// sensors' 32-byte records filled from the state frames the controller
// pushes, and hands the whole image to the TW control unit after every
// frame that wrote it and after every link loss (all sensors back to state 0). It
// never asks for data; its one command is the "Global Reset".
//
// A dialog that is never shown. Lives on the GUI thread; tcpInUpdate reaches
// the TW control unit queued.
class qtClientTW : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kRecordCount = Kx4Image::kBlockCount;
    static constexpr int kRecordSize = Kx4Image::kBlockSize;
    // Records 0 to 32 go back to state 0 when the link is lost.
    static constexpr int kLastResetRecord = 32;
    static constexpr int kConfigRegisterSize = 128;
    // Configuration bodies longer than this are never taken from a frame.
    static constexpr int kMaxConfigurationLength = ControllerFrame::kLargestConfigurationLength;
    static constexpr int kReceiveChunk = 2048;
    static constexpr int kOutgoingSize = 256;
    // A state frame: byte 8 the number of sensors, byte 9 unused, then one
    // state byte per sensor from byte 10.
    static constexpr int kStateCountByte = 8;
    static constexpr int kFirstStateByte = 10;
    static constexpr int kStateRecordByte = 1;
    // The acknowledgement of configuration registers: a leading 00, the ids
    // of the frame, length 2, its unit and function 100.
    static constexpr int kAcknowledgementSize = 9;

    // The largest length a TW controller's frame can have
    // (FrameAssembler::LengthLimit).
    static int twFrameLimit(const uchar* head, int available);

    explicit qtClientTW(int mode, QWidget* parent = nullptr);
    ~qtClientTW() override;

    void closeConnection();
    // Closes the link and keeps it closed: no attempt, no retry, until the
    // next connectToServer.
    void stopLink();
    // As qtClient::moveTo: an empty address leaves the link closed. Tells
    // movedTo after the old link's last image.
    void moveTo(const QString& address);
    void startupData(int offset, int length);

    // Test and tool hooks: timings, a port other than the mode's, the packet
    // processing of received bytes without a socket, and the image.
    void setTiming(const LinkTiming& timing);
    const LinkTiming& timing() const { return link.timing(); }
    void setPort(quint16 port) { m_port = port; }
    quint16 port() const { return m_port; }
    void receiveBytes(const char* data, int size);
    // As qtClient::takeReadAhead: parses what the socket has read ahead.
    bool takeReadAhead();
    // The cap on this link's diagnostic lines.
    LineLimit& lines() { return lineLimit; }
    KX4Data currentImage() const { return Kx4Image::toKX4Data(image.data()); }
    QByteArray configuration() const;

    // Where the link goes; read on the GUI thread only.
    QString address() const { return m_address; }
    const int mode;
    qtClient::ClientStatus status = qtClient::TryToConnect;
    // Bytes after the first one of the last read.
    int readCount = 0;
    const QString name;

signals:
    void tcpInUpdate(KX4Data data);
    void commStatus(qtClient::ClientStatus value);
    // As qtClient::closedOnPurpose.
    void closedOnPurpose();
    // The link dials `address` now (empty: it stays closed). Comes after
    // the reset image of the link it left, so a receiver in the order of
    // the signals knows which controller every image came from.
    void movedTo(QString address);
    void refreshheartTimer();
    void checkpacket(int);

public slots:
    void connectToServer();
    // True when the Global Reset went to the controller.
    bool sendRequest(char hvlv, char onoff, char clearAlrm);
    void heartbeatTimeOut();
    void startHeartbeatTimer();
    void sendRequestFC3();
    void sendRequestFC1();
    void readConfig();
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

private:
    const QLoggingCategory& lc() const;
    void setStatus(qtClient::ClientStatus value);
    void publishResetRecords();
    void emitImage();
    // A frame cut short outlived its bound: what follows is read as itself.
    void dropPartialFrame();

    // True when the frame wrote into the image.
    bool handleFrame(const uchar* frame, int size);
    void takeSensorStates(const uchar* frame, int size);
    void storeRegisterWrite(const uchar* frame, int size);
    void storeConfiguration(const uchar* frame, int size);
    void acknowledgeConfiguration(const uchar* frame);

    QString m_address;
    quint16 m_port;
    ControllerLink link;
    LineLimit lineLimit;

    std::array<char, kReceiveChunk> incoming{};
    std::array<char, kOutgoingSize> outgoing{};
    std::array<uchar, FrameAssembler::kMaxFrameSize> packetBuffer{};
    std::array<uchar, Kx4Image::kImageSize> image{};
    std::array<uchar, kConfigRegisterSize> configRegisters{};
    bool ignoreResponse = false;
    FrameAssembler assembler;

    // Request and parsing state of this client.
    int readStartRegister = 32;
    int readRegisterCount = 32;
    int lastFunctionCode = 0;
    int currentFunctionCode = 0;
    int fc1Counter = 0;
    int packetCounter = 0;
};
