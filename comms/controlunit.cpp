#include "controlunit.h"
#include "commslogging.h"

#include "loggedtext.h"
#include "node.h"
#include "qtclient.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QDateTime>
#include <QDebug>
#include <QTime>

#include <algorithm>

namespace {

constexpr int kMsecsPerDay = 24 * 60 * 60 * 1000;

// The energizer parameter behind each output-mapping input.
constexpr int kEnergizerInputParams[ControlUnit::EnergizerInputCount] = {
    EnergizerParam::Panic,         EnergizerParam::MainFail,    EnergizerParam::LowVoltageZone1,
    EnergizerParam::FenceOn1,      EnergizerParam::LowVoltageZone2, EnergizerParam::FenceOn2,
    EnergizerParam::SyncLoss,      EnergizerParam::Tamper,      EnergizerParam::Service,
    EnergizerParam::GateAlarm,     EnergizerParam::FenceAlarm1, EnergizerParam::FenceAlarm2,
    EnergizerParam::CommsFail,
};

quint8& hvlvOf(Node* row)
{
    return row->outputArea[ControlUnit::HvlvByte];
}

quint8& onoffOf(Node* row)
{
    return row->outputArea[ControlUnit::OnoffByte];
}

void setBit(quint8& byte, int bit, bool on)
{
    if (on)
        byte = quint8(byte | (1u << bit));
    else
        byte = quint8(byte & ~(1u << bit));
}

// What a command was for, as the lines about it name it.
QString commandTarget(const QString& gateway, const QString& device)
{
    return device.isEmpty() ? QStringLiteral("KX4 %1").arg(gateway)
                            : QStringLiteral("%1 of KX4 %2").arg(device, gateway);
}

// The clock of a row's current state: its start is kept as a time of day,
// and the elapsed time wraps after 24 hours. A clock never started is zero.
void restartClock(Node* row, const QTime& now)
{
    row->durationClock = now;
}

int elapsedMsecs(const QTime& start, const QTime& now)
{
    if (!start.isValid())
        return 0;
    int ms = start.msecsTo(now);
    if (ms < 0)
        ms += kMsecsPerDay;
    return ms;
}

// The text of a duration as QTime shows it: "hh:mm:ss", wrapping after a day.
QString durationText(int msecs)
{
    const int seconds = (msecs / 1000) % (24 * 60 * 60);
    const int parts[3] = {seconds / 3600, (seconds / 60) % 60, seconds % 60};
    char text[8];
    for (int i = 0; i < 3; ++i) {
        text[i * 3] = char('0' + parts[i] / 10);
        text[i * 3 + 1] = char('0' + parts[i] % 10);
        if (i < 2)
            text[i * 3 + 2] = ':';
    }
    return QString::fromLatin1(text, 8);
}

QString hexByte(quint8 value)
{
    return QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0'));
}

} // namespace

ControlUnit::ControlUnit(QObject* parent)
    : QObject(parent)
{
    registerNodeMetaTypes();
    registerCommandSendMetaType();
}

ControlUnit::~ControlUnit() = default;

// ---------------------------------------------------------------------------
// Incoming device data

void ControlUnit::connectClient(qtClient* gatewayClient, Qt::ConnectionType type)
{
    client = gatewayClient;
    connect(gatewayClient, &qtClient::dataWaiting, this, &ControlUnit::takeData, type);
    connect(this, &ControlUnit::dataTaken, gatewayClient, &qtClient::unitDone, type);
    connect(
        gatewayClient, &qtClient::closedOnPurpose, this, [this] { m_linkLoss.closedOnPurpose(); }, type);
    connect(gatewayClient, &qtClient::commStatus, this, &ControlUnit::linkStatus, type);
}

