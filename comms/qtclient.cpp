#include "qtclient.h"

#include "controllerframe.h"
#include "commslogging.h"

#include <QDebug>
#include <QMetaMethod>
#include <QScopeGuard>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

QString hexByte(uchar value)
{
    return QString::number(value, 16);
}

// Record bytes whose bits the register dump spells out.
bool isBitDumpByte(int index)
{
    return index == 12 || index == 17 || index == 19 || index == 24;
}

// Record bytes of a device block that the six heartbeat bytes of an energizer
// fill, in the order they come.
constexpr int kHeartbeatEnergizerBytes[6] = {13, 20, 4, 9, 17, 24};
// ...and the two bytes of an IO card.
constexpr int kHeartbeatIoCardBytes[2] = {4, 6};

constexpr int kHeartbeatBody = 10;     // first status byte of a heartbeat frame
constexpr int kReadReplyByteCount = 8; // byte count of a read reply
constexpr int kReadReplyData = 9;      // first data byte of a read reply
constexpr int kServerWriteData = 13;   // first data byte of a pushed register write
constexpr int kConfigurationData = 10;

} // namespace

qtClient::qtClient(int mode, QObject* parent)
    : QObject(parent)
    , mode(mode)
    , name(mode == 0 ? QStringLiteral("ENERGIZERS") : QStringLiteral("TWSENSORS"))
    , m_port(mode == 0 ? kGatewayPort : kTwPort)
    , link(mode == 0 ? lcEnergizers() : lcTwSensors(), this)
    , lineLimit(mode == 0 ? lcEnergizers() : lcTwSensors())
    , sweepStartTimer(this)
    , readReplyTimer(this)
    , assembler(&ControllerFrame::isKnownFunction, mode == 0 ? &qtClient::gatewayFrameLimit : nullptr)
{
    registerMetaTypes();

    connect(&link, &ControllerLink::statusChanged, this, [this](int value) { setStatus(ClientStatus(value)); });
    connect(&link, &ControllerLink::connected, this, &qtClient::helloPacket);
    connect(&link, &ControllerLink::connected, this, &qtClient::refreshheartTimer);
    connect(&link, &ControllerLink::readyRead, this, &qtClient::updateReceived);
    connect(&link, &ControllerLink::closed, this, &qtClient::stopSweep);
    connect(&link, &ControllerLink::closedOnPurpose, this, [this] { m_closedHere = true; });
    connect(&link, &ControllerLink::closedOnPurpose, this, &qtClient::closedOnPurpose);
    connect(&link, &ControllerLink::retryDue, this, &qtClient::connectToServer);
    connect(&link, &ControllerLink::partialFrameExpired, this, &qtClient::dropPartialFrame);
    connect(this, &qtClient::checkpacket, this, &qtClient::processPacket);
    connect(this, &qtClient::grabData, this, &qtClient::sendRequestFC3);
    connect(this, &qtClient::nextData, this, &qtClient::fillDataKXController);
    connect(this, &qtClient::refreshheartTimer, this, &qtClient::startHeartbeatTimer);

    for (QTimer* timer : {&sweepStartTimer, &readReplyTimer}) {
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(true);
    }
    connect(&sweepStartTimer, &QTimer::timeout, this, &qtClient::onSweepStart);
    connect(&readReplyTimer, &QTimer::timeout, this, &qtClient::onReadReplyTimeout);
}

qtClient::~qtClient() = default;

void qtClient::registerMetaTypes()
{
    qRegisterMetaType<qtClient::ClientStatus>("qtClient::ClientStatus");
    qRegisterMetaType<DeviceData>("DeviceData");
    qRegisterMetaType<KX4Data>("KX4Data");
}

const QLoggingCategory& qtClient::lc() const
{
    return mode == 0 ? lcEnergizers() : lcTwSensors();
}

void qtClient::setTiming(const LinkTiming& timing)
{
    link.setTiming(timing);
}

