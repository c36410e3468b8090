#include "mainwindow.h"

#include "alarmlogwidget.h"
#include "alarmstateswidget.h"
#include "apppaths.h"
#include "controlunit.h"
#include "globals.h"
#include "node.h"
#include "qtclienttw.h"
#include "sitemutex.h"
#include "threadannotations.h"
#include "timerunit.h"
#include "treemodel.h"
#include "twcontrolunit.h"
#include "twsensorsstateswidget.h"
#include "useractionlogdlg.h"
#include "userright.h"
#include "voltagediagrammsdlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>

MainWindow* g_mainWindow = nullptr;

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    g_mainWindow = this;
    setObjectName(QStringLiteral("MainWindow"));
    resize(1024, 700);

    createTreeModels();
    createTWSensorsView();
    createLogsAndViews();
    createVoltageLog();
    createTWSensorUnit();
    createDeviceUnits();
    if (g_twSensorModel->rootNode()->childCount() == 0)
        buildTWSensorTree(tr("Untitled %1").arg(1), 0);
    connectVoltageLog();

    setWindowTitle(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion());
    emit writeUserActionLog(QStringLiteral("Application"), tr("Application start"));
}

MainWindow::~MainWindow()
{
    // The voltage log marks where its data stream stops.
    if (m_voltageLog)
        m_voltageLog->writeCheckPoint();
    stopDeviceUnits();
    stopTWSensorUnit();
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
// ---- device units ------------------------------------------------------------

void MainWindow::createDeviceUnits()
{
    // Every type that crosses a thread, under the name its signals use.
    registerNodeMetaTypes();
    registerCommandSendMetaType();
    qtClient::registerMetaTypes();

    m_gatewayStatusLabel = new QLabel(this);
    statusBar()->addPermanentWidget(m_gatewayStatusLabel);

    m_controlUnit = std::make_unique<ControlUnit>();
    m_controlUnit->energizerModel = g_energizerModel;
    readUnitSettings();
    m_fenceClient = new qtClient(0, this);
    m_fenceClient->setObjectName(FenceClientName);
    m_controlUnitThread = new QThread(this);
    m_controlUnitThread->setObjectName(ControlUnitThreadName);
    announceThreadEnd(m_controlUnitThread);
    m_controlUnit->moveToThread(m_controlUnitThread);

    m_timerUnit = std::make_unique<TimerUnit>();
    m_timerUnitThread = new QThread(this);
    m_timerUnitThread->setObjectName(TimerUnitThreadName);
    announceThreadEnd(m_timerUnitThread);
    m_timerUnit->moveToThread(m_timerUnitThread);
    connect(m_timerUnitThread, &QThread::started, m_timerUnit.get(), &TimerUnit::run);

    ControlUnit* unit = m_controlUnit.get();
    connect(this, &MainWindow::command, unit, &ControlUnit::command, Qt::QueuedConnection);
    unit->connectClient(m_fenceClient, Qt::QueuedConnection);
    connect(unit, &ControlUnit::sendCmd, m_fenceClient, &qtClient::sendRequest, Qt::QueuedConnection);
    connect(unit, &ControlUnit::energHearbeat, this, &MainWindow::energHearbeat, Qt::QueuedConnection);
    connect(unit, &ControlUnit::energTick, this, &MainWindow::energTick, Qt::QueuedConnection);
    connect(m_fenceClient, &qtClient::commStatus, this, &MainWindow::connectionStatus);
    connect(m_timerUnit.get(), &TimerUnit::timerCommand, this, &MainWindow::timerCommand, Qt::QueuedConnection);
    // The tick reaches its receivers in this order: the window, the TW unit,
    // the control unit, then the alarm, user-action and voltage logs.
    connect(m_timerUnit.get(), &TimerUnit::timerTick, this, &MainWindow::timerTick, Qt::QueuedConnection);
    connect(m_timerUnit.get(), &TimerUnit::timerTick, m_twControlUnit.get(), &TWControlUnit::afterTimer,
            Qt::QueuedConnection);
    connect(m_timerUnit.get(), &TimerUnit::timerTick, unit, &ControlUnit::afterTimer, Qt::QueuedConnection);
    connect(m_timerUnit.get(), &TimerUnit::timerTick, m_alarmLog, &AlarmLogWidget::afterTimer, Qt::QueuedConnection);
    connect(m_timerUnit.get(), &TimerUnit::timerTick, m_userActionLog, &UserActionLogDlg::afterTimer,
            Qt::QueuedConnection);
    connect(unit, &ControlUnit::writeAlarmLog, m_alarmLog, &AlarmLogWidget::addRecord, Qt::QueuedConnection);

    m_controlUnitThread->start(QThread::InheritPriority);
    m_timerUnitThread->start(QThread::InheritPriority);
    m_timerUnit->setDefaultTimers();
}

void MainWindow::readUnitSettings()
{
    QSettings settings(AppPaths::settings(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    m_controlUnit->reverseLogic = settings.value(QStringLiteral("ReverseLogic"), false).toBool();
    m_controlUnit->sensorMode = settings.value(QStringLiteral("SensorMode"), false).toBool();
}

// Each unit's timers stop on its own thread; then the thread ends, and only
// then is the unit deleted.
void MainWindow::stopDeviceUnits()
{
    if (m_timerUnitThread) {
        if (m_timerUnitThread->isRunning())
            QMetaObject::invokeMethod(m_timerUnit.get(), &TimerUnit::stop, Qt::BlockingQueuedConnection);
        endThread(m_timerUnitThread);
    }
    m_timerUnit.reset();
    if (m_controlUnitThread)
        endThread(m_controlUnitThread);
    m_controlUnit.reset();
}

void MainWindow::energHearbeat(Node* node, bool statusChanged)
{
    Q_UNUSED(statusChanged)
    SiteLocker lock;
    if (!Node::isAlive(node))
        return;
    node->updated = true;
    if (g_energizerModel && g_energizerModel->contains(node))
        g_energizerModel->refreshNode(node);
}

void MainWindow::energTick(Node* elementNode)
{
    SiteLocker lock;
    if (!Node::isAlive(elementNode) || !Node::isAlive(elementNode->deviceNode))
        return;
    if (g_energizerModel && g_energizerModel->contains(elementNode->deviceNode))
        g_energizerModel->refreshNode(elementNode->deviceNode);
}

void MainWindow::timerTick()
{
    if (centralWidget())
        centralWidget()->update();
}

void MainWindow::timerCommand(QString kx4, int IOCard, CommandSend command, QVariant value)
{
    SiteLocker lock;
    if (!g_energizerModel)
        return;
    for (Node* gateway : g_energizerModel->rootNode()->children) {
        if (gateway->data(0).toString() != kx4)
            continue;
        Node* card = gateway->child(IOCard - 1);
        if (!card)
            continue;
        emit writeAlarmLog(QStringLiteral("Timer"), tr("Triggered, To card %1").arg(card->data(0).toString()),
                           QStringLiteral("Sending %1").arg(value.toBool() ? QStringLiteral("true")
                                                                           : QStringLiteral("false")));
        emit this->command(card, command, value.toBool());
    }
}

void MainWindow::clearGatewayAlarms(Node* gatewayElement, const QVariant& value)
{
    SiteLocker lock;
    if (!Node::isAlive(gatewayElement))
        return;
    const int count = std::min(gatewayElement->childCount(), ControlUnit::LastEnergizer);
    for (int i = 0; i < count; ++i) {
        if (!gatewayElement->child(i)->enabled)
            continue;
        QTimer::singleShot(i * GatewayClearStepMs, this, [this, gatewayElement, i, value] {
            SiteLocker lock;
            if (!Node::isAlive(gatewayElement))
                return;
            Node* device = gatewayElement->child(i);
            if (device && device->deviceNode)
                emit command(device->deviceNode, ClrAlms, value);
        });
    }
}

void MainWindow::connectionStatus(qtClient::ClientStatus value)
{
    static const QStringList texts{
        QStringLiteral("Try to connect"), QStringLiteral("HeartBeat Timed Out"),
        QStringLiteral("Connection closed by server"), QStringLiteral("Getting Data"), QStringLiteral("Error"),
        QStringLiteral("Connected"), QStringLiteral("Updating"), QStringLiteral("Updated")};
    const int index = int(value);
    const QString text = index >= 0 && index < texts.size() ? texts.at(index) : QStringLiteral("Not definied");
    if (sender() && sender() == m_twSensorsClient) {
        m_twStatusLabel->setText(QStringLiteral("TWConnection: ") + text);
        return;
    }
    if (sender() && sender() != m_fenceClient)
        return;
    m_gatewayStatusLabel->setText(QStringLiteral("EnergConnection: ") + text);
    if (value == qtClient::HeartBeatTimedOut || value == qtClient::ConnectionClosedByServer)
        resetDeviceRows();
}

void MainWindow::resetDeviceRows()
{
    SiteLocker lock;
    if (!g_energizerModel)
        return;
    for (Node* gateway : g_energizerModel->rootNode()->children) {
        for (Node* row : gateway->children)
            row->resetState();
        g_energizerModel->refreshNode(gateway);
    }
}

// ---- voltage log ---------------------------------------------------------------

// The one voltage log dialog: it writes the energizers' voltages whether it
// is shown or not, and opens from Service > Voltage diagrams.
void MainWindow::createVoltageLog()
{
    m_voltageLog = new VoltageDiagrammsDlg(this);
    connect(m_voltageLog, &VoltageDiagrammsDlg::writeUserActionLog, this, &MainWindow::writeUserActionLog);

    auto* menuService = menuBar()->findChild<QMenu*>(QStringLiteral("menuService"));
    if (!menuService) {
        menuService = menuBar()->addMenu(tr("Service"));
        menuService->setObjectName(QStringLiteral("menuService"));
    }
    QMenu* menuVoltageDiagrams = menuService->addMenu(QIcon(QStringLiteral(":/icons/diagramm.png")), tr("Voltage diagrams"));
    menuVoltageDiagrams->setObjectName(QStringLiteral("menuVoltageDiagrams"));
    m_actBatteryDiagram = menuVoltageDiagrams->addAction(
        QIcon(QStringLiteral(":/icons/if_battery-charging-100_9197.png")), tr("Battery"));
    m_actBatteryDiagram->setObjectName(QStringLiteral("actBatteryDiagram"));
    m_actOutputDiagram = menuVoltageDiagrams->addAction(
        QIcon(QStringLiteral(":/icons/if_caution_high_voltage_92571.png")), tr("Outputs"));
    m_actOutputDiagram->setObjectName(QStringLiteral("actOutputDiagram"));
    connect(m_actBatteryDiagram, &QAction::triggered, this, &MainWindow::showVDiagramms);
    connect(m_actOutputDiagram, &QAction::triggered, this, &MainWindow::showVDiagramms);
}

void MainWindow::connectVoltageLog()
{
    connect(m_controlUnit.get(), &ControlUnit::writeVoltageLog, m_voltageLog, &VoltageDiagrammsDlg::writeVoltageLog,
            Qt::QueuedConnection);
    connect(m_fenceClient, &qtClient::commStatus, this, &MainWindow::voltageLogLinkStatus);
    // The last of the tick's receivers.
    connect(m_timerUnit.get(), &TimerUnit::timerTick, m_voltageLog, &VoltageDiagrammsDlg::afterTimer,
            Qt::QueuedConnection);
}

// A check point marks where the gateway's data stream broke off or began again.
void MainWindow::voltageLogLinkStatus(qtClient::ClientStatus value)
{
    if (value == qtClient::Connected || value == qtClient::HeartBeatTimedOut
        || value == qtClient::ConnectionClosedByServer)
        m_voltageLog->writeCheckPoint();
}

void MainWindow::showVDiagramms()
{
    const int type = sender() == m_actOutputDiagram ? VoltageDiagrammsDlg::OutputDiagram
                                                    : VoltageDiagrammsDlg::BatteryDiagram;
    m_voltageLog->setDiagramType(g_energizerModel, type);
}

// ---- TW sensors ----------------------------------------------------------------

void MainWindow::createTWSensorsView()
{
    m_twSensorsStates = new TWSensorsStatesWidget(g_twSensorModel, this);
    auto* dock = new QDockWidget(tr("TW sensors"), this);
    dock->setObjectName(QStringLiteral("dockTWSensorsStates"));
    dock->setWidget(m_twSensorsStates);
    addDockWidget(Qt::RightDockWidgetArea, dock);
}

// The client lives here on the GUI thread; the unit on its own thread, fed
// and heard queued.
void MainWindow::createTWSensorUnit()
{
    registerNodeMetaTypes();
    qtClient::registerMetaTypes();

    m_twStatusLabel = new QLabel(this);
    statusBar()->addPermanentWidget(m_twStatusLabel);

    m_twControlUnit = std::make_unique<TWControlUnit>();
    m_twControlUnit->twModel = g_twSensorModel;
    m_twSensorsThread = new QThread(this);
    m_twSensorsThread->setObjectName(TWSensorsThreadName);
    announceThreadEnd(m_twSensorsThread);
    m_twControlUnit->moveToThread(m_twSensorsThread);
    m_twSensorsThread->start(QThread::InheritPriority);

    m_twSensorsClient = new qtClientTW(1, this);
    m_twSensorsClient->setObjectName(TWSensorsClientName);

    TWControlUnit* unit = m_twControlUnit.get();
    connect(m_twSensorsClient, &qtClientTW::tcpInUpdate, unit, &TWControlUnit::tovelUpdateArray, Qt::QueuedConnection);
    connect(m_twSensorsClient, &qtClientTW::commStatus, this, &MainWindow::connectionStatus);
    connect(unit, &TWControlUnit::sensorHearbeat, this, &MainWindow::sensorHearbeat, Qt::QueuedConnection);
    connect(unit, &TWControlUnit::sensorTick, this, &MainWindow::sensorTick, Qt::QueuedConnection);
    connect(unit, &TWControlUnit::writeAlarmLog, m_alarmLog, &AlarmLogWidget::addRecord, Qt::QueuedConnection);
}

// The unit has no timers: its thread ends, then the unit goes.
void MainWindow::stopTWSensorUnit()
{
    if (m_twSensorsThread)
        endThread(m_twSensorsThread);
    m_twControlUnit.reset();
}

void MainWindow::buildTWSensorTree(QString name, int index)
{
    SiteLocker lock;
    Node* root = g_twSensorModel->rootNode();
    const QVector<QVariant> columnTemplate(root->columnCount());
    auto* system = new Node(QStringLiteral("TWSensor1"));
    system->columns = columnTemplate;
    system->setData(0, name);
    system->setData(2, name);
    system->setData(3, index);
    system->setData(1, 0);
    system->type = Node::TWSystem;
    system->enabled = false;
    for (int n = 1; n <= TWSensorCount; ++n) {
        auto* sensor = new Node(QStringLiteral("Sensor%1").arg(n - 1), system);
        sensor->columns = columnTemplate;
        sensor->setData(0, QStringLiteral("Sensor%1").arg(n));
        sensor->setData(1, 0);
        sensor->type = Node::TWSensor;
        sensor->enabled = false;
    }
    g_twSensorModel->insertNode(root, root->childCount(), system);
}

void MainWindow::sensorHearbeat(Node* sensorNode)
{
    SiteLocker lock;
    if (!Node::isAlive(sensorNode))
        return;
    if (g_twSensorModel && g_twSensorModel->contains(sensorNode))
        g_twSensorModel->refreshNode(sensorNode);
}

// Every enabled sensor ticks once a second: one re-filter of the view per
// burst of ticks is enough.
void MainWindow::sensorTick(Node* sensorNode)
{
    {
        SiteLocker lock;
        if (!Node::isAlive(sensorNode))
            return;
    }
    if (m_twStatesRefreshPending)
        return;
    m_twStatesRefreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_twStatesRefreshPending = false;
        m_twSensorsStates->refresh();
    });
}