void ControlUnit::takeData()
{
    if (!client)
        return;
    for (const LinkInbox::Delivery& delivery : client->inbox().take()) {
        // Met in order with the deliveries: the lost link is not taken for
        // up by any record of the next connection, however late the status
        // that tells of the loss comes.
        if (delivery.loss)
            linkUp = false;
        for (int n = 0; n < ImageBlockCount; ++n) {
            if (delivery.devices & (quint64(1) << n))
                dataUpdate(Kx4Image::block(delivery.image.data(), n), n);
        }
        if (delivery.wholeImage)
            tovelUpdateArray(Kx4Image::toKX4Data(delivery.image.data()));
    }
    // After all it sent: the window has it first.
    emit dataTaken();
}

void ControlUnit::linkStatus(qtClient::ClientStatus status)
{
    // The link itself goes down with the loss in the inbox (takeData): this
    // status may come after the next connection's records.
    LinkLossWatch::Row row;
    if (m_linkLoss.follow(status, client ? client->address() : QString(), &row))
        emit writeAlarmLog(row.source, row.reason, row.message);
}

Node* ControlUnit::findKX4Node() const
{
    if (!client || !energizerModel)
        return nullptr;
    return dialledGateway(energizerModel->rootNode(), client->address());
}

Node* ControlUnit::dialledGateway(const Node* root, const QString& address)
{
    if (!root || address.isEmpty())
        return nullptr;
    Node* found = nullptr;
    // The gateway row carries its gateway's address as its own text, so the
    // map item is never touched from this thread. The last match wins.
    for (Node* gateway : root->children) {
        if (gateway && gateway->deviceNode && gateway->data(NameColumn).toString() == address)
            found = gateway;
    }
    return found;
}

bool ControlUnit::holdsLink()
{
    // The client clears its flag the moment it loses the link, before the
    // status that tells of it is queued here.
    if (!client || !client->dataValid)
        linkUp = false;
    return linkUp;
}

bool ControlUnit::isPresent(const Node* row) const
{
    return row && isPresentNumber(row->number());
}

bool ControlUnit::isPresentNumber(int n) const
{
    if (!client)
        return false;
    if (n >= 1 && n <= LastEnergizer)
        return n <= client->no_of_energizers;
    return n >= FirstIOCard && n <= LastEnergizer + client->no_of_iocards;
}

// The link counts as up from the first whole image after the read sweep:
// its records are the sweep's, and every row takes its record from it as a
// heartbeat would, before the output mapping or a command works from a row.
void ControlUnit::tovelUpdateArray(KX4Data kx4Data)
{
    SiteLocker lock;
    Node* gateway = findKX4Node();
    if (!gateway)
        return;
    const bool valid = client->dataValid;
    const bool comesUp = valid && !linkUp;
    linkUp = valid;
    const int blocks = std::min<int>(ImageBlockCount, int(kx4Data.size()));
    for (int i = 1; i < blocks; ++i) {
        Node* row = gateway->child(i - 1);
        if (!row || !row->enabled)
            continue;
        const DeviceData& block = kx4Data[i];
        image[i].fill(0);
        std::copy_n(block.begin(), std::min<int>(int(block.size()), int(image[i].size())), image[i].begin());
        if (!isPresent(row))
            continue;
        if (comesUp)
            updateZoneStatus(row);
        else if (valid && !row->updated)
            row->updated = true;
    }
    // Every record of the image is in its row now: the mapping reads the
    // cards' relays of this very heartbeat.
    applyOutputMapping(gateway, gateway);
}

void ControlUnit::dataUpdate(DeviceData data, int No)
{
    SiteLocker lock;
    // Only an image brings the link up: a record of the sweep that is
    // handled after the sweep ended still comes before the sweep's image.
    if (!holdsLink())
        return;
    Node* gateway = findKX4Node();
    if (!gateway)
        return;
    if (No < 1 || No > LastDevice) {
        qCWarning(lcEnergizers) << "Device data for device" << No << "dropped: no such device";
        return;
    }
    Node* row = gateway->child(No - 1);
    if (!row || !row->enabled)
        return;
    if (int(data.size()) != int(image[No].size()))
        qCWarning(lcEnergizers) << "Device data for device" << No << "has" << data.size() << "bytes";
    image[No].fill(0);
    std::copy_n(data.begin(), std::min<int>(int(data.size()), int(image[No].size())), image[No].begin());
    if (!isPresent(row))
        return;
    // The output mapping waits for the image that follows the records of a
    // heartbeat or a pushed write: the cards' relays may come later in it.
    updateZoneStatus(row);
}

