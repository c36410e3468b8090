#include "qtclienttw.h"

#include "controllerframe.h"
#include "commslogging.h"

#include <QDebug>
#include <QScopeGuard>

#include <algorithm>
#include <cstring>

namespace {

QString hexByte(uchar value)
{
    return QString::number(value, 16);
}

// The configuration read request of the TW controller: function 20, request
// byte 4, then the four bytes the controller expects.
const char kConfigurationReadRequest[] = {0x00, 0x00, 0x00, 0x01, 0x00, 0x07, 0x01,
                                          0x14, 0x04, 0x03, 0x00, 0x02, 0x00};

constexpr int kConfigurationData = 10;
constexpr int kReadReplyData = 9;     // after a read reply's byte count
constexpr int kWriteWindowEnd = 12;   // a register write's header with its window
constexpr int kWriteAnswerLength = 6; // length field of a plain write answer

} // namespace

qtClientTW::qtClientTW(int mode, QWidget* parent)
    : QDialog(parent)
    , mode(mode)
    , name(mode == 0 ? QStringLiteral("ENERGIZERS") : QStringLiteral("TWSENSORS"))
    , m_port(mode == 0 ? qtClient::kGatewayPort : mode == 1 ? qtClient::kTwPort : 0)
    , link(mode == 0 ? lcEnergizers() : lcTwSensors(), this)
    , lineLimit(mode == 0 ? lcEnergizers() : lcTwSensors())
    , assembler(&ControllerFrame::isKnownFunction, &qtClientTW::twFrameLimit)
{
    // The image and the statuses cross to the TW control unit's thread.
    qtClient::registerMetaTypes();

    connect(&link, &ControllerLink::statusChanged, this,
            [this](int value) { setStatus(qtClient::ClientStatus(value)); });
    connect(&link, &ControllerLink::connected, this, &qtClientTW::helloPacket);
    connect(&link, &ControllerLink::connected, this, &qtClientTW::refreshheartTimer);
    connect(&link, &ControllerLink::readyRead, this, &qtClientTW::updateReceived);
    // Every link loss puts the sensors back to state 0 for the unit.
    connect(&link, &ControllerLink::watchdogExpired, this, &qtClientTW::publishResetRecords);
    connect(&link, &ControllerLink::closed, this, &qtClientTW::publishResetRecords);
    connect(&link, &ControllerLink::closedOnPurpose, this, &qtClientTW::closedOnPurpose);
    connect(&link, &ControllerLink::peerClosed, this,
            [this] { setStatus(qtClient::ConnectionClosedByServer); });
    connect(&link, &ControllerLink::retryDue, this, &qtClientTW::connectToServer);
    connect(&link, &ControllerLink::partialFrameExpired, this, &qtClientTW::dropPartialFrame);
    connect(this, &qtClientTW::refreshheartTimer, this, &qtClientTW::startHeartbeatTimer);
    connect(this, &qtClientTW::checkpacket, this, &qtClientTW::processPacket);
}

qtClientTW::~qtClientTW() = default;

int qtClientTW::twFrameLimit(const uchar* head, int available)
{
    Q_UNUSED(available)
    switch (head[7]) {
    case ControllerFrame::ReadRegisters:
        // A byte count, then at most that many bytes.
        return kReadReplyData - ControllerFrame::kLengthBias + 255;
    case ControllerFrame::Heartbeat:
        // A sensor count, an unused byte, then one state byte per sensor.
        return kFirstStateByte - ControllerFrame::kLengthBias + 255;
    default:
        return ControllerFrame::sharedLengthLimit(head[7]);
    }
}

const QLoggingCategory& qtClientTW::lc() const
{
    return mode == 0 ? lcEnergizers() : lcTwSensors();
}

void qtClientTW::setTiming(const LinkTiming& timing)
{
    link.setTiming(timing);
}

QByteArray qtClientTW::configuration() const
{
    return QByteArray(reinterpret_cast<const char*>(configRegisters.data()), int(configRegisters.size()));
}