void qtClient::setStatus(ClientStatus value)
{
    // From a loss (or a new attempt) until the next read sweep the client
    // holds no link: whatever reads dataValid then sees it at once, before
    // the status is even told; what the unit has not yet taken of the lost
    // link never reaches it, and the unit meets the loss before anything
    // of the next connection.
    if (holdsNoLink(value)) {
        dataValid = false;
        if (unitListens() && m_inbox.lose())
            emit dataWaiting();
    }
    if (value != ConnectionClosedByServer)
        m_closedHere = false;
    status = value;
    emit commStatus(value);
}

// ---------------------------------------------------------------- connection

QString qtClient::address() const
{
    std::lock_guard<std::mutex> lock(addressMutex);
    return m_address;
}

void qtClient::moveTo(const QString& address)
{
    link.leavePeer();
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(addressMutex);
        changed = m_address != address;
        m_address = address;
    }
    startupData(StartupReadOffset, kReadRegisters);
    if (!address.isEmpty())
        connectToServer();
    if (changed)
        emit moved();
}

void qtClient::connectToServer()
{
    if (!link.beginConnect())
        return;
    QString host;
    {
        std::lock_guard<std::mutex> lock(addressMutex);
        if (m_address.isEmpty())
            m_address = QString::fromLatin1(kDefaultHost);
        host = m_address;
    }

    // A new stream: nothing of the last connection may leak into it.
    resetLinkState();
    link.connectToHost(host, m_port);
}

int qtClient::gatewayFrameLimit(const uchar* head, int available)
{
    switch (head[7]) {
    case ControllerFrame::ReadRegisters:
        // Our requests ask for one device block of 32 registers; a reply
        // counted in 16-bit registers is the largest one may be.
        return kReadReplyData - ControllerFrame::kLengthBias + 2 * kReadRegisters;
    case ControllerFrame::Heartbeat: {
        // The counts, then six bytes per energizer and two per IO card announced.
        // A gateway may pad a heartbeat up to the largest one the image takes;
        // the bytes past the counted ones are skipped.
        if (available < kHeartbeatBody)
            return 0;
        const int counted = kHeartbeatBody - ControllerFrame::kLengthBias + 6 * head[8] + 2 * head[9];
        return std::max(counted, kHeartbeatBody - ControllerFrame::kLengthBias + 6 * kMaxEnergizers + 2 * kMaxIoCards);
    }
    default:
        return ControllerFrame::sharedLengthLimit(head[7]);
    }
}

void qtClient::resetLinkState()
{
    image.fill(0);
    pollStarted = false;
    dataValid = false;
    replyBlockNo = 0;
    pollDeviceNo = 0;
    pollSweepActive = false;
    readOutstanding = false;
    readResends = 0;
    lateReplies = 0;
    droppedLateReply = false;
    expectLateReplies = true;
    assembler.clear();
    link.watchPartialFrame(0);
    link.stopHeartbeatTimer();
    sweepStartTimer.stop();
    readReplyTimer.stop();
}

void qtClient::closeConnection()
{
    link.closeConnection();
}

void qtClient::stopLink()
{
    link.stop();
}

void qtClient::abortSocket()
{
    link.abortSocket();
}

// A link that is down has no sweep to run.
void qtClient::stopSweep()
{
    sweepStartTimer.stop();
    readReplyTimer.stop();
    readOutstanding = false;
}

void qtClient::stopSearch()
{
    closeConnection();
}

void qtClient::connectionClosedByServer()
{
    link.connectionClosedByServer();
}

void qtClient::error(QAbstractSocket::SocketError sockeError)
{
    link.error(sockeError);
}

void qtClient::heartbeatTimeOut()
{
    link.heartbeatTimeOut();
}

void qtClient::startHeartbeatTimer()
{
    link.startHeartbeatTimer();
}

void qtClient::helloPacket()
{
    if (!link.canWrite())
        return;
    setStatus(Connected);
    link.write(ControllerFrame::hello());
    qCLinkDebug(lineLimit, lc) << "Sending: Hello Brenik";
    lastFunctionCode = ControllerFrame::DeviceIdentification;
    link.stopRetry();
    emit refreshheartTimer();
}

