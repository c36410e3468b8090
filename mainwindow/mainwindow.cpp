#include "mainwindow.h"

#include "alarmlogwidget.h"
#include "alarmstateswidget.h"
#include "globals.h"
#include "node.h"
#include "treemodel.h"
#include "useractionlogdlg.h"
#include "userright.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QToolButton>

MainWindow* g_mainWindow = nullptr;

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    g_mainWindow = this;
    setObjectName(QStringLiteral("MainWindow"));
    resize(1024, 700);

    createTreeModels();
    createLogsAndViews();

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

// The alarm log and the alarm states in docks; the user-action log as a
// dialog that writes whether it is shown or not.
void MainWindow::createLogsAndViews()
{
    m_alarmLog = new AlarmLogWidget(this);
    auto* alarmLogDock = new QDockWidget(tr("Alarm log"), this);
    alarmLogDock->setObjectName(QStringLiteral("dockAlarmLog"));
    alarmLogDock->setWidget(m_alarmLog);
    addDockWidget(Qt::BottomDockWidgetArea, alarmLogDock);
    connect(this, &MainWindow::writeAlarmLog, m_alarmLog, &AlarmLogWidget::addRecord);

    m_userActionLog = new UserActionLogDlg(this);
    m_userActionLog->userName = g_currentUser;
    connect(this, &MainWindow::writeUserActionLog, m_userActionLog,
            qOverload<QString, QString>(&UserActionLogDlg::addRecord));
    connect(this, &MainWindow::writeUserActionLogList, m_userActionLog, &UserActionLogDlg::addRecordList);
    connect(m_alarmLog, &AlarmLogWidget::writeUserActionLog, this, &MainWindow::writeUserActionLog);

    m_alarmStates = new AlarmStatesWidget(g_energizerModel, this);
    auto* alarmStatesDock = new QDockWidget(tr("Alarm states"), this);
    alarmStatesDock->setObjectName(QStringLiteral("dockAlarmStates"));
    alarmStatesDock->setWidget(m_alarmStates);
    addDockWidget(Qt::RightDockWidgetArea, alarmStatesDock);

    m_userActionLog->clearButton->setVisible(checkUserRight(UserRight::ClearLog, g_currentUser));
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