void qtClientTW::setStatus(qtClient::ClientStatus value)
{
    status = value;
    emit commStatus(value);
}

// ---------------------------------------------------------------- connection

void qtClientTW::connectToServer()
{
    if (!link.beginConnect())
        return;
    // A new stream: no piece of the last connection's frames may leak into it.
    assembler.clear();
    link.watchPartialFrame(0);
    if (m_address.isEmpty() || m_port == 0) {
        if (m_address.isEmpty())
            qCLinkWarning(lineLimit, lc) << "No address of the TW controller set";
        else
            qCLinkWarning(lineLimit, lc) << "No controller port for mode" << mode;
        link.failConnect();
        return;
    }
    link.connectToHost(m_address, m_port);
}

void qtClientTW::moveTo(const QString& address)
{
    link.leavePeer();
    m_address = address;
    emit movedTo(address);
    startupData(qtClient::StartupReadOffset, qtClient::kReadRegisters);
    if (!address.isEmpty())
        connectToServer();
}

void qtClientTW::closeConnection()
{
    link.closeConnection();
}

void qtClientTW::stopLink()
{
    link.stop();
}

void qtClientTW::stopSearch()
{
    closeConnection();
}

void qtClientTW::connectionClosedByServer()
{
    link.connectionClosedByServer();
}

void qtClientTW::error(QAbstractSocket::SocketError sockeError)
{
    link.error(sockeError);
}

void qtClientTW::heartbeatTimeOut()
{
    link.heartbeatTimeOut();
}

void qtClientTW::startHeartbeatTimer()
{
    link.startHeartbeatTimer();
}

// Every sensor without a state while the link is down: the unit must not keep
// showing what the controller said before.
void qtClientTW::publishResetRecords()
{
    for (int record = 0; record <= kLastResetRecord; ++record) {
        uchar* bytes = image.data() + record * kRecordSize;
        bytes[0] = uchar(record);
        bytes[kStateRecordByte] = 0;
    }
    emitImage();
}

void qtClientTW::emitImage()
{
    emit tcpInUpdate(Kx4Image::toKX4Data(image.data()));
}

// ---------------------------------------------------------------- requests

void qtClientTW::helloPacket()
{
    if (!link.canWrite())
        return;
    const QByteArray hello = ControllerFrame::hello();
    qCLinkDebug(lineLimit, lc) << "A1";
    if (lc().isDebugEnabled()) {
        const int text = hello.size() - 8;
        for (int i = 0; i < 8; ++i)
            qCLinkDebug(lineLimit, lc).noquote() << "data from txplay [ " << i << "] = " << hexByte(uchar(hello[text + i]));
    }
    qCLinkDebug(lineLimit, lc) << "A2";
    qCLinkDebug(lineLimit, lc) << "A3";
    link.write(hello);
    lastFunctionCode = ControllerFrame::DeviceIdentification;
    qCLinkDebug(lineLimit, lc) << "A4";
    link.stopRetry();
    qCLinkDebug(lineLimit, lc) << "A5";
    setStatus(qtClient::Connected);
    qCLinkDebug(lineLimit, lc) << "A6";
}

// The controller's one command: clear the alarms of every sensor. The
// arguments are those of the gateway's command signal and mean nothing here.
bool qtClientTW::sendRequest(char hvlv, char onoff, char clearAlrm)
{
    Q_UNUSED(hvlv)
    Q_UNUSED(onoff)
    Q_UNUSED(clearAlrm)
    if (!link.canWrite()) {
        qCLinkWarning(lineLimit, lc) << "Global Reset dropped: the TW controller is not connected";
        return false;
    }
    qCLinkDebug(lineLimit, lc) << "Global Reset Sent";
    link.write(ControllerFrame::deviceCommand(0, 0, 0, char(ControllerFrame::kClearAlarms), false));
    lastFunctionCode = ControllerFrame::WriteRegisters;
    return true;
}