// ---------------------------------------------------------------- requests

void qtClient::startupData(int offset, int length)
{
    readStartRegister = offset;
    readRegisterCount = length;
    qCLinkDebug(lineLimit, lc) << " StartupData  offset: " << offset << "Buffer length: " << length;
}

void qtClient::bufferParameters(int offset, int length)
{
    readStartRegister = offset;
    readRegisterCount = length;
    qCLinkDebug(lineLimit, lc) << " Hello buffer parameters! Offset: " << offset << "Length: " << length;
}

void qtClient::sendRequest(int device, char hvlv, char onoff, char clearAlrm, bool iocard)
{
    requestWritten = link.canWrite();
    if (!requestWritten) {
        qCLinkWarning(lineLimit, lc) << "Command for device" << device << "dropped: the gateway is not connected";
        return;
    }
    const QByteArray frame = ControllerFrame::deviceCommand(device, hvlv, onoff, clearAlrm, iocard);
    for (int i = 0; i < ControllerFrame::kCommandBlockSize; ++i) {
        qCLinkDebug(lineLimit, lc).noquote() << "data from txplay [ " << i << "] = "
                              << hexByte(uchar(frame[ControllerFrame::kCommandBlockOffset + i]));
    }
    qCLinkDebug(lineLimit, lc) << "-----------SENDING------------------";
    link.write(frame);
    lastFunctionCode = ControllerFrame::WriteRegisters;
}

void qtClient::answerCommand(const QString& gateway, const QString& device)
{
    // The unit hands on the frame and then the command, both queued to this
    // thread in that order: the frame is the last one sendRequest had.
    if (std::exchange(requestWritten, false))
        emit commandSent(gateway, device);
    else
        emit commandRefused(gateway, device, QStringLiteral("the gateway link is not up"));
}

void qtClient::sendRequestFC3()
{
    if (!link.canWrite())
        return;
    qCLinkDebug(lineLimit, lc) << "---sendRequestFC3---";
    outstandingStart = readStartRegister;
    outstandingCount = readRegisterCount;
    readResends = 0;
    writeReadRequest();
}

void qtClient::writeReadRequest()
{
    link.write(ControllerFrame::readRequest(outstandingStart, outstandingCount));
    lastFunctionCode = ControllerFrame::ReadRegisters;
    readOutstanding = true;
    readReplyTimer.start(link.timing().readReplyTimeoutMs);
}

void qtClient::onReadReplyTimeout()
{
    if (!readOutstanding)
        return;
    if (droppedLateReply) {
        // The answer dropped as late was this request's own.
        qCLinkWarning(lineLimit, lc) << "The gateway does not answer every copy of a request: late answers are no longer expected";
        expectLateReplies = false;
        droppedLateReply = false;
        // What is still counted would only throw away this request's own answers.
        lateReplies = 0;
    }
    if (readResends < kMaxReadResends && link.canWrite()) {
        ++readResends;
        qCLinkWarning(lineLimit, lc) << "Read request for register" << outstandingStart << "unanswered, sending it again"
                      << readResends << "of" << kMaxReadResends;
        writeReadRequest();
        return;
    }
    qCLinkWarning(lineLimit, lc) << "Read request for register" << outstandingStart << "never answered: closing the link";
    link.closeLostConnection();
    link.startRetry();
}

void qtClient::logAndWriteRequest(const char* title, const QByteArray& frame)
{
    qCLinkDebug(lineLimit, lc) << title;
    for (int i = 0; i < frame.size(); ++i)
        qCLinkDebug(lineLimit, lc).noquote() << "data from txplay [ " << i << "] = " << hexByte(uchar(frame[i]));
    if (link.write(frame))
        lastFunctionCode = uchar(frame[7]);
}

void qtClient::writeConfig()
{
    logAndWriteRequest(" Write Request ", ControllerFrame::configurationWriteRequest());
}

void qtClient::readConfig()
{
    logAndWriteRequest(" Read Energizer Configuration Request ", ControllerFrame::configurationReadRequest());
}

