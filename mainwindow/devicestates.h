#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariant>

#include <optional>

class AlarmsArea;
class DeviceUnits;
class ElementTreeArea;
class Node;
class PropertyPanel;
class QLabel;
class QPushButton;
class WorkspaceArea;

// The receiving end of the device data in the GUI thread: heartbeats refresh
// the state models, the panels that show the device, the map buttons aimed
// at it and the alarm confirmation; ticks paint the alarm state on the map;
// link statuses go to the status bar. Every Node* arrives queued from a unit
// thread as a handle the window has resolved (NodeHandle), or is handed in
// by a caller that knows it lives, and is checked for life again where a
// call in between may have changed the trees. Rows are refreshed through
// `TreeModel::refreshChanges`: the units write them through `Node::setData`.
class DeviceStates : public QObject
{
    Q_OBJECT
public:
    static inline const QString GatewayPrefix = QStringLiteral("EnergConnection: ");
    static inline const QString TWPrefix = QStringLiteral("TW Connection: ");
    static inline const QString AlarmStyle = QStringLiteral("background-color:red;");
    static inline const QString TryingStyle = QStringLiteral("background-color:yellow;");

    DeviceStates(DeviceUnits* units, AlarmsArea* alarms, WorkspaceArea* workspaces, ElementTreeArea* elementTree,
                 PropertyPanel* panel, QLabel* gatewayStatusLabel, QLabel* twStatusLabel);

    void energHeartbeat(Node* row, bool statusChanged);
    void energTick(Node* elementNode);
    void sensorHeartbeat(Node* sensorNode);
    void sensorTick(Node* sensorNode);
    // A status of the gateway link or of the TW link (qtClient::ClientStatus).
    void gatewayStatus(int value);
    void twStatus(int value);
    // The project went, and its links with it: the status bar forgets them.
    void projectClosed();
    // The project's link is not made, as `address` is no IPv4 address.
    void showRefusedAddress(bool gateway, const QString& address);
    // What the gateway's field (`gateway`) or the TW field adds to its text:
    // which address the link dials, where the project's gateways, or its
    // enabled TW systems, stand at several (GatewayLink, TWLink).
    void showLinkNote(bool gateway, const QString& note);
    // The program closed the gateway link (`gateway`) or the TW link itself,
    // for `why`: the field says so, not that the controller closed it,
    // until the link dials again.
    void showClosedHere(bool gateway, const QString& why);
    void updateActionButtons(Node* elementNode);
    // A command for the element's device was not sent: its map buttons and
    // panels show the device's state again, not the operator's click.
    void showDeviceState(Node* elementNode);

    // Every gateway but the one the link dials shows that it is not watched
    // (at start, after a reopen, a box that comes back by Undo, Redo or
    // Paste): its rows' next data are first data. Rows already so are left.
    void leaveUndialledUnwatched();

    // Whether a button with `command` is checked for the status row; none
    // for a command that has no rule.
    static std::optional<bool> buttonChecked(int command, const Node* row);

signals:
    // The gateway's data stream broke off or began again: the voltage log marks it.
    void gatewayStreamChanged();

private:
    void refreshPanels(Node* elementNode);
    // The gateway link ended: `lost`, the rows of the gateway it dials show
    // Failure and those with data since the last loss are announced, once
    // however many tries fail after it; closed here, no row is watched any
    // more.
    void resetDeviceRows(bool lost);
    void leaveUnwatched(const QList<Node*>& gateways);
    void showLinkStatus(bool gateway, int value);
    // The field's prefix, `text` and the note; the field
    // keeps its width unless the text needs more.
    void setLinkText(bool gateway, const QString& text);
    QString statusText(bool gateway, int value) const;
    const QList<QPointer<QPushButton>>& actionButtons();

    DeviceUnits* m_units;
    AlarmsArea* m_alarms;
    WorkspaceArea* m_workspaces;
    ElementTreeArea* m_elementTree;
    PropertyPanel* m_panel;
    QLabel* m_gatewayStatusLabel;
    QLabel* m_twStatusLabel;
    QString m_gatewayText;
    QString m_gatewayNote;
    QString m_twText;
    QString m_twNote;
    // Why the program closed the gateway link, and the TW link, while it
    // stays closed.
    QString m_gatewayClosedWhy;
    QString m_twClosedWhy;
    // The push buttons of every button box on every workspace, gathered
    // again only after an element came onto a map or left one: a walk over
    // all map items sorts them, and every heartbeat asks. A button that goes
    // away (its box or its map deleted) reads as null.
    QList<QPointer<QPushButton>> m_actionButtons;
    std::optional<quint64> m_actionButtonsGathered;
    // The last status each link reported: "Updated" right after a lost link
    // shows no text.
    int m_lastGatewayStatus = -1;
    int m_lastTWStatus = -1;
    // Commands of latching buttons that have no checked rule, already warned of.
    QSet<QString> m_unruledCommands;
};