void qtClientTW::sendRequestFC3()
{
    const QByteArray frame = ControllerFrame::readRequest(readStartRegister, readRegisterCount);
    qCLinkDebug(lineLimit, lc) << "offsetregister : " << readStartRegister;
    qCLinkDebug(lineLimit, lc) << "offsetmsb: " << uchar(frame[8]) << "offsetlsb: " << uchar(frame[9]);
    if (lc().isDebugEnabled()) {
        for (int i = 0; i < frame.size(); ++i)
            qCLinkDebug(lineLimit, lc).noquote() << QStringLiteral(" [%1] = ").arg(i) << uchar(frame[i]);
    }
    if (!link.canWrite())
        return;
    link.write(frame);
    lastFunctionCode = ControllerFrame::ReadRegisters;
}

void qtClientTW::sendRequestFC1()
{
    qCLinkDebug(lineLimit, lc) << " SEND REQUEST FC1 ";
    ++fc1Counter;
}

void qtClientTW::readConfig()
{
    qCLinkDebug(lineLimit, lc) << " Read Request ";
    const QByteArray frame(kConfigurationReadRequest, sizeof kConfigurationReadRequest);
    if (lc().isDebugEnabled()) {
        for (int i = 9; i < frame.size(); ++i)
            qCLinkDebug(lineLimit, lc).noquote() << "data from txplay [ " << i - 9 << "] = " << uchar(frame[i]);
    }
    if (!link.canWrite())
        return;
    link.write(frame);
    lastFunctionCode = ControllerFrame::ConfigurationRead;
}

void qtClientTW::sendPacket()
{
    static const char bytes[] = {0x00, 0x42, 0x02, 0x03, 0x04, char(0xFF)};
    link.write(QByteArray(bytes, sizeof bytes));
}

void qtClientTW::startupData(int offset, int length)
{
    readStartRegister = offset;
    readRegisterCount = length;
    qCLinkDebug(lineLimit, lc) << " StartupData  offset: " << offset << "Buffer length: " << length;
}

void qtClientTW::bufferParameters(int offset, int length)
{
    readStartRegister = offset;
    readRegisterCount = length;
    qCLinkDebug(lineLimit, lc) << " Hello buffer parameters! Offset: " << offset << "Length: " << length;
}

void qtClientTW::clearIncoming()
{
    incoming.fill(0);
    assembler.clear();
    link.watchPartialFrame(0);
    currentFunctionCode = 0;
}

void qtClientTW::clearOutgoing()
{
    outgoing.fill(0);
    lastFunctionCode = 0;
}

// ---------------------------------------------------------------- receiving

void qtClientTW::updateReceived()
{
    while (const qint64 got = link.read(incoming.data(), qint64(incoming.size()))) {
        readCount = int(got) - 1;
        emit checkpacket(readCount);
    }
}

bool qtClientTW::takeReadAhead()
{
    if (link.bytesAvailable() <= 0)
        return false;
    updateReceived();
    return true;
}

void qtClientTW::processPacket(int n)
{
    const int size = std::min(std::max(n, 0) + 1, int(incoming.size()));
    receiveBytes(incoming.data(), size);
    std::fill_n(incoming.begin(), size, 0);
}

// One received run: every whole frame in it is handled, a frame cut short
// waits for the rest of its bytes. The image goes to the unit after each
// frame that wrote it, so that the unit sees every change in the order it
// came, also a sensor's alarm and its end within one run.
void qtClientTW::receiveBytes(const char* data, int size)
{
    setStatus(qtClient::Updating);
    emit refreshheartTimer();
    qCLinkDebug(lineLimit, lc) << " Size of incoming data: " << size - 1;
    qCLinkDebug(lineLimit, lc) << " Process Packet Number: " << packetCounter;
    ++packetCounter;

    assembler.append(data, size);
    const auto followPartial = qScopeGuard([this] { link.watchPartialFrame(assembler.partialFrame()); });
    FrameAssembler::FrameView view;
    bool more = true;
    bool whole = false;
    while (more) {
        switch (assembler.next(&view)) {
        case FrameAssembler::Result::NeedMore:
            more = false;
            break;
        case FrameAssembler::Result::BadLength:
            qCLinkWarning(lineLimit, lc) << "who knows: frame length" << assembler.rejectedValue() << "- dropped"
                          << assembler.droppedBytes() << "received bytes";
            more = false;
            break;
        case FrameAssembler::Result::UnknownFunction:
            qCLinkDebug(lineLimit, lc).nospace() << "who knows: " << assembler.rejectedValue();
            lastFunctionCode = 0;
            currentFunctionCode = 0;
            more = false;
            break;
        case FrameAssembler::Result::Frame:
            whole = true;
            std::memcpy(packetBuffer.data(), view.data, size_t(view.size));
            if (handleFrame(packetBuffer.data(), view.size))
                emitImage();
            break;
        }
    }
    // Only a whole frame tells of a controller that answers: bytes that make
    // none leave the link as it was.
    if (whole)
        setStatus(qtClient::Updated);
}

