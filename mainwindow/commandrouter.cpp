#include "commandrouter.h"
#include "mainwindowlogging.h"

#include "alarmsarea.h"
#include "controlunit.h"
#include "deviceunits.h"
#include "dialoglaunchers.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "loggedtext.h"
#include "qtclienttw.h"
#include "windowsettings.h"
#include "sitemutex.h"
#include "treemodel.h"
#include "twcontrolunit.h"
#include "workspacearea.h"

#include <QDebug>
#include <QSettings>
#include <QTabWidget>
#include <QScopeGuard>
#include <QTimer>

#include <memory>
#include <utility>

namespace {

QString boolText(const QVariant& value)
{
    return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
}

QString nameOf(const Node* node)
{
    SiteLocker lock;
    return node ? node->data(0).toString() : QString();
}

// The energizer a zone or low-voltage command of this node is for: the node
// itself, or the energizer a sector or gate belongs to.
Node* energizerOf(Node* node)
{
    if (!node)
        return nullptr;
    if (node->type == Node::Energizer)
        return node;
    if (node->type == Node::FenceSector || node->type == Node::Gate)
        return node->parent() && node->parent()->type == Node::Energizer ? node->parent() : nullptr;
    return nullptr;
}

GraphicsBox* boxOf(const Node* node)
{
    QGraphicsItem* item = node ? node->mapItem : nullptr;
    return item && item->type() == GraphicsBox::Type ? static_cast<GraphicsBox*>(item) : nullptr;
}

// The address of the gateway box a node is part of; empty for none.
QString gatewayAddressOf(const Node* node)
{
    for (; node; node = node->parent()) {
        if (const GraphicsBox* box = boxOf(node); box && box->kind() == GraphicsBox::GatewayBox)
            return box->ip();
    }
    return QString();
}

} // namespace

CommandRouter::CommandRouter(WorkspaceArea* workspaces, AlarmsArea* alarms, DeviceUnits* units,
                             const std::unique_ptr<DialogLaunchers>& launchers)
    : m_workspaces(workspaces)
    , m_alarms(alarms)
    , m_units(units)
    , m_launchers(launchers)
{
}

Node* CommandRouter::deviceOf(Node* elementNode) const
{
    SiteLocker lock;
    if (!Node::isAlive(elementNode) || !Node::isAlive(elementNode->deviceNode))
        return nullptr;
    return elementNode->deviceNode;
}

void CommandRouter::send(Node* elementNode, CommandSend action, const QVariant& value, WhenSent whenSent)
{
    Node* device = deviceOf(elementNode);
    if (!device) {
        // Refused here, as the unit refuses: told, and the controls show the
        // device's state rather than the click.
        const QString gateway = gatewayAddressOf(elementNode);
        const QString text = ControlUnit::refusalText(gateway,
                                                      elementNode && elementNode->type != Node::MapElement
                                                          ? nameOf(elementNode) : QString(),
                                                      tr("it is linked to no device"));
        qCWarning(lcMainWindow).noquote() << text;
        if (elementNode)
            emit deviceStateWanted(elementNode);
        if (Node* given = m_given.get(); given && given != elementNode)
            emit deviceStateWanted(given);
        tellNotSent(text, gateway);
        return;
    }
    m_pending.push_back({NodeHandle(elementNode), std::move(whenSent),
                         m_given.get() != elementNode ? m_given : NodeHandle()});
    emit command(device, action, value);
}

CommandRouter::Pending CommandRouter::takeAnswered()
{
    if (m_pending.empty())
        return {};
    Pending answered = std::move(m_pending.front());
    m_pending.pop_front();
    return answered;
}

void CommandRouter::commandSent(const QString& gateway, const QString& device)
{
    const Pending answered = takeAnswered();
    if (answered.whenSent)
        answered.whenSent();
    m_noteRefusedFor = {};
    emit commandNote(ControlUnit::sentText(gateway, device));
}

