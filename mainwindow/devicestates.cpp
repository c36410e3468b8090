#include "devicestates.h"
#include "mainwindowlogging.h"

#include "alarmsarea.h"
#include "alarmstateswidget.h"
#include "commandsend.h"
#include "commondlg.h"
#include "controlunit.h"
#include "deviceunits.h"
#include "devicerows.h"
#include "elementtreearea.h"
#include "elementtreeproxymodel.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsscene.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "qtclient.h"
#include "qtclienttw.h"
#include "sitemutex.h"
#include "treemodel.h"
#include "treepropertybrowser.h"
#include "twsensorsstateswidget.h"
#include "workspacearea.h"

#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

#include <algorithm>
#include <utility>

namespace {

bool flag(const Node* row, int param)
{
    return row->ioFlag(param).toInt() != 0;
}

// Nothing tells of the row's device any more: the link left its gateway on
// the operator's order, or does not dial it. It shows as a row never heard
// from (Off, no flags, no clock), and its next data are first data. The
// site mutex held.
void leaveRowUnwatched(Node* row)
{
    row->resetState();
    row->evaluateEnergizerStatus();
    row->flagText.clear();
    for (int column : {Node::kStatusColumn, Node::kSector1Column, Node::kSector2Column})
        row->setData(column, int(Node::Off));
    row->durationClock = QTime();
    row->setData(ControlUnit::DurationColumn, QString());
    row->setData(ControlUnit::AttemptsColumn, 0);
    row->setData(ControlUnit::LastTryColumn, QString());
    row->heartbeatSeen = false;
}

bool isUnwatched(const Node* row)
{
    return !row->heartbeatSeen && !row->updated && row->data(Node::kStatusColumn).toInt() == Node::Off;
}

// The status row paired with a live element node, or null.
Node* statusRow(Node* element)
{
    SiteLocker lock;
    return element->partner();
}

} // namespace

DeviceStates::DeviceStates(DeviceUnits* units, AlarmsArea* alarms, WorkspaceArea* workspaces,
                           ElementTreeArea* elementTree, PropertyPanel* panel, QLabel* gatewayStatusLabel,
                           QLabel* twStatusLabel)
    : m_units(units)
    , m_alarms(alarms)
    , m_workspaces(workspaces)
    , m_elementTree(elementTree)
    , m_panel(panel)
    , m_gatewayStatusLabel(gatewayStatusLabel)
    , m_twStatusLabel(twStatusLabel)
{
}

std::optional<bool> DeviceStates::buttonChecked(int command, const Node* row)
{
    switch (command) {
    case ActivateEnergZone1:
    case ActivateEnerg:
        return flag(row, EnergizerParam::FenceOn1);
    case ActivateEnergZone2:
        return flag(row, EnergizerParam::FenceOn2);
    case LowVoltageZone1:
        return !flag(row, EnergizerParam::LowVoltageZone1);
    case LowVoltageZone2:
        return !flag(row, EnergizerParam::LowVoltageZone2);
    default:
        if (command >= ActivateRelay1 && command <= ActivateRelay8)
            return row->relayBit(command - ActivateRelay1 + 1).toInt() != 0;
        return std::nullopt;
    }
}

void DeviceStates::energHeartbeat(Node* row, bool statusChanged)
{
    Node* element = nullptr;
    {
        SiteLocker lock;
        if (!g_energizerModel || !g_energizerModel->contains(row))
            return;
        element = row->partner();
    }
    g_energizerModel->refreshChanges(row);
    const bool device = element && (element->type == Node::Energizer || element->type == Node::IOCard);
    ControlUnit* unit = m_units->controlUnit();
    // The first heartbeat of a row only tells where the device stands; a
    // device the operator disabled asks for nothing, as it logs no alarm.
    if (statusChanged && row->heartbeatSeen && device && row->enabled && !(unit && unit->sensorMode)) {
        m_alarms->alarmConfirmDlg()->showAlarmConfirm(row);
        // The confirmation repaints at once, and whatever else was queued
        // (a project reload among it) has run by now.
        SiteLocker lock;
        if (!Node::isAlive(row) || !Node::isAlive(element))
            return;
    }
    // Written once: the unit reads the row's line each second.
    if (!row->heartbeatSeen)
        row->heartbeatSeen = true;
    if (!element)
        return;
    updateActionButtons(element);
    refreshPanels(element);
}

