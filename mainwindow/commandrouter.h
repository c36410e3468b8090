#pragma once

#include "commandsend.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

class AlarmsArea;
class DeviceUnits;
class DialogLaunchers;
class Node;
class WorkspaceArea;

// Every command a user or a relay timer gives: it finds the device node the
// control unit knows (the element's paired status row), hands it to the
// control unit with command() and logs the user action with userAction(). A
// node without a live device sends nothing.
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
    // The control unit sent nothing for a command (ControlUnit::commandRefused):
    // the operator reads why on screen and in the user-action log.
    void commandRefused(const QString& gateway, const QString& device, const QString& reason);

signals:
    // For the control unit, on its thread.
    void command(Node* device, CommandSend action, QVariant value);
    // What the operator is shown of a command not sent.
    void commandNote(QString text);
    void userAction(QString subject, QString message);
    void alarmLog(QString source, QString reason, QString message);

private:
    Node* deviceOf(Node* elementNode) const;
    void send(Node* elementNode, CommandSend action, const QVariant& value);
    void log(const QString& subject, const QString& message);
    void zoneCommand(Node* elementNode, const QVariant& value, CommandSend action);
    void lowVoltageCommand(Node* elementNode, const QVariant& value, CommandSend action);
    void clearAlarm(Node* elementNode, const QVariant& value);
    void allEnergizersActive(Node* elementNode, const QVariant& value);
    void allEnergizersLowVoltage(Node* elementNode, const QVariant& value);
    void resetTWSystem(Node* system);
    // What the operator reads, on screen and in the user-action log, of a command not sent.
    void tellNotSent(const QString& text);

    WorkspaceArea* m_workspaces;
    AlarmsArea* m_alarms;
    DeviceUnits* m_units;
    const std::unique_ptr<DialogLaunchers>& m_launchers;
};