void qtClient::resetKXController()
{
    logAndWriteRequest(" Reset KX4 Controller Request ", ControllerFrame::controllerResetRequest());
}

void qtClient::sendPacket()
{
    static const char bytes[] = {0x00, 0x42, 0x02, 0x03, 0x04, char(0xFF)};
    link.write(QByteArray(bytes, sizeof bytes));
}

void qtClient::clearIncoming()
{
    incoming.fill(0);
    assembler.clear();
    link.watchPartialFrame(0);
}

void qtClient::clearOutgoing()
{
    lastFunctionCode = 0;
}

// ---------------------------------------------------------------- read sweep

void qtClient::onSweepStart()
{
    qCLinkDebug(lineLimit, lc) << "Sending request FC3";
    dataKXController();
}

void qtClient::dataKXController()
{
    qCLinkDebug(lineLimit, lc).noquote() << "Get the KX4 Data " + QString(91, QLatin1Char('*'));
    pollSweepActive = true;
    readStartRegister = 32;
    readRegisterCount = 32;
    emit grabData();
}

void qtClient::fillDataKXController()
{
    ++pollDeviceNo;
    readStartRegister = pollDeviceNo * Kx4Image::kBlockSize;
    emit grabData();
    if (pollDeviceNo == 63) {
        pollSweepActive = false;
        readStartRegister = 32;
        pollDeviceNo = 1;
    }
}

// ---------------------------------------------------------------- receiving

void qtClient::updateReceived()
{
    if (readingHeld())
        return;
    setStatus(GettingData);
    while (!readingHeld()) {
        const qint64 got = link.read(incoming.data(), qint64(incoming.size()));
        if (got == 0)
            break;
        emit checkpacket(int(got) - 1);
    }
}

bool qtClient::takeReadAhead()
{
    if (link.bytesAvailable() <= 0 || readingHeld())
        return false;
    updateReceived();
    return true;
}

bool qtClient::readingHeld()
{
    const bool held = m_inbox.waiting() >= MaxWaitingDeliveries;
    // A frame cut short by the hold waits for bytes we hold back, not for
    // the gateway: its bound starts again once reading goes on.
    if (held && !m_readingHeld)
        link.watchPartialFrame(0);
    m_readingHeld = held;
    return held;
}

void qtClient::processPacket(int n)
{
    const int size = std::min(std::max(n, 0) + 1, int(incoming.size()));
    receiveBytes(incoming.data(), size);
    std::fill_n(incoming.begin(), size, 0);
}

void qtClient::receiveBytes(const char* data, int size)
{
    setStatus(Updating);
    assembler.append(data, size);
    const auto followPartial = qScopeGuard([this] { link.watchPartialFrame(assembler.partialFrame()); });
    FrameAssembler::FrameView view;
    for (;;) {
        switch (assembler.next(&view)) {
        case FrameAssembler::Result::NeedMore:
            return;
        case FrameAssembler::Result::BadLength:
            qCLinkWarning(lineLimit, lc) << "who knows: frame length" << assembler.rejectedValue() << "- dropped"
                          << assembler.droppedBytes() << "received bytes";
            return;
        case FrameAssembler::Result::UnknownFunction:
            qCLinkDebug(lineLimit, lc).nospace() << "who knows: " << assembler.rejectedValue();
            return;
        case FrameAssembler::Result::Frame:
            // A slot reached from a signal may reset the assembler; work on a copy.
            std::memcpy(packetBuffer.data(), view.data, size_t(view.size));
            handleFrame(packetBuffer.data(), view.size);
            break;
        }
    }
}

void qtClient::dropPartialFrame()
{
    qCLinkWarning(lineLimit, lc) << "Frame cut short:" << assembler.buffered() << "bytes not completed within"
                                 << link.timing().partialFrameMs << "ms - dropped";
    assembler.clear();
}

