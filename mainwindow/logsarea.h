#pragma once

class AlarmLogWidget;
class QDockWidget;
class QWidget;
class UserActionLogDlg;
class VoltageDiagrammsDlg;

// The three logs of the window: the alarm log in its dock, the user-action
// log and the voltage log as dialogs shown on demand. All three are children
// of `parent` and write whether they are shown or not; the window connects
// what they record and what they report.
class LogsArea
{
public:
    explicit LogsArea(QWidget* parent);

    void createAlarmLog(QDockWidget* dock);
    void createUserActionLog();
    void createVoltageLog();

    AlarmLogWidget* alarmLogWidget = nullptr;
    UserActionLogDlg* userActionLogDlg = nullptr;
    VoltageDiagrammsDlg* voltageDiagrammsDlg = nullptr;

private:
    QWidget* m_parent;
};
