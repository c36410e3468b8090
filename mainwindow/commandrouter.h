#pragma once

#include "commandsend.h"

#include <QString>
#include <QVariant>

class MainWindow;
class Node;

// Every command a user or a relay timer gives: it finds the device node the
// control unit knows (the element's paired status row), hands it to the
// control unit through MainWindow::command and logs the user action. A node
// without a live device sends nothing.
class CommandRouter
{
public:
    static constexpr int ClearAlarmStepMs = 100;
    static constexpr int ClearedEnergizers = 32;

    explicit CommandRouter(MainWindow* window);

    void commandSending(Node* elementNode, const QVariant& value, CommandSend action);
    void timerCommand(const QString& kx4, int ioCard, CommandSend command, const QVariant& value);
    void writeGlobalActionLog(const QString& kx4, const QVariant& value);
    // The enabled energizers among a gateway's first 32 children, one every 100 ms.
    void clearGatewayAlarms(Node* gatewayElement, const QVariant& value);

    static QString globalModeText(const QVariant& value);

private:
    Node* deviceOf(Node* elementNode) const;
    void send(Node* elementNode, CommandSend action, const QVariant& value);
    void log(const QString& subject, const QString& message);
    void zoneCommand(Node* elementNode, const QVariant& value, CommandSend action);
    void lowVoltageCommand(Node* elementNode, const QVariant& value, CommandSend action);
    void clearAlarm(Node* elementNode, const QVariant& value);
    void allEnergizersActive(Node* elementNode, const QVariant& value);
    void allEnergizersLowVoltage(Node* elementNode, const QVariant& value);

    MainWindow* m_window;
};