void qtClient::handleFrame(const uchar* frame, int size)
{
    const int code = ControllerFrame::function(frame);
    if (code != 0 && code == lastFunctionCode && code != ControllerFrame::ReadRegisters) {
        qCLinkDebug(lineLimit, lc) << "response to our own command client";
        lastFunctionCode = 0;
    }
    switch (code) {
    case ControllerFrame::DeviceIdentification:
        qCLinkDebug(lineLimit, lc) << "Device Identification";
        break;
    case ControllerFrame::ReadRegisters:
        handleReadReply(frame, size);
        break;
    case ControllerFrame::WriteRegisters:
        handleServerWrite(frame, size);
        break;
    case ControllerFrame::Heartbeat:
        handleHeartbeat(frame, size);
        link.write(ControllerFrame::acknowledgement(frame));
        break;
    case ControllerFrame::ConfigurationRegisters:
        handleConfiguration(frame, size);
        link.write(ControllerFrame::acknowledgement(frame));
        break;
    default:
        break;
    }
    lastFunctionCode = 0;
}

// Told only where someone listens: the unit takes them from its inbox, and
// copying an image for no one costs a flood its time.
void qtClient::emitBlock(int blockNo)
{
    static const QMetaMethod signal = QMetaMethod::fromSignal(&qtClient::dataUpdate);
    if (isSignalConnected(signal))
        emit dataUpdate(Kx4Image::block(image.data(), blockNo), blockNo);
}

void qtClient::emitImage()
{
    static const QMetaMethod signal = QMetaMethod::fromSignal(&qtClient::tcpInUpdate);
    if (isSignalConnected(signal))
        emit tcpInUpdate(Kx4Image::toKX4Data(image.data()));
}

bool qtClient::unitListens() const
{
    // Without a unit nothing would ever take a delivery.
    static const QMetaMethod signal = QMetaMethod::fromSignal(&qtClient::dataWaiting);
    return isSignalConnected(signal);
}

void qtClient::deliver(quint64 devices, bool wholeImage, bool heartbeat)
{
    if (unitListens() && m_inbox.put(image.data(), devices, wholeImage, heartbeat))
        emit dataWaiting();
}

void qtClient::unitDone()
{
    if (m_inbox.done())
        emit dataWaiting();
    // What the hold kept in the socket is read now: no readyRead tells of
    // bytes that arrived while it lasted.
    if (m_readingHeld && !readingHeld()) {
        if (link.bytesAvailable() > 0)
            updateReceived();
        link.watchPartialFrame(assembler.partialFrame());
    }
}

void qtClient::handleReadReply(const uchar* frame, int size)
{
    qCLinkDebug(lineLimit, lc).noquote() << QStringLiteral("==========Read multiple registers arraycount #%1==========").arg(replyBlockNo);
    if (lateReplies > 0) {
        // The reply carries no register address: taking it would put the
        // answered device's record into the next block and skip a device.
        --lateReplies;
        droppedLateReply = true;
        qCLinkWarning(lineLimit, lc) << "Late answer to a read request that was sent again: dropped";
        emit refreshheartTimer();
        return;
    }
    if (readOutstanding)
        lateReplies = expectLateReplies ? readResends : 0;
    droppedLateReply = false;
    readOutstanding = false;
    readReplyTimer.stop();
    if (replyBlockNo >= Kx4Image::kBlockCount) {
        qCLinkWarning(lineLimit, lc) << "Read reply beyond the" << Kx4Image::kBlockCount << "device blocks ignored";
        emit refreshheartTimer();
        return;
    }
    // The byte count says what the reply carries; bytes past it are padding.
    const int byteCount = size > kReadReplyByteCount ? frame[kReadReplyByteCount] : 0;
    const int dataBytes = std::min(size - kReadReplyData, byteCount);
    if (dataBytes > 0) {
        if (dataBytes > Kx4Image::kBlockSize)
            qCLinkWarning(lineLimit, lc) << "Read reply of" << dataBytes << "bytes cut to one device block";
        std::memcpy(image.data() + replyBlockNo * Kx4Image::kBlockSize, frame + kReadReplyData,
                    size_t(std::min(dataBytes, Kx4Image::kBlockSize)));
    }
    if (pollSweepActive)
        emit nextData();
    emitBlock(replyBlockNo);
    const bool sweepDone = replyBlockNo >= kReadSweepRequests - 1;
    if (sweepDone) {
        qCLinkDebug(lineLimit, lc) << "---UPDATED--- FC3";
        dataValid = true;
        emitImage();
    }
    deliver(quint64(1) << replyBlockNo, sweepDone);
    if (sweepDone)
        setStatus(Updated);
    ++replyBlockNo;
    emit refreshheartTimer();
}