void CommandRouter::commandNotSent(const QString& gateway, const QString& device, const QString& reason)
{
    const Pending answered = takeAnswered();
    if (Node* element = answered.element.get())
        emit deviceStateWanted(element);
    if (Node* given = answered.given.get())
        emit deviceStateWanted(given);
    commandRefused(gateway, device, reason);
}

void CommandRouter::clearNote()
{
    m_noteRefusedFor = {};
    emit commandNote(QString());
}

void CommandRouter::linkUpdated(bool tw, const QString& address)
{
    // Each heartbeat tells it: most find no such note.
    if (!m_noteRefusedFor.address.isEmpty() && m_noteRefusedFor.address == address && m_noteRefusedFor.tw == tw)
        clearNote();
}

void CommandRouter::log(const QString& subject, const QString& message)
{
    emit userAction(subject, message);
}

CommandRouter::WhenSent CommandRouter::logged(const QString& subject, const QString& message)
{
    return [this, subject, message] { log(subject, message); };
}

void CommandRouter::commandSending(Node* elementNode, const QVariant& value, CommandSend action)
{
    if (elementNode) {
        // A panel or a timer may still hold a node that a reload has retired.
        SiteLocker lock;
        if (!Node::isAlive(elementNode)) {
            qCWarning(lcMainWindow).noquote() << QStringLiteral("Command %1 dropped: its element is gone").arg(int(action));
            return;
        }
    }
    m_given = NodeHandle(elementNode);
    const auto given = qScopeGuard([this] { m_given = NodeHandle(); });
    switch (action) {
    case SoundAlarmActive: {
        m_alarms->setSoundAlarmActive(value.toBool());
        WindowSettings::write([&](QSettings& settings) {
            settings.setValue(QStringLiteral("SoundAlarmActive"), m_alarms->soundAlarmActive());
        });
        QTabWidget* tabs = m_workspaces->tabs();
        log(QStringLiteral("Workplace"), tr("SoundAlarmActive for Workplace %1 set to %2")
                                             .arg(tabs->tabText(tabs->currentIndex()), boolText(value)));
        return;
    }
    case GlobalMode:
        send(elementNode, GlobalMode, value, [this, kx4 = nameOf(elementNode), value] { writeGlobalActionLog(kx4, value); });
        return;
    case EnergizersHiLo:
        allEnergizersLowVoltage(elementNode, value);
        return;
    case LowVoltageZone1:
    case LowVoltageZone2:
        lowVoltageCommand(elementNode, value, action);
        return;
    case ActivateEnergZone1:
    case ActivateEnergZone2:
        zoneCommand(elementNode, value, action);
        return;
    case ActivateEnerg:
        send(elementNode, ActivateEnerg, value.toBool(),
             logged(QStringLiteral("Energizer"), tr("ActivateEnerg %1 set to %2").arg(nameOf(elementNode), boolText(value))));
        return;
    case EnergizersActive:
        allEnergizersActive(elementNode, value);
        return;
    case ClrAlms:
        clearAlarm(elementNode, value);
        return;
    default:
        break;
    }
    relayCommand(elementNode, value, action, {});
}

void CommandRouter::relayCommand(Node* elementNode, const QVariant& value, CommandSend action, WhenSent alsoWhenSent)
{
    if (action < ActivateRelay1 || action > ActivateRelay8)
        return;
    const QString line = tr("ActivateIOCard %1 %2 set to %3")
                             .arg(nameOf(elementNode), QStringLiteral("Relay%1").arg(action - ActivateRelay1 + 1),
                                  boolText(value));
    send(elementNode, action, value.toBool(), [this, line, also = std::move(alsoWhenSent)] {
        if (also)
            also();
        log(QStringLiteral("IOCard"), line);
    });
}