void ControlUnit::updateZoneBits(Node* row, const Block& block, int zone)
{
    const int byte = zone == 1 ? Zone1Byte : Zone2Byte;
    const int bit = zone - 1;
    const bool on = block[byte] & ZoneOnBit;
    quint8& onoff = onoffOf(row);
    const bool wasOn = onoff & (1u << bit);
    setBit(onoff, bit, on);
    if (on != wasOn) {
        const QString zoneName = QStringLiteral("Zone%1").arg(zone);
        emit writeAlarmLog(row->data(NameColumn).toString(), zoneName + QStringLiteral("OnOff"),
                           zoneName + (on ? QStringLiteral(" On") : QStringLiteral(" Off")));
    }
    setBit(hvlvOf(row), bit, block[byte] & ZoneHighVoltageBit);
}

void ControlUnit::updateZoneStatus(Node* row)
{
    if (!row->enabled)
        return;
    const int n = row->number();
    const Block& block = image[n];
    const bool energizer = n <= LastEnergizer;

    // The statuses before the update, over the record held so far.
    const int oldStatus = row->data(StatusColumn).toInt();
    const int oldIOStatus = row->evaluateIOCardStatus();
    const int oldSector1 = row->evaluateSector1Status();
    const int oldSector2 = row->evaluateSector2Status();
    const StatusRecord held = row->record;

    if (energizer) {
        emit writeVoltageLog(row);
        updateZoneBits(row, block, 1);
        updateZoneBits(row, block, 2);
    } else {
        hvlvOf(row) = block[IOCardRelayByte];
    }
    row->previousRecord = held;
    std::copy(block.begin(), block.end(), row->record.begin());
    // The first record since the row was reset (a connect) is the device's
    // state, evaluated as such: a row without one would read Off. Written
    // once: the GUI thread reads the flag each second.
    const bool firstRecord = !row->updated;
    if (firstRecord)
        row->updated = true;

    Node* element = row->deviceNode;
    if (linkUp && row->enabled && element && element->type == Node::IOCard
        && !element->inputMappings.isEmpty()
        && ioCardInputChanged(row->previousRecord, row->record, -1))
        applyInputMapping(element);

    const QString name = row->data(NameColumn).toString();
    bool changed = false;
    if (energizer) {
        const int status = row->evaluateEnergizerStatus();
        row->setData(StatusColumn, status);
        const int sector1 = row->evaluateSector1Status();
        row->setData(Sector1Column, sector1);
        const int sector2 = row->evaluateSector2Status();
        row->setData(Sector2Column, sector2);
        changed = status != oldStatus || sector1 != oldSector1 || sector2 != oldSector2;
        if (changed) {
            emit writeAlarmLog(name, row->flagText, QStringLiteral("change status to ") + alarmStatusText(status));
            row->setData(AttemptsColumn, 0);
            restartClock(row, heartbeatTime(n));
            // A first record returns from no alarm: what went before was the link's.
            if (sensorMode && status == Node::OK && !firstRecord)
                issue(row, ClrAlms, true);
        }
    } else {
        const int status = row->evaluateIOCardStatus();
        row->setData(StatusColumn, status);
        changed = status != oldIOStatus;
        if (changed)
            emit writeAlarmLog(name, row->flagText, QStringLiteral("change status to ") + row->flagText);
    }
    emit energHearbeat(row, changed);
}

// ---------------------------------------------------------------------------
// The one-second tick