void qtClientTW::dropPartialFrame()
{
    qCLinkWarning(lineLimit, lc) << "Frame cut short:" << assembler.buffered() << "bytes not completed within"
                                 << link.timing().partialFrameMs << "ms - dropped";
    assembler.clear();
}

bool qtClientTW::handleFrame(const uchar* frame, int size)
{
    const int length = ControllerFrame::length(frame);
    const int code = ControllerFrame::function(frame);
    const int start = size >= 10 ? ControllerFrame::word(frame, 8) : 0;
    const int count = size >= kWriteWindowEnd ? ControllerFrame::word(frame, 10) : 0;
    currentFunctionCode = code;
    qCLinkDebug(lineLimit, lc) << " Start of buffer: " << start << " Buffer length: " << count << " Array Row: "
                << start / kRecordSize;

    if (code != 0 && code != ControllerFrame::ReadRegisters && code == lastFunctionCode) {
        qCLinkDebug(lineLimit, lc) << "response to our own command client";
        lastFunctionCode = 0;
    }

    ignoreResponse = false;
    bool imageWritten = false;
    switch (code) {
    case ControllerFrame::WriteRegisters:
        qCLinkDebug(lineLimit, lc).noquote() << QString(27, QLatin1Char('=')) + "Server Write multiple registers"
                                     + QString(40, QLatin1Char('='));
        qCLinkDebug(lineLimit, lc) << "size of register data packet: " << length;
        storeRegisterWrite(frame, size);
        ignoreResponse = true;
        imageWritten = true;
        break;
    case ControllerFrame::ConfigurationRegisters:
        qCLinkDebug(lineLimit, lc).noquote() << QString(27, QLatin1Char('=')) + "Energizer Write Configuration Registers"
                                     + QString(40, QLatin1Char('='));
        storeConfiguration(frame, size);
        break;
    case ControllerFrame::Heartbeat:
        qCLinkDebug(lineLimit, lc) << "Incoming heartbeat";
        qCLinkDebug(lineLimit, lc) << "size of register data packet heart: " << length;
        takeSensorStates(frame, size);
        ignoreResponse = true;
        imageWritten = true;
        break;
    case ControllerFrame::ReadRegisters:
        qCLinkDebug(lineLimit, lc).noquote() << QString(26, QLatin1Char('=')) + "Read multiple registers"
                                     + QString(50, QLatin1Char('='));
        ignoreResponse = true;
        break;
    case ControllerFrame::DeviceIdentification:
        qCLinkDebug(lineLimit, lc) << "Device Identification";
        ignoreResponse = true;
        break;
    default:
        ignoreResponse = true;
        break;
    }

    qCLinkDebug(lineLimit, lc) << "Ignore Response: " << (ignoreResponse ? "true" : "false");
    if (!ignoreResponse)
        acknowledgeConfiguration(frame);
    outgoing.fill(0);
    lastFunctionCode = 0;
    currentFunctionCode = 0;
    return imageWritten;
}

