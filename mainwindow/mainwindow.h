#pragma once

#include "actionmsglist.h"
#include "commandsend.h"
#include "qtclient.h"

#include <QMainWindow>
#include <QString>
#include <QVariant>

#include <memory>

class AlarmLogWidget;
class AlarmStatesWidget;
class QCloseEvent;
class QLabel;
class QThread;
class ControlUnit;
class Node;
class TimerUnit;
class UserActionLogDlg;
class VoltageDiagrammsDlg;
class QAction;

// The running application's window. It builds and wires everything else.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    AlarmLogWidget* alarmLogWidget() const { return m_alarmLog; }
    UserActionLogDlg* userActionLogDlg() const { return m_userActionLog; }
    AlarmStatesWidget* alarmStatesWidget() const { return m_alarmStates; }

    // ---- device units: the gateway client, the control unit and the timer unit
    static constexpr int GatewayClearStepMs = 100;
    static inline const QString ControlUnitThreadName = QStringLiteral("ControlUnitThread");
    static inline const QString TimerUnitThreadName = QStringLiteral("TimerUnitThread");
    static inline const QString FenceClientName = QStringLiteral("FenceClient");

    ControlUnit* controlUnit() const { return m_controlUnit.get(); }
    TimerUnit* timerUnit() const { return m_timerUnit.get(); }
    qtClient* fenceClient() const { return m_fenceClient; }
    // Clears the alarms of the enabled energizers of a gateway element node,
    // one after another, so the gateway is not flooded.
    void clearGatewayAlarms(Node* gatewayElement, const QVariant& value);
    // ---- end of device units

    // ---- voltage log: written all the time, shown from the Service menu
    VoltageDiagrammsDlg* voltageDiagrammsDlg() const { return m_voltageLog; }
    QAction* batteryDiagramAction() const { return m_actBatteryDiagram; }
    QAction* outputDiagramAction() const { return m_actOutputDiagram; }
    // ---- end of voltage log

signals:
    void writeAlarmLog(QString source, QString reason, QString message);
    void writeUserActionLog(QString subject, QString message);
    void writeUserActionLogList(ActionMsgList messageList);
    void command(Node* node, CommandSend command, QVariant value);

public slots:
    void closeApplication();
    void energHearbeat(Node* node, bool statusChanged);
    void energTick(Node* elementNode);
    void timerCommand(QString kx4, int IOCard, CommandSend command, QVariant value);
    void timerTick();
    void connectionStatus(qtClient::ClientStatus value);
    void showVDiagramms();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createTreeModels();
    void createLogsAndViews();
    void createDeviceUnits();
    void stopDeviceUnits();
    void readUnitSettings();
    void resetDeviceRows();

    std::unique_ptr<ControlUnit> m_controlUnit;
    std::unique_ptr<TimerUnit> m_timerUnit;
    QThread* m_controlUnitThread = nullptr;
    QThread* m_timerUnitThread = nullptr;
    qtClient* m_fenceClient = nullptr;
    QLabel* m_gatewayStatusLabel = nullptr;

    // ---- voltage log
    void createVoltageLog();
    void connectVoltageLog();
    void voltageLogLinkStatus(qtClient::ClientStatus value);
    VoltageDiagrammsDlg* m_voltageLog = nullptr;
    QAction* m_actBatteryDiagram = nullptr;
    QAction* m_actOutputDiagram = nullptr;
    // ---- end of voltage log

    bool m_closing = false;
    AlarmLogWidget* m_alarmLog = nullptr;
    UserActionLogDlg* m_userActionLog = nullptr;
    AlarmStatesWidget* m_alarmStates = nullptr;
};

extern MainWindow* g_mainWindow;