void qtClient::handleServerWrite(const uchar* frame, int size)
{
    const int length = ControllerFrame::length(frame);
    const int start = size >= 10 ? ControllerFrame::word(frame, 8) : 0;
    const int count = size >= 12 ? ControllerFrame::word(frame, 10) : 0;
    const int device = start / (mode == 0 ? Kx4Image::kBlockSize : 20);
    qCLinkDebug(lineLimit, lc) << " FC16 ============Server Write multiple registers========================================";
    qCLinkDebug(lineLimit, lcLinkDefault) << "FC16" << device;

    // A plain write answer (length 6) and a register write count their bytes differently.
    const int lengthOfBuffer = length == 6 ? 8 : count;
    const int fetchFactor = length == 6 ? 0 : 9;
    int stored = mode == 0 ? lengthOfBuffer + 4 + fetchFactor : lengthOfBuffer + 3 + fetchFactor;
    if (mode == 0 && stored > Kx4Image::kBlockSize)
        stored = lengthOfBuffer;
    qCLinkDebug(lineLimit, lc) << "lengthofbuffer " << lengthOfBuffer << "fetchfactor " << fetchFactor;

    if (device >= Kx4Image::kBlockCount) {
        qCLinkWarning(lineLimit, lc) << "Register write for device" << device << "outside the image ignored";
        emit refreshheartTimer();
        return;
    }
    const int blockStart = device * Kx4Image::kBlockSize;
    const int present = std::max(0, size - kServerWriteData);
    const int fits = std::min({stored, present, Kx4Image::kImageSize - blockStart});
    if (fits != stored)
        qCLinkWarning(lineLimit, lc) << "Register write for device" << device << "stores" << fits << "of" << stored << "bytes";

    qCLinkDebug(lineLimit, lcLinkDefault) << "WAS";
    dumpBlock(device, fits);
    qCLinkDebug(lineLimit, lcLinkDefault) << "NOW";
    if (fits > 0) {
        std::memcpy(image.data() + blockStart, frame + kServerWriteData, size_t(fits));
        dumpBlock(device, fits);
    }
    emitBlock(device);
    emitImage();
    deliver(quint64(1) << device, true);
    // As a heartbeat: the image is the gateway's only once the sweep has read it.
    if (dataValid)
        setStatus(Updated);
    qCLinkDebug(lineLimit, lc).noquote() << QStringLiteral("---Updated FC16 0x10, Data for Energ %1---").arg(device);
    emit refreshheartTimer();
}

void qtClient::dumpBlock(int device, int count)
{
    if (!lcLinkDefault().isDebugEnabled())
        return;
    const uchar* block = image.data() + device * Kx4Image::kBlockSize;
    for (int index = 0; index < count; ++index) {
        const uchar value = block[index];
        qCLinkDebug(lineLimit, lcLinkDefault).noquote().nospace() << "FC16 arrayDevice[" << device << "][" << index << "]= "
                                                   << hexByte(value);
        if (!isBitDumpByte(index))
            continue;
        qCLinkDebug(lineLimit, lcLinkDefault).noquote().nospace() << "   ---BYTE--" << index << "---------------------------------";
        for (int bit = 7; bit >= 0; --bit) {
            qCLinkDebug(lineLimit, lcLinkDefault).noquote() << QStringLiteral("   Byte%1 / Bit%2").arg(index).arg(bit)
                                             << ((value >> bit) & 1);
        }
    }
}