// Record i gets its number in byte 0 and the sensor's state in byte 1. The
// count byte is the controller's word; only states present in the frame and
// records that exist are taken.
void qtClientTW::takeSensorStates(const uchar* frame, int size)
{
    if (size <= kStateCountByte) {
        qCLinkWarning(lineLimit, lc) << "State frame of" << size << "bytes without a sensor count";
        return;
    }
    const int sensors = frame[kStateCountByte];
    const int present = std::max(0, size - kFirstStateByte);
    const int taken = std::min({sensors, present, kRecordCount - 1});
    if (taken != sensors) {
        qCLinkWarning(lineLimit, lc) << "State frame announces" << sensors << "sensors; taken:" << taken << "(" << present
                      << "states in the frame, records 1 to" << kRecordCount - 1 << ")";
    }
    for (int i = 1; i <= taken; ++i) {
        const uchar state = frame[kFirstStateByte + i - 1];
        qCLinkDebug(lineLimit, lc) << i << hexByte(state);
        uchar* record = image.data() + i * kRecordSize;
        record[0] = uchar(i);
        record[kStateRecordByte] = state;
    }
}

// A register write lands, header and all, at the start of the record its
// start register addresses; what does not fit in the frame or the image is
// left out.
void qtClientTW::storeRegisterWrite(const uchar* frame, int size)
{
    const int length = ControllerFrame::length(frame);
    const int start = size >= 10 ? ControllerFrame::word(frame, 8) : 0;
    const int count = size >= kWriteWindowEnd ? ControllerFrame::word(frame, 10) : 0;
    const int row = start / kRecordSize;
    if (row >= kRecordCount) {
        qCLinkWarning(lineLimit, lc) << "Register write for record" << row << "outside the image ignored";
        return;
    }
    const int wanted = length == kWriteAnswerLength ? kWriteWindowEnd : count + kWriteWindowEnd + 1;
    const int rowStart = row * kRecordSize;
    const int stored = std::min({wanted, size, Kx4Image::kImageSize - rowStart});
    if (stored != wanted)
        qCLinkWarning(lineLimit, lc) << "Register write for record" << row << "stores" << stored << "of" << wanted << "bytes";
    std::memcpy(image.data() + rowStart, frame, size_t(stored));
    if (lc().isDebugEnabled()) {
        for (int index = 0; index < stored; ++index) {
            qCLinkDebug(lineLimit, lc).noquote().nospace() << "FC16 arrayDevice[" << row << "][" << index
                                            << "]= " << hexByte(frame[index]);
        }
    }
}

void qtClientTW::storeConfiguration(const uchar* frame, int size)
{
    const int length = std::min<int>(ControllerFrame::length(frame), kMaxConfigurationLength);
    qCLinkDebug(lineLimit, lc).noquote() << "size of register data packet" + QString(77, QLatin1Char('#')) + ": "
                          << length;
    const int wanted = std::max(0, length - 4);
    const int stored = std::min({wanted, std::max(0, size - kConfigurationData), kConfigRegisterSize});
    if (stored != wanted)
        qCLinkWarning(lineLimit, lc) << "Configuration of" << wanted << "bytes; kept:" << stored;
    std::memcpy(configRegisters.data(), frame + kConfigurationData, size_t(stored));
    if (lc().isDebugEnabled()) {
        for (int index = 0; index < stored; ++index)
            qCLinkDebug(lineLimit, lc).noquote().nospace() << "FC100 arrayDevice[" << index << "]= " << hexByte(configRegisters[index]);
    }
}

// The controller expects a 00 ahead of the acknowledgement proper, which
// carries the frame's ids, length 2, its unit and function 100.
void qtClientTW::acknowledgeConfiguration(const uchar* frame)
{
    outgoing.fill(0);
    char* ack = outgoing.data() + 1;
    for (int i = 0; i < 4; ++i)
        ack[i] = char(frame[i]);
    ack[4] = 0;
    ack[5] = 2;
    ack[6] = char(frame[6]);
    ack[7] = char(ControllerFrame::ConfigurationRegisters);
    link.write(QByteArray(outgoing.data(), kAcknowledgementSize));
}