void DeviceStates::refreshPanels(Node* elementNode)
{
    // A copy: writing a row can make a panel go away.
    const QList<PropertySet*> sets = m_panel->propertySets;
    const Node* row = nullptr;
    bool rowLooked = false;
    for (PropertySet* set : sets) {
        Node* shown = set ? set->node() : nullptr;
        // A panel that shows nothing is never affected.
        if (!shown || (shown != elementNode && shown->parent() != elementNode))
            continue;
        // Looked up once a panel shows the device: most ticks none does.
        if (!std::exchange(rowLooked, true))
            row = statusRow(elementNode);
        for (const DeviceRows::Value& value : DeviceRows::read(shown, row)) {
            set->setValue(value.name, value.value);
            if (value.background.isValid())
                set->setBackgroundColor(value.name, value.background);
        }
        if (set->browser)
            set->browser->update();
    }
}

const QList<QPointer<QPushButton>>& DeviceStates::actionButtons()
{
    if (m_actionButtonsGathered == GraphicsScene::elementMoves())
        return m_actionButtons;
    m_actionButtons.clear();
    if (m_workspaces) {
        for (GraphicsScene* scene : m_workspaces->scenes()) {
            for (QGraphicsItem* item : scene->items(Qt::DescendingOrder)) {
                if (item->type() != GraphicsBox::Type)
                    continue;
                auto* box = static_cast<GraphicsBox*>(item);
                if (box->kind() == GraphicsBox::ButtonBox && box->actionButton())
                    m_actionButtons.append(box->actionButton());
            }
        }
    }
    m_actionButtonsGathered = GraphicsScene::elementMoves();
    return m_actionButtons;
}

void DeviceStates::updateActionButtons(Node* elementNode)
{
    if (actionButtons().isEmpty())
        return;
    const Node* row = statusRow(elementNode);
    // A sector or gate shows the state of its energizer.
    if (!row && (elementNode->type == Node::FenceSector || elementNode->type == Node::Gate) && elementNode->parent())
        row = statusRow(elementNode->parent());
    if (!row)
        return;
    for (const QPointer<QPushButton>& button : actionButtons()) {
        // The box owns its button: while the button lives, so does the box.
        GraphicsBox* box = button ? GraphicsBox::boxOfButton(button) : nullptr;
        // A push button that does not latch (a clear-alarms button, say)
        // has no state to follow.
        if (!box || box->actionTarget() != elementNode || !button->isCheckable())
            continue;
        const std::optional<bool> checked = buttonChecked(box->actionCommand(), row);
        button->setChecked(checked.value_or(false));
        // Once per command: every heartbeat asks again.
        if (!checked && !m_unruledCommands.contains(box->actionCommandName())) {
            m_unruledCommands.insert(box->actionCommandName());
            qCWarning(lcMainWindow).noquote()
                << QStringLiteral("Command %1 is not defined for button callback").arg(box->actionCommandName());
        }
    }
}

void DeviceStates::showDeviceState(Node* elementNode)
{
    updateActionButtons(elementNode);
    refreshPanels(elementNode);
}

void DeviceStates::energTick(Node* elementNode)
{
    Node* row = statusRow(elementNode);
    if (!row)
        return;
    // A row outside the model is left out where the model announces.
    if (g_energizerModel)
        g_energizerModel->refreshChanges(row);
    const bool energizer = elementNode->type == Node::Energizer;
    if (!energizer && elementNode->type != Node::IOCard)
        return;
    const QList<Node*> children = energizer ? elementNode->children : QList<Node*>();
    // Evaluated first, the map shown after: an alarm shown may start a
    // sound, which is not done holding the site mutex.
    const Node::TickStatuses statuses = row->evaluateTickStatuses(children.size());
    GraphicsScene* scene = m_workspaces->currentScene();
    int status = Node::OK;
    for (int i = 0; i < children.size(); ++i) {
        // A child past the gate shows the status of the one before it.
        if (i < int(statuses.parts.size()))
            status = statuses.parts[size_t(i)];
        m_alarms->activateVisualAlarm(children.at(i), Node::AlarmStatus(status), scene);
    }
    m_alarms->activateVisualAlarm(elementNode, Node::AlarmStatus(statuses.device), scene);
}

void DeviceStates::sensorHeartbeat(Node* sensorNode)
{
    const qtClientTW* client = m_units->twClient();
    const QString link = client ? client->address() : QString();
    bool left = false;
    {
        SiteLocker lock;
        if (!g_twSensorModel || !g_twSensorModel->contains(sensorNode))
            return;
        // A change told before the link moved from the sensor's system to
        // another would be read as the sensor shows now, no longer watched:
        // no line for it.
        const Node* system = sensorNode->parent();
        left = !link.isEmpty() && system && system->data(0).toString() != link;
    }
    g_twSensorModel->refreshChanges(sensorNode);
    ControlUnit* unit = m_units->controlUnit();
    if (!left && !(unit && unit->sensorMode))
        m_alarms->alarmConfirmDlg()->showAlarmConfirm(sensorNode);
}

