#include "mainwindow.h"

#include "globals.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

MainWindow* g_mainWindow = nullptr;

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    g_mainWindow = this;
    setObjectName(QStringLiteral("MainWindow"));
    resize(1024, 700);

    connect(this, &MainWindow::writeUserActionLog, this, &MainWindow::logUserAction);
    connect(this, &MainWindow::writeUserActionLogList, this, [this](const ActionMsgList& list) {
        for (const auto& entry : list)
            logUserAction(entry.first, entry.second);
    });

    setWindowTitle(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion());
    emit writeUserActionLog(QStringLiteral("Application"), tr("Application start"));
}

MainWindow::~MainWindow()
{
    if (g_mainWindow == this)
        g_mainWindow = nullptr;
}

void MainWindow::closeApplication()
{
    m_closing = true;
    emit writeUserActionLog(QStringLiteral("Application"), tr("Application closed"));
    close();
    m_closing = false;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_closing)
        closeApplication();
    event->accept();
}

void MainWindow::logUserAction(const QString& subject, const QString& message)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("insert into logUserAction (datetime, user, subject, info) values (?, ?, ?, ?)"));
    query.addBindValue(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss ")));
    query.addBindValue(g_currentUser);
    query.addBindValue(subject);
    query.addBindValue(message);
    if (!query.exec())
        qWarning() << query.lastError().text();
}
