#include "logsarea.h"

#include "alarmlogwidget.h"
#include "globals.h"
#include "mainwindow.h"
#include "useractionlogdlg.h"
#include "voltagediagrammsdlg.h"

#include <QDockWidget>

LogsArea::LogsArea(MainWindow* window)
    : m_window(window)
{
}

void LogsArea::createAlarmLog(QDockWidget* dock)
{
    alarmLogWidget = new AlarmLogWidget(m_window);
    dock->setWidget(alarmLogWidget);
    QObject::connect(m_window, &MainWindow::writeAlarmLog, alarmLogWidget, &AlarmLogWidget::addRecord);
}

void LogsArea::createUserActionLog()
{
    userActionLogDlg = new UserActionLogDlg(m_window);
    userActionLogDlg->userName = g_currentUser;
    QObject::connect(m_window, &MainWindow::writeUserActionLog, userActionLogDlg,
                     qOverload<QString, QString>(&UserActionLogDlg::addRecord));
    QObject::connect(m_window, &MainWindow::writeUserActionLogList, userActionLogDlg,
                     &UserActionLogDlg::addRecordList);
    // Clearing the alarm log is a user action.
    QObject::connect(alarmLogWidget, &AlarmLogWidget::writeUserActionLog, m_window, &MainWindow::writeUserActionLog);
    emit m_window->writeUserActionLog(MainWindow::LogSubject, MainWindow::tr("Application start"));
}

void LogsArea::createVoltageLog()
{
    voltageDiagrammsDlg = new VoltageDiagrammsDlg(m_window);
    QObject::connect(voltageDiagrammsDlg, &VoltageDiagrammsDlg::writeUserActionLog, m_window,
                     &MainWindow::writeUserActionLog);
}