void DeviceStates::sensorTick(Node* sensorNode)
{
    Node* element = nullptr;
    {
        SiteLocker lock;
        if (!g_twSensorModel || !g_twSensorModel->contains(sensorNode))
            return;
        element = sensorNode->partner();
    }
    g_twSensorModel->refreshChanges(sensorNode);
    if (!element)
        return;

    if (m_elementTree->currentElement() == element) {
        const QList<DeviceRows::Value> values = DeviceRows::read(element, sensorNode);
        for (PropertySet* set : m_panel->propertySets) {
            if (!set || set->node() != element)
                continue;
            for (const DeviceRows::Value& value : values) {
                set->setValue(value.name, value.value);
                set->setBackgroundColor(value.name, value.background);
            }
        }
    }

    Node* sector = element->parent();
    if (!sector || sector->type != Node::TWSector)
        return;
    int sectorState = 0;
    {
        SiteLocker lock;
        for (Node* child : qAsConst(sector->children)) {
            if (child->type != Node::TWSensor)
                continue;
            if (const Node* sensor = child->partner())
                sectorState = std::max(sectorState, sensor->data(1).toInt());
        }
    }
    if (sector->mapItem && sector->mapItem->type() == GraphicsCircle::Type)
        static_cast<GraphicsCircle*>(sector->mapItem)->setStatus(sectorState);
    m_alarms->activateVisualAlarm(sector, Node::AlarmStatus(sensorStateInfo(sectorState).status),
                                            m_workspaces->currentScene());
}

QString DeviceStates::statusText(bool gateway, int value) const
{
    static const QStringList texts{
        QStringLiteral("Try to connect"), QStringLiteral("HeartBeat Timed Out"),
        QStringLiteral("Connection closed by server"), QStringLiteral("Getting Data"), QStringLiteral("Error"),
        QStringLiteral("Connected"), QStringLiteral("Updating"), QStringLiteral("Updated")};
    if (value == qtClient::Updated) {
        const int last = gateway ? m_lastGatewayStatus : m_lastTWStatus;
        const bool lost = gateway ? (last == qtClient::HeartBeatTimedOut || last == qtClient::ConnectionClosedByServer)
                                  : (last == qtClient::ConnectionClosedByServer || last == qtClient::Error);
        if (lost)
            return QString();
    }
    return value >= 0 && value < texts.size() ? texts.at(value) : QStringLiteral("Not definied");
}

void DeviceStates::gatewayStatus(int value)
{
    showLinkStatus(true, value);
}

void DeviceStates::twStatus(int value)
{
    showLinkStatus(false, value);
}

void DeviceStates::projectClosed()
{
    for (const bool gateway : {true, false}) {
        (gateway ? m_gatewayStatusLabel : m_twStatusLabel)->setStyleSheet(QString());
        setLinkText(gateway, QString());
        (gateway ? m_lastGatewayStatus : m_lastTWStatus) = -1;
    }
    m_gatewayClosedWhy.clear();
    m_twClosedWhy.clear();
}

void DeviceStates::showRefusedAddress(bool gateway, const QString& address)
{
    setLinkText(gateway, tr("No link: %1 is not an IPv4 address").arg(address));
    (gateway ? m_gatewayStatusLabel : m_twStatusLabel)->setStyleSheet(AlarmStyle);
}

void DeviceStates::showClosedHere(bool gateway, const QString& why)
{
    (gateway ? m_gatewayClosedWhy : m_twClosedWhy) = why;
    (gateway ? m_gatewayStatusLabel : m_twStatusLabel)->setStyleSheet(QString());
    setLinkText(gateway, tr("Closed by the program: %1").arg(why));
}

void DeviceStates::showLinkNote(bool gateway, const QString& note)
{
    (gateway ? m_gatewayNote : m_twNote) = note;
    setLinkText(gateway, gateway ? m_gatewayText : m_twText);
}

void DeviceStates::setLinkText(bool gateway, const QString& text)
{
    (gateway ? m_gatewayText : m_twText) = text;
    const QString& note = gateway ? m_gatewayNote : m_twNote;
    QString shown = (gateway ? GatewayPrefix : TWPrefix) + text;
    // The prefix ends in its own space.
    if (!note.isEmpty())
        shown += (text.isEmpty() ? QStringLiteral("(%1)") : QStringLiteral(" (%1)")).arg(note);
    (gateway ? m_gatewayStatusLabel : m_twStatusLabel)->setText(shown);
}