void ControlUnit::afterTimer()
{
    SiteLocker lock;
    // Only the gateway the link dials is watched, and of two boxes at its
    // address only the one fed: the rows of another have no state whose
    // time could run.
    Node* gateway = findKX4Node();
    if (!gateway)
        return;
    // One reading of the clock for the whole tick: reading it asks the C
    // library for the time zone each time, which costs more than a row.
    const QDateTime now = QDateTime::currentDateTime();
    const QTime nowTime = now.time();
    const QString lastTry = now.toString(LastTryFormat);
    for (int i = 0; i < gateway->childCount(); ++i) {
        Node* row = gateway->child(i);
        if (!row || !row->deviceNode || !isPresentNumber(i + 1))
            continue;
        int attempts = row->data(AttemptsColumn).toInt();
        const int status = row->data(StatusColumn).toInt();
        if (status == Node::OK)
            attempts = 0;
        else if (status == Node::Warning || status == Node::Critical)
            ++attempts;
        row->setData(DurationColumn, durationText(elapsedMsecs(row->durationClock, nowTime)));
        row->setData(AttemptsColumn, attempts);
        row->setData(LastTryColumn, lastTry);
        emit energTick(row->deviceNode);
    }
}

// ---------------------------------------------------------------------------
// Commands

QTime ControlUnit::heartbeatTime(int deviceNumber)
{
    const bool sameHeartbeat = m_heartbeatTime.isValid() && deviceNumber > m_heartbeatDevice
        && m_heartbeatAge.isValid() && m_heartbeatAge.elapsed() < HeartbeatSpanMs;
    if (!sameHeartbeat) {
        m_heartbeatTime = QTime::currentTime();
        m_heartbeatAge.start();
    }
    m_heartbeatDevice = deviceNumber;
    return m_heartbeatTime;
}

void ControlUnit::sendRowBytes(Node* row, char clearAlarm)
{
    const int n = row->number();
    qCDebug(lcEnergizers) << "SENDING COMMAND" << n << hexByte(hvlvOf(row)) << hexByte(onoffOf(row));
    emit sendCmd(n, char(hvlvOf(row)), char(onoffOf(row)), clearAlarm, false);
}

void ControlUnit::command(Node* commandNode, CommandSend command, QVariant value)
{
    SiteLocker lock;
    const CommandOutcome outcome = issue(commandNode, command, value);
    if (outcome.reason.isEmpty())
        emit commandSent(outcome.gateway, outcome.device);
    else
        emit commandRefused(outcome.gateway, outcome.device, outcome.reason);
}

ControlUnit::CommandOutcome ControlUnit::issue(Node* commandNode, CommandSend command, const QVariant& value)
{
    if (!Node::isAlive(commandNode)) {
        qCWarning(lcEnergizers) << "Command" << int(command) << "dropped: its node no longer exists";
        return {QString(), QString(), QStringLiteral("its device no longer exists")};
    }
    const Node* root = energizerModel ? energizerModel->rootNode() : nullptr;
    Node* gateway = commandNode;
    while (gateway->parent() && gateway->parent() != root)
        gateway = gateway->parent();
    CommandOutcome outcome{gateway->data(NameColumn).toString(),
                           commandNode == gateway ? QString() : commandNode->data(NameColumn).toString(), QString()};
    // Checked here, where the frame is made: the link may have moved since
    // the window chose the device.
    Node* row = dialledRow(commandNode, gateway);
    if (!row) {
        // At the dialled address itself only a box off the maps is refused:
        // no box there stands for the link.
        const QString linkAddress = client ? client->address() : QString();
        outcome.reason = linkAddress.isEmpty()             ? QStringLiteral("the gateway link is closed")
            : outcome.gateway == linkAddress               ? QStringLiteral("its gateway box is on no map")
                                                           : QStringLiteral("the link dials KX4 %1").arg(loggedText(linkAddress));
        qCWarning(lcEnergizers).noquote() << refusalText(outcome.gateway, outcome.device, outcome.reason);
        return outcome;
    }
    if (!holdsLink()) {
        qCWarning(lcEnergizers) << "Command" << int(command) << "for" << loggedText(row->data(NameColumn).toString())
                   << "dropped: the gateway link is not up";
        outcome.reason = QStringLiteral("the gateway link is not up");
        return outcome;
    }
    runCommand(row, command, value);
    return outcome;
}