void CommandRouter::zoneCommand(Node* elementNode, const QVariant& value, CommandSend action)
{
    Node* energizer = energizerOf(elementNode);
    if (!energizer) {
        qCWarning(lcMainWindow) << "energNode IS NULL";
        return;
    }
    const QString zone = action == ActivateEnergZone1 ? QStringLiteral("ActivateEnergZone1")
                                                       : QStringLiteral("ActivateEnergZone2");
    send(energizer, action, value.toBool(),
         logged(QStringLiteral("Energizer"), tr("%1 %2 set to %3").arg(zone, nameOf(elementNode), boolText(value))));
    // Switching a zone on also clears a pending alarm.
    Node* row = deviceOf(energizer);
    if (value.toBool() && row && row->energizerParam(9).toInt() != 0)
        commandSending(elementNode, true, ClrAlms);
}

void CommandRouter::lowVoltageCommand(Node* elementNode, const QVariant& value, CommandSend action)
{
    Node* energizer = energizerOf(elementNode);
    if (!energizer) {
        qCWarning(lcMainWindow).noquote() << QStringLiteral("Low voltage command for %1 not sent: no energizer")
                                    .arg(loggedText(nameOf(elementNode)));
        return;
    }
    const QString subject = elementNode->type == Node::Energizer ? QStringLiteral("Energizer")
                            : elementNode->type == Node::FenceSector ? QStringLiteral("Sector")
                                                                      : QStringLiteral("Gate");
    const QString zone = action == LowVoltageZone1 ? QStringLiteral("LowVoltageZone1")
                                                    : QStringLiteral("LowVoltageZone2");
    send(energizer, action, value.toBool(), logged(subject, tr("%1 %2 set to %3").arg(zone, nameOf(energizer), boolText(value))));
}

// The box's flag keeps the last command sent; a cancelled choice takes it too.
void CommandRouter::allEnergizersActive(Node* elementNode, const QVariant& value)
{
    const auto setFlag = [box = NodeHandle(elementNode), on = value.toBool()] {
        if (GraphicsBox* shown = boxOf(box.get()))
            shown->setAllEnergisersActive(on);
    };
    const int mode = m_launchers->globalCommand(1);
    if (mode < 0) {
        setFlag();
        return;
    }
    const WhenSent line = logged(QStringLiteral("OsprelVell"), tr("All EnergizersActive for KX4 %1 set to %2")
                                                                   .arg(nameOf(elementNode), boolText(value)));
    send(elementNode, GlobalMode, mode, [setFlag, line] {
        setFlag();
        line();
    });
}

void CommandRouter::allEnergizersLowVoltage(Node* elementNode, const QVariant& value)
{
    GraphicsBox* box = boxOf(elementNode);
    if (!box) {
        qCWarning(lcMainWindow).noquote() << QStringLiteral("Low voltage command for %1 not sent: no gateway box")
                                    .arg(loggedText(nameOf(elementNode)));
        return;
    }
    const WhenSent line = logged(QStringLiteral("OsprelVell"),
                                 tr("All EnergizersLowVoltage for OsprelVell %1 set to %2").arg(box->ip(), boolText(value)));
    send(box->node(), EnergizersHiLo, value.toBool(), [line, node = NodeHandle(box->node()), low = value.toBool()] {
        if (GraphicsBox* shown = boxOf(node.get()))
            shown->setAllEnergisersLowVoltage(low);
        line();
    });
}

CommandRouter::WhenSent CommandRouter::clearAlarmLine(Node* elementNode)
{
    return logged(QStringLiteral("ClearAlarm"), tr("Clear alarm of KX4 %1").arg(nameOf(elementNode)));
}

void CommandRouter::clearAlarm(Node* elementNode, const QVariant& value)
{
    if (!elementNode)
        return;
    switch (elementNode->type) {
    case Node::MapElement:
        clearGatewayAlarms(elementNode, value);
        break;
    case Node::TWSystem:
        resetTWSystem(elementNode);
        break;
    case Node::Energizer:
        send(elementNode, ClrAlms, value, clearAlarmLine(elementNode));
        break;
    default:
        break;
    }
}