void DeviceStates::showLinkStatus(bool gateway, int value)
{
    QLabel* label = gateway ? m_gatewayStatusLabel : m_twStatusLabel;
    // A close the program made itself keeps saying so.
    QString& closedWhy = gateway ? m_gatewayClosedWhy : m_twClosedWhy;
    const bool closedHere = value == qtClient::ConnectionClosedByServer && !closedWhy.isEmpty();
    if (closedHere) {
        showClosedHere(gateway, closedWhy);
    } else {
        closedWhy.clear();
        label->setStyleSheet(QString());
        setLinkText(gateway, statusText(gateway, value));
    }
    (gateway ? m_lastGatewayStatus : m_lastTWStatus) = value;
    if (value == qtClient::TryToConnect)
        label->setStyleSheet(TryingStyle);
    else if (!closedHere
             && (value == qtClient::HeartBeatTimedOut || value == qtClient::ConnectionClosedByServer
                 || value == qtClient::Error))
        label->setStyleSheet(AlarmStyle);
    if (!gateway)
        return;
    const bool ended = value == qtClient::HeartBeatTimedOut || value == qtClient::ConnectionClosedByServer;
    // The voltage log marks where the data stream broke off or began again.
    if (ended || value == qtClient::Connected)
        emit gatewayStreamChanged();
    // Told right as the client closes: the client still knows whose close it is.
    if (ended) {
        const qtClient* client = m_units->fenceClient();
        resetDeviceRows(!(client && client->closedHere()));
    }
}

void DeviceStates::resetDeviceRows(bool lost)
{
    if (!g_energizerModel)
        return;
    if (!lost) {
        // Every gateway, also the one the link leaves after its address
        // was changed: the others show unwatched already.
        leaveUnwatched(g_energizerModel->rootNode()->children);
        return;
    }
    // A confirmation shown for one row lets through whatever was queued, a
    // project reload among it: the later rows are held as handles.
    QList<NodeHandle> announced;
    QList<Node*> rows;
    const int energizers = std::min<int>(Node::kMaxEnergizers, m_units->fenceClient()->no_of_energizers);
    {
        SiteLocker lock;
        // Only the gateway the link dials had anything to lose.
        const Node* gateway = ControlUnit::dialledGateway(g_energizerModel->rootNode(), m_units->fenceClient()->address());
        if (!gateway)
            return;
        rows = gateway->children;
        for (Node* row : qAsConst(rows)) {
            // A row never heard from had nothing to lose: it stays unseen.
            // One that had no data since the last reset lost nothing now:
            // every failed try to reach a lost controller ends as a loss
            // too, and the operator confirms the loss once.
            const bool hadData = row->heartbeatSeen && row->updated;
            row->resetState();
            // The line tells what the row now shows: Failure, no flags.
            row->flagText.clear();
            if (hadData && row->number() <= energizers)
                announced.append(NodeHandle(row));
        }
    }
    for (Node* row : qAsConst(rows))
        g_energizerModel->refreshChanges(row);
    for (const NodeHandle& handle : qAsConst(announced)) {
        if (Node* row = handle.get())
            energHeartbeat(row, true);
    }
}

void DeviceStates::leaveUndialledUnwatched()
{
    if (!g_energizerModel)
        return;
    QList<Node*> watched;
    {
        SiteLocker lock;
        const Node* root = g_energizerModel->rootNode();
        const Node* dialled = ControlUnit::dialledGateway(root, m_units->fenceClient()->address());
        for (Node* gateway : root->children) {
            if (gateway != dialled && !std::all_of(gateway->children.cbegin(), gateway->children.cend(), isUnwatched))
                watched.append(gateway);
        }
    }
    leaveUnwatched(watched);
}

void DeviceStates::leaveUnwatched(const QList<Node*>& gateways)
{
    QList<NodeHandle> elements;
    {
        SiteLocker lock;
        // The gateway's own row has no device state: it keeps what it shows.
        for (Node* gateway : gateways) {
            for (Node* row : qAsConst(gateway->children)) {
                leaveRowUnwatched(row);
                if (Node* element = row->partner())
                    elements.append(NodeHandle(element));
            }
        }
    }
    for (Node* gateway : gateways) {
        for (Node* row : qAsConst(gateway->children))
            g_energizerModel->refreshChanges(row);
    }
    for (const NodeHandle& handle : qAsConst(elements)) {
        if (Node* element = handle.get())
            showDeviceState(element);
    }
}