Node* ControlUnit::dialledRow(Node* row, Node* gateway) const
{
    Node* dialled = findKX4Node();
    if (gateway == dialled)
        return row;
    if (dialled && gateway->data(NameColumn).toString() == dialled->data(NameColumn).toString())
        return row == gateway ? dialled : dialled->child(row->number() - 1);
    return nullptr;
}

// Names and addresses are the operator's free text: cut as every logged value.
QString ControlUnit::refusalText(const QString& gateway, const QString& device, const QString& reason)
{
    if (gateway.isEmpty() && device.isEmpty())
        return QStringLiteral("Command not sent: %1").arg(reason);
    if (gateway.isEmpty())
        return QStringLiteral("Command for %1 not sent: %2").arg(loggedText(device), reason);
    return QStringLiteral("Command for %1 not sent: %2")
        .arg(commandTarget(loggedText(gateway), loggedText(device)), reason);
}

QString ControlUnit::sentText(const QString& gateway, const QString& device)
{
    return QStringLiteral("Command for %1 sent").arg(commandTarget(gateway, device));
}

void ControlUnit::runCommand(Node* row, CommandSend command, const QVariant& value)
{
    const int n = row->number();
    const bool on = value.toBool();
    quint8& hvlv = hvlvOf(row);
    quint8& onoff = onoffOf(row);
    switch (command) {
    case EnergizersActive:
        emit sendCmd(n, 3, on ? 3 : 0, 0, false);
        return;
    case ActivateZone1:
    case ActivateEnergZone1:
        setBit(onoff, 0, on);
        break;
    case ActivateZone2:
    case ActivateEnergZone2:
        setBit(onoff, 1, on);
        break;
    case ActivateEnerg:
        setBit(onoff, 0, on);
        setBit(onoff, 1, on);
        break;
    case EnergizersHiLo:
        setBit(hvlv, 0, !on);
        setBit(hvlv, 1, !on);
        emit sendCmd(n, char(hvlv), 3, 0, false);
        return;
    case LowVoltageZone1:
        setBit(hvlv, 0, !on);
        break;
    case LowVoltageZone2:
        setBit(hvlv, 1, !on);
        break;
    case ClrAlms:
        qCDebug(lcEnergizers) << "Reset for" << n;
        sendRowBytes(row, ClearAlarmValue);
        return;
    case ActivateRelay1:
    case ActivateRelay2:
    case ActivateRelay3:
    case ActivateRelay4:
    case ActivateRelay5:
    case ActivateRelay6:
    case ActivateRelay7:
    case ActivateRelay8:
        setBit(hvlv, command - ActivateRelay1, on);
        sendRelayCmd(n, char(hvlv));
        return;
    case GlobalMode: {
        static const std::array<std::pair<char, char>, 4> modes{{{0, 0}, {3, 0}, {0, 3}, {3, 3}}};
        const int mode = value.toInt();
        const auto bytes = mode >= 0 && mode < int(modes.size()) ? modes[size_t(mode)] : std::pair<char, char>{0, 0};
        emit sendCmd(n, bytes.first, bytes.second, 0, false);
        return;
    }
    default:
        // Resend, sound alarm (handled by the main window) and unknown values.
        break;
    }
    sendRowBytes(row);
}

void ControlUnit::sendRelayCmd(int relayAddr, char tmpTX_actv_char)
{
    qCDebug(lcEnergizers) << "SENDING RELAY COMMAND " << relayAddr << hexByte(quint8(tmpTX_actv_char));
    emit sendCmd(relayAddr, 0, tmpTX_actv_char, 0, true);
}

// ---------------------------------------------------------------------------
// Mapping inputs

int ControlUnit::energizerInputParam(int input)
{
    return input >= 0 && input < EnergizerInputCount ? kEnergizerInputParams[input] : 0;
}