void CommandRouter::clearGatewayAlarms(Node* gatewayElement, const QVariant& value)
{
    SiteLocker lock;
    if (!Node::isAlive(gatewayElement))
        return;
    const int count = std::min(gatewayElement->childCount(), ClearedEnergizers);
    // One line for the gateway, written with the first step sent.
    const auto line = std::make_shared<WhenSent>(clearAlarmLine(gatewayElement));
    for (int i = 0; i < count; ++i) {
        Node* child = gatewayElement->child(i);
        if (!child->enabled)
            continue;
        // The gateway may be gone or rebuilt when the timer fires, its nodes
        // freed and others made at their addresses: the step goes only to
        // these very nodes, the child still where it was.
        QTimer::singleShot(i * ClearAlarmStepMs, this,
                           [this, gateway = NodeHandle(gatewayElement), energizer = NodeHandle(child), i, value, line] {
                               Node* target = energizer.get();
                               {
                                   SiteLocker lock;
                                   Node* owner = gateway.get();
                                   if (!owner || !target || owner->child(i) != target)
                                       return;
                               }
                               send(target, ClrAlms, value, [line] {
                                   if (*line)
                                       std::exchange(*line, WhenSent())();
                               });
                           });
    }
}

void CommandRouter::timerCommand(const QString& kx4, int ioCard, CommandSend command, const QVariant& value)
{
    // A timer without a chosen card (the default timers carry -1) switches nothing.
    if (ioCard <= 0 || kx4.isEmpty())
        return;
    for (int tab = 0; tab < m_workspaces->count(); ++tab) {
        GraphicsScene* scene = m_workspaces->sceneAt(tab);
        if (!scene)
            continue;
        for (QGraphicsItem* item : scene->items(Qt::AscendingOrder)) {
            if (item->type() != GraphicsBox::Type)
                continue;
            auto* box = static_cast<GraphicsBox*>(item);
            if (box->kind() != GraphicsBox::GatewayBox || box->ip() != kx4 || !box->node())
                continue;
            Node* card = box->node()->child(ioCard - 1);
            if (!card)
                continue;
            // A timer switches relays; its row tells of a command sent.
            relayCommand(card, value, command,
                         [this, reason = tr("Triggered, To card %1").arg(nameOf(card)),
                          message = QStringLiteral("Sending %1").arg(boolText(value))] {
                             emit alarmLog(QStringLiteral("Timer"), reason, message);
                         });
        }
    }
}

// Each TW system has a controller of its own, and the one TW link reaches
// only the system at the address it dials.
void CommandRouter::resetTWSystem(Node* system)
{
    qtClientTW* client = m_units->twClient();
    if (!client)
        return;
    const QString address = nameOf(system);
    if (!address.isEmpty() && address == client->address() && client->sendRequest(0, 0, 0)) {
        clearAlarmLine(system)();
        return;
    }
    const QString text = TWControlUnit::refusalText(address, client->address());
    qCWarning(lcMainWindow).noquote() << text;
    tellNotSent(text, address, true);
}

void CommandRouter::commandRefused(const QString& gateway, const QString& device, const QString& reason)
{
    tellNotSent(ControlUnit::refusalText(gateway, device, reason), gateway);
}

void CommandRouter::tellNotSent(const QString& text, const QString& address, bool tw)
{
    m_noteRefusedFor = {address, tw};
    emit commandNote(text);
    log(QStringLiteral("Command"), text);
}

QString CommandRouter::globalModeText(const QVariant& value)
{
    static const QStringList modes{QStringLiteral("Off, Low"), QStringLiteral("Off, Hi"), QStringLiteral("On, Low"),
                                   QStringLiteral("On, Hi")};
    bool ok = false;
    const int mode = value.toInt(&ok);
    return ok && mode >= 0 && mode < modes.size() ? modes.at(mode) : QString();
}

void CommandRouter::writeGlobalActionLog(const QString& kx4, const QVariant& value)
{
    log(QStringLiteral("OsprelVell"),
        tr("All Energizers for KX4 %1 set to %2").arg(kx4, globalModeText(value)));
}
