#pragma once

class AlarmLogWidget;
class MainWindow;
class QDockWidget;
class UserActionLogDlg;
class VoltageDiagrammsDlg;

// The three logs of the window: the alarm log in its dock, the user-action
// log and the voltage log as dialogs shown on demand. All three are children
// of the window and write whether they are shown or not.
class LogsArea
{
public:
    explicit LogsArea(MainWindow* window);

    void createAlarmLog(QDockWidget* dock);
    // Its first row is this start's "Application start".
    void createUserActionLog();
    void createVoltageLog();

    AlarmLogWidget* alarmLogWidget = nullptr;
    UserActionLogDlg* userActionLogDlg = nullptr;
    VoltageDiagrammsDlg* voltageDiagrammsDlg = nullptr;

private:
    MainWindow* m_window;
};