int ControlUnit::energizerInput(const Node* row, int input)
{
    if (!row || input < 0 || input >= EnergizerInputCount)
        return -1;
    const int value = row->energizerParam(kEnergizerInputParams[input]).toInt();
    switch (input) {
    case 1: // mains present
        return value == 0 ? 1 : 0;
    case 3: // fence 1 on
    case 5: // fence 2 on
        return value != 0 ? 1 : 0;
    default:
        return value;
    }
}

int ControlUnit::anyEnergizerInput(const Node* gatewayRow, int input)
{
    if (!gatewayRow)
        return 0;
    const int count = std::min(gatewayRow->childCount(), LastEnergizer);
    for (int i = 0; i < count; ++i) {
        const Node* row = gatewayRow->child(i);
        if (row && row->enabled && energizerInput(row, input) == 1)
            return 1;
    }
    return 0;
}

int ControlUnit::ioCardInput(const Node* row, int input)
{
    if (!row || input < 0 || input >= IOCardInputCount)
        return -1;
    return row->ioCardParam(IOCardParam::FirstInput + input).toInt();
}

int ControlUnit::ioCardRelay(const Node* row, int relay)
{
    if (!row || relay < 0 || relay >= RelayCount)
        return -1;
    return row->ioCardParam(IOCardParam::FirstRelay + relay).toInt();
}

// ---------------------------------------------------------------------------
// Output mapping: energizer inputs drive IO card relays

QList<ControlUnit::RelayState> ControlUnit::collectRelayStates(Node* element)
{
    QList<RelayState> states;
    if (!linkUp || !element)
        return states;
    const bool wholeGateway = element->type == Node::MapElement;
    Node* owner = wholeGateway ? element : element->parent();
    if (!owner)
        return states;
    // Every heartbeat runs the mapping: a record it skips is told once, and
    // again only once the mapping has changed. Looked up at the first skip
    // only: a sound mapping costs nothing more per heartbeat.
    enum { NoSkip, SkipsTold, SkipsNew } skips = NoSkip;
    for (const MappingRecord& record : element->outputMappings) {
        // A record without a card yields entries that match no card: nothing to do.
        if (record.id == 0)
            continue;
        Node* card = owner->child(record.id - 1);
        if (!card || !card->enabled)
            continue;
        if (card->type != Node::IOCard) {
            if (skips == NoSkip)
                skips = m_skipsTold.value(element) == element->outputMappings ? SkipsTold : SkipsNew;
            if (skips == SkipsNew)
                qCWarning(lcEnergizers) << "Output mapping of" << element->name << "skipped: device" << record.id
                                        << "is not an IO card";
            continue;
        }
        for (int relay = 0; relay < RelayCount; ++relay) {
            const quint32 word = record.codedValue[size_t(relay)] & 0xFFFF;
            int state = 0;
            for (int input = 0; input < EnergizerInputCount; ++input) {
                if (!(word & (1u << input)))
                    continue;
                const int v = wholeGateway ? anyEnergizerInput(element->deviceNode, input)
                                           : energizerInput(element->deviceNode, input);
                if (input == 2 || input == 4) {
                    // High-voltage inputs: a low-voltage code of 0 or 2 means high voltage.
                    if (v == 0 || v == 2)
                        state = 1;
                } else if (v == 1) {
                    state = 1;
                }
                states.append({card->number() - 1, relay, state});
            }
        }
    }
    if (skips == SkipsNew)
        m_skipsTold.insert(element, element->outputMappings);
    else if (skips == NoSkip && !m_skipsTold.isEmpty())
        m_skipsTold.remove(element);
    return states;
}

