#pragma once

#include "actionmsglist.h"

#include <QMainWindow>
#include <QString>

class AlarmLogWidget;
class AlarmStatesWidget;
class QCloseEvent;
class UserActionLogDlg;

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

signals:
    void writeAlarmLog(QString source, QString reason, QString message);
    void writeUserActionLog(QString subject, QString message);
    void writeUserActionLogList(ActionMsgList messageList);

public slots:
    void closeApplication();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createTreeModels();
    void createLogsAndViews();

    bool m_closing = false;
    AlarmLogWidget* m_alarmLog = nullptr;
    UserActionLogDlg* m_userActionLog = nullptr;
    AlarmStatesWidget* m_alarmStates = nullptr;
};

extern MainWindow* g_mainWindow;
