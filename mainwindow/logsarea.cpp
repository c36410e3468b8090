#include "logsarea.h"

#include "alarmlogwidget.h"
#include "globals.h"
#include "useractionlogdlg.h"
#include "voltagediagrammsdlg.h"

#include <QDockWidget>

LogsArea::LogsArea(QWidget* parent)
    : m_parent(parent)
{
}

void LogsArea::createAlarmLog(QDockWidget* dock)
{
    alarmLogWidget = new AlarmLogWidget(m_parent);
    dock->setWidget(alarmLogWidget);
}

void LogsArea::createUserActionLog()
{
    userActionLogDlg = new UserActionLogDlg(m_parent);
    userActionLogDlg->userName = g_currentUser;
}

void LogsArea::createVoltageLog()
{
    voltageDiagrammsDlg = new VoltageDiagrammsDlg(m_parent);
}