void ControlUnit::applyOutputMapping(Node* gateway, Node* row)
{
    if (!linkUp)
        return;
    const int energizers = client ? client->no_of_energizers.load() : 0;
    auto mapped = [energizers](const Node* r) {
        return r && r->number() <= LastEnergizer && r->number() <= energizers && r->enabled && r->deviceNode
            && !r->deviceNode->outputMappings.isEmpty();
    };

    QList<RelayState> states;
    if (row != gateway) {
        if (mapped(row))
            states = collectRelayStates(row->deviceNode);
    } else {
        states = collectRelayStates(gateway->deviceNode);
        for (int i = 0; i < LastEnergizer; ++i) {
            Node* child = gateway->child(i);
            if (mapped(child))
                states += collectRelayStates(child->deviceNode);
        }
    }
    if (states.isEmpty())
        return;

    // The entries in list order: for each relay of each card the last one decides.
    std::array<quint8, LastDevice> relays{};
    std::array<bool, LastDevice> touched{};
    for (const RelayState& s : qAsConst(states)) {
        const int k = s.cardIndex;
        if (k < FirstIOCard - 1 || k >= LastDevice)
            continue;
        Node* card = gateway->child(k);
        if (!card || !card->enabled)
            continue;
        if (!touched[size_t(k)]) {
            relays[size_t(k)] = hvlvOf(card);
            touched[size_t(k)] = true;
        }
        setBit(relays[size_t(k)], s.relay, s.state);
    }
    QList<RelayCommand> pending;
    for (int k = FirstIOCard - 1; k < LastDevice; ++k) {
        if (!touched[size_t(k)])
            continue;
        Node* card = gateway->child(k);
        if (relays[size_t(k)] != hvlvOf(card)) {
            hvlvOf(card) = relays[size_t(k)];
            pending.append({card->number(), relays[size_t(k)]});
        }
    }
    for (const RelayCommand& c : qAsConst(pending))
        sendRelayCmd(c.deviceNumber, char(c.relayByte));
}

// ---------------------------------------------------------------------------
// Input mapping: IO card inputs drive energizer zones or the global mode

void ControlUnit::applyInputMapping(Node* ioCardElement)
{
    if (!linkUp || !ioCardElement)
        return;
    Node* row = ioCardElement->deviceNode;
    Node* gatewayElement = ioCardElement->parent();
    if (!row || !gatewayElement)
        return;
    const bool reverse = reverseLogic;
    auto input = [row, reverse](int k) {
        const bool active = ioCardInput(row, k) != 0;
        return reverse ? !active : active;
    };
    auto inputChanged = [row](int k) { return ioCardInputChanged(row->previousRecord, row->record, k); };

    for (const MappingRecord& record : ioCardElement->inputMappings) {
        if (record.id == 0) {
            const bool input5 = record.codedValue[4] != 0;
            const bool input6 = record.codedValue[5] != 0;
            if (!(input5 && inputChanged(4)) && !(input6 && inputChanged(5)))
                continue;
            const int mode = 2 * int(input(4)) + int(input(5));
            issue(row->parent(), GlobalMode, mode);
            continue;
        }
        Node* targetElement = gatewayElement->child(record.id - 1);
        if (targetElement && targetElement->type != Node::Energizer) {
            qCWarning(lcEnergizers) << "Input mapping of" << ioCardElement->name << "skipped: device" << record.id
                       << "is not an energizer";
            continue;
        }
        Node* target = targetElement ? targetElement->deviceNode : nullptr;
        if (!target || !target->enabled)
            continue;
        quint8 onoff = onoffOf(target);
        quint8 hvlv = hvlvOf(target);
        bool touched = false;
        for (int k = 0; k < IOCardInputCount; ++k) {
            const quint32 word = record.codedValue[size_t(k)] & 0xFFFF;
            if (word == 0)
                continue;
            for (int b = 0; b < 4; ++b) {
                if (!(word & (1u << b)))
                    continue;
                if (inputChanged(k)) {
                    const bool value = input(k);
                    switch (b) {
                    case 0: setBit(onoff, 0, value); break;
                    case 1: setBit(hvlv, 0, value); break;
                    case 2: setBit(onoff, 1, value); break;
                    case 3: setBit(hvlv, 1, value); break;
                    }
                }
                touched = true;
            }
        }
        if (!touched)
            continue;
        const bool differs = onoff != onoffOf(target) || hvlv != hvlvOf(target);
        onoffOf(target) = onoff;
        hvlvOf(target) = hvlv;
        if (differs)
            emit sendCmd(target->number(), char(hvlv), char(onoff), 0, false);
    }
}