void qtClient::handleHeartbeat(const uchar* frame, int size)
{
    qCLinkDebug(lineLimit, lc) << "Incoming heartbeat";
    quint64 devices = 0;
    if (size < kHeartbeatBody)
        qCLinkWarning(lineLimit, lc) << "Heartbeat of" << size << "bytes without device counts";
    else
        devices = mergeHeartbeat(frame, size);

    if (dataValid)
        emitImage();
    if (devices || dataValid)
        deliver(devices, dataValid, true);
    if (dataValid) {
        setStatus(Updated);
        qCLinkDebug(lineLimit, lc) << "---Updated HeartBeat---";
    }
    emit refreshheartTimer();
    if (!pollStarted) {
        sweepStartTimer.start(link.timing().sweepStartDelayMs);
        pollStarted = true;
    }
}

quint64 qtClient::mergeHeartbeat(const uchar* frame, int size)
{
    const int energizers = frame[8];
    const int ioCards = frame[9];
    if (mode != 0 && lc().isDebugEnabled()) {
        const auto* bytes = reinterpret_cast<const char*>(frame);
        qCLinkDebug(lineLimit, lc) << "TW Data: " << QByteArray(bytes, kHeartbeatBody).toHex(' ');
        qCLinkDebug(lineLimit, lc) << "=======================================";
        qCLinkDebug(lineLimit, lc) << QByteArray(bytes + kHeartbeatBody, std::min(size, 38) - kHeartbeatBody).toHex(' ');
    }
    const int storedEnergizers = std::min(energizers, kMaxEnergizers);
    const int storedIoCards = std::min(ioCards, kMaxIoCards);
    if (storedEnergizers != energizers || storedIoCards != ioCards)
        qCLinkWarning(lineLimit, lc) << "Heartbeat counts" << energizers << ioCards << "cut to the image's" << kMaxEnergizers
                      << kMaxIoCards;
    no_of_energizers = storedEnergizers;
    no_of_iocards = storedIoCards;
    qCLinkDebug(lineLimit, lc) << "no_of_energizers" << energizers << "no_of_iocards" << ioCards;
    qCLinkDebug(lineLimit, lc).noquote() << QString(95, QLatin1Char('-'));

    quint64 devices = 0;
    bool truncated = false;
    for (int i = 1; i <= storedEnergizers; ++i) {
        const int offset = kHeartbeatBody + 6 * (i - 1);
        if (offset + 6 > size) {
            truncated = true;
            break;
        }
        uchar* block = image.data() + i * Kx4Image::kBlockSize;
        for (int k = 0; k < 6; ++k)
            block[kHeartbeatEnergizerBytes[k]] = frame[offset + k];
        emitBlock(i);
        devices |= quint64(1) << i;
    }
    // IO card bytes follow all the energizers the frame announces.
    const int ioBase = kHeartbeatBody + 6 * energizers;
    for (int j = 1; j <= storedIoCards; ++j) {
        const int offset = ioBase + 2 * (j - 1);
        if (offset + 2 > size) {
            truncated = true;
            break;
        }
        const int blockNo = kFirstIoCardBlock + j;
        uchar* block = image.data() + blockNo * Kx4Image::kBlockSize;
        block[kHeartbeatIoCardBytes[0]] = frame[offset];
        block[kHeartbeatIoCardBytes[1]] = frame[offset + 1];
        emitBlock(blockNo);
        devices |= quint64(1) << blockNo;
    }
    if (truncated)
        qCLinkWarning(lineLimit, lc) << "Heartbeat of" << size << "bytes is shorter than its counts announce";
    return devices;
}

void qtClient::handleConfiguration(const uchar* frame, int size)
{
    qCLinkDebug(lineLimit, lc) << "===========================Energizer Write Configuration Registers========================================";
    if (lc().isDebugEnabled()) {
        for (int offset = kConfigurationData; offset < size; ++offset) {
            qCLinkDebug(lineLimit, lc).noquote().nospace() << "FC100 arrayDevice[" << offset - kConfigurationData
                                            << "]= " << hexByte(frame[offset]);
        }
    }
    qCLinkDebug(lineLimit, lc) << "offsetnextpacket= " << size;
}
