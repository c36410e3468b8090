#pragma once

#include "commandsend.h"
#include "node.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <deque>
#include <functional>
#include <memory>

class AlarmsArea;
class DeviceUnits;
class DialogLaunchers;
class Node;
class WorkspaceArea;

// Every command a user or a relay timer gives: it finds the device node the
// control unit knows (the element's paired status row) and hands it to the
// control unit with command(). A node without a live device sends nothing.
// What tells that a command was done (its user-action line, a gateway box's
// flag, a timer's alarm row) waits for the unit's answer: only a command
// sent writes it; one not sent has the controls of its device show the
// device's state again (deviceStateWanted).
class CommandRouter : public QObject
{
    Q_OBJECT
public:
    static constexpr int ClearAlarmStepMs = 100;
    static constexpr int ClearedEnergizers = 32;

    // `launchers` is the window's holder, not the launchers it holds now:
    // tests swap them, and a command asks whichever are there at the time.
    CommandRouter(WorkspaceArea* workspaces, AlarmsArea* alarms, DeviceUnits* units,
                  const std::unique_ptr<DialogLaunchers>& launchers);

    void commandSending(Node* elementNode, const QVariant& value, CommandSend action);
    void timerCommand(const QString& kx4, int ioCard, CommandSend command, const QVariant& value);
    void writeGlobalActionLog(const QString& kx4, const QVariant& value);
    // The enabled energizers among a gateway's first 32 children, one every 100 ms.
    void clearGatewayAlarms(Node* gatewayElement, const QVariant& value);

    static QString globalModeText(const QVariant& value);
    // The control unit's answers to command(), one per command, in the
    // order given (ControlUnit::commandSent, ControlUnit::commandRefused).
    void commandSent(const QString& gateway, const QString& device);
    void commandNotSent(const QString& gateway, const QString& device, const QString& reason);
    // A command sent nothing: the operator reads why on screen and in the
    // user-action log.
    void commandRefused(const QString& gateway, const QString& device, const QString& reason);
    // The note no longer holds: the link moved, or the project went.
    void clearNote();
    // The gateway link (`tw` false) or the TW link dialling `address` is
    // up: a note of a command refused for it gives way.
    void linkUpdated(bool tw, const QString& address);

signals:
    // For the control unit, on its thread.
    void command(Node* device, CommandSend action, QVariant value);
    // What the operator is shown of the latest command's outcome.
    void commandNote(QString text);
    // A command for the device of `element` was not sent: its map buttons
    // and panels show the device's state, not the click.
    void deviceStateWanted(Node* element);
    void userAction(QString subject, QString message);
    void alarmLog(QString source, QString reason, QString message);

private:
    using WhenSent = std::function<void()>;
    // A command handed to the unit and not yet answered.
    struct Pending
    {
        NodeHandle element;
        WhenSent whenSent;
        // The element the operator gave the command to, where that is not
        // the device (a sector or gate of an energizer).
        NodeHandle given;
    };

    Node* deviceOf(Node* elementNode) const;
    void send(Node* elementNode, CommandSend action, const QVariant& value, WhenSent whenSent = {});
    // The oldest command not yet answered; none when the unit answers a
    // command that did not come from here.
    Pending takeAnswered();
    void log(const QString& subject, const QString& message);
    // The user-action line, written once the command is sent.
    WhenSent logged(const QString& subject, const QString& message);
    // `alsoWhenSent` goes with a relay command: a timer's alarm row.
    void relayCommand(Node* elementNode, const QVariant& value, CommandSend action, WhenSent alsoWhenSent);
    void zoneCommand(Node* elementNode, const QVariant& value, CommandSend action);
    void lowVoltageCommand(Node* elementNode, const QVariant& value, CommandSend action);
    WhenSent clearAlarmLine(Node* elementNode);
    void clearAlarm(Node* elementNode, const QVariant& value);
    void allEnergizersActive(Node* elementNode, const QVariant& value);
    void allEnergizersLowVoltage(Node* elementNode, const QVariant& value);
    void resetTWSystem(Node* system);
    // What the operator reads, on screen and in the user-action log, of a
    // command not sent for the gateway at `address` (of the TW system, `tw`).
    void tellNotSent(const QString& text, const QString& address, bool tw = false);

    WorkspaceArea* m_workspaces;
    AlarmsArea* m_alarms;
    DeviceUnits* m_units;
    const std::unique_ptr<DialogLaunchers>& m_launchers;
    // The unit answers in the order it was given the commands.
    std::deque<Pending> m_pending;
    // The element of the command being given, for the commands it sends.
    NodeHandle m_given;
    // The link whose command the note on screen tells as refused; none
    // while it tells anything else.
    struct RefusedFor
    {
        QString address;
        bool tw = false;
    } m_noteRefusedFor;
};
