#include "mainwindowmaphost.h"
#include "mainwindowlogging.h"

#include "alarmsarea.h"
#include "commandrouter.h"
#include "mainwindow.h"
#include "globals.h"
#include "userright.h"
#include "workspacearea.h"

#include <QDebug>
#include <QMessageBox>
#include <QTreeView>

MainWindowMapHost::MainWindowMapHost(MainWindow* window)
    : m_window(window)
{
}

QWidget* MainWindowMapHost::hostWindow()
{
    return m_window;
}

GraphicsScene* MainWindowMapHost::currentScene()
{
    return m_window->workspaces()->currentScene();
}

QUndoGroup* MainWindowMapHost::undoGroup()
{
    return m_window->workspaces() ? m_window->workspaces()->undoGroup() : nullptr;
}

QString MainWindowMapHost::alarmCaption()
{
    return m_window->alarms()->alarmCaption();
}

QColor MainWindowMapHost::alarmBackgroundColor()
{
    return m_window->alarms()->textAlarmBackground();
}

void MainWindowMapHost::writeUserActionLog(const QString& subject, const QString& message)
{
    emit m_window->writeUserActionLog(subject, message);
}

void MainWindowMapHost::mousePos(QPointF pos)
{
    m_window->mousePos(pos);
}

void MainWindowMapHost::textChanged(QGraphicsItem* item)
{
    emit captionTyped(item);
}

void MainWindowMapHost::itemMoved(QGraphicsItem*)
{
    emit projectModified();
}

void MainWindowMapHost::showPopupParams(QGraphicsItem* item)
{
    emit popupParamsRequested(item);
}

// A map button asks for the right the panel's command rows ask for.
void MainWindowMapHost::commandSending(Node* target, const QVariant& value, int command)
{
    if (!checkUserRight(UserRight::SendCommand, g_currentUser)) {
        qCWarning(lcMainWindow).noquote()
            << QStringLiteral("Command %1 of a map button not sent: user \"%2\" may not send commands")
                   .arg(command)
                   .arg(g_currentUser);
        QMessageBox::warning(m_window, MainWindow::tr("Warning"), MainWindow::tr("You have no right to send commands."));
        return;
    }
    m_window->commands()->commandSending(target, value, CommandSend(command));
}

void MainWindowMapHost::mapEdited()
{
    emit projectModified();
}

void MainWindowMapHost::insertModeFinished()
{
    m_window->selectTool(MainWindow::SelectTool);
}

void MainWindowMapHost::showElementNode(Node* node)
{
    emit elementNodeShown(node);
}
