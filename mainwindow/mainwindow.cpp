#include "mainwindow.h"

#include "globals.h"
#include "node.h"
#include "treemodel.h"

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

    createTreeModels();

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
    // The models are children and go with the window; nobody may reach them after.
    g_elementTreeModel = nullptr;
    g_energizerModel = nullptr;
    g_twSensorModel = nullptr;
}

// The three site trees, each under a root whose columns are the header texts.
void MainWindow::createTreeModels()
{
    const auto makeModel = [this](const QStringList& headers) {
        auto* model = new TreeModel(this);
        auto* root = new Node(headers.first());
        root->columns.clear();
        for (const QString& header : headers)
            root->columns.append(header);
        model->setRootNode(root);
        return model;
    };
    g_elementTreeModel = makeModel({QStringLiteral("Name")});
    g_energizerModel = makeModel({QStringLiteral("Name"), QStringLiteral("Status"), QStringLiteral("Sector1"),
                                  QStringLiteral("Voltage1"), QStringLiteral("Sector2"), QStringLiteral("Voltage2"),
                                  QStringLiteral("Gate"), QStringLiteral("Duration"), QStringLiteral("Attemts"),
                                  QStringLiteral("Last Try"), QStringLiteral("Workspace"), QStringLiteral("IP")});
    g_twSensorModel = makeModel({QStringLiteral("Name"), QStringLiteral("Status"), QStringLiteral("Workplace"),
                                 QStringLiteral("WorkplaceID")});
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
