#include "deviceunits.h"

#include "controlunit.h"
#include "mainwindow.h"
#include "qtclient.h"
#include "qtclienttw.h"
#include "timerunit.h"
#include "twcontrolunit.h"

#include <QMetaType>
#include <QThread>

DeviceUnits::DeviceUnits(QWidget* window)
    : m_window(window)
{
    // Every type that crosses a thread, under the names its signals use.
    registerNodeMetaTypes();
    registerCommandSendMetaType();
    qtClient::registerMetaTypes();
}

DeviceUnits::~DeviceUnits()
{
    stop();
}

void DeviceUnits::createControlUnit(TreeModel* energizerModel, bool reverseLogic, bool sensorMode)
{
    auto unit = std::make_unique<ControlUnit>();
    unit->energizerModel = energizerModel;
    unit->reverseLogic = reverseLogic;
    unit->sensorMode = sensorMode;
    m_control = std::make_unique<DeviceUnit>(std::move(unit), MainWindow::ControlUnitThreadName, m_window);
    // What the client read and the unit has not yet taken waits in the
    // client's inbox for a wake-up that the ended event loop no longer
    // passes on, and what the socket read ahead while the unit was behind
    // waits there unparsed: before the link closes the unit takes the one,
    // the client parses the other a bound of deliveries at a time, so an
    // end writes every change read off the socket. What the peer's and the
    // kernel's buffers still hold was never read, and stays there.
    ControlUnit* taker = controlUnit();
    m_control->setStopStep([this, taker] {
        do
            QMetaObject::invokeMethod(taker, &ControlUnit::takeData, Qt::BlockingQueuedConnection);
        while (m_fenceClient && m_fenceClient->takeReadAhead());
    });
}

void DeviceUnits::createFenceClient()
{
    m_fenceClient = new qtClient(0, m_window);
    m_fenceClient->setObjectName(MainWindow::FenceClientName);
    connectGatewayClient(controlUnit(), m_fenceClient);
    qRegisterMetaType<qtClient::ClientStatus>("ClientStatus");
}

void DeviceUnits::connectGatewayClient(ControlUnit* unit, qtClient* client)
{
    unit->connectClient(client, Qt::QueuedConnection);
    QObject::connect(unit, &ControlUnit::sendCmd, client, &qtClient::sendRequest, Qt::QueuedConnection);
    // Behind the command's frame: the client tells whether it was written.
    QObject::connect(unit, &ControlUnit::commandSent, client, &qtClient::answerCommand, Qt::QueuedConnection);
}

void DeviceUnits::startControlUnit()
{
    m_control->start();
}

void DeviceUnits::createTWControlUnit(TreeModel* twSensorModel)
{
    auto unit = std::make_unique<TWControlUnit>();
    unit->twModel = twSensorModel;
    m_tw = std::make_unique<DeviceUnit>(std::move(unit), MainWindow::TWSensorsThreadName, m_window);
    // The images of what the TW client read wait queued for the unit, which
    // an ended thread no longer takes: a call behind them waits until it has.
    TWControlUnit* taker = twControlUnit();
    m_tw->setStopStep([this, taker] {
        if (m_twClient)
            m_twClient->takeReadAhead();
        QMetaObject::invokeMethod(taker, [] {}, Qt::BlockingQueuedConnection);
    });
}

void DeviceUnits::startTWControlUnit()
{
    m_tw->start();
}

void DeviceUnits::createTWClient()
{
    m_twClient = new qtClientTW(1, m_window);
    m_twClient->setObjectName(MainWindow::TWSensorsClientName);
    twControlUnit()->connectClient(m_twClient, Qt::QueuedConnection);
}

void DeviceUnits::createTimerUnit()
{
    m_timer = std::make_unique<DeviceUnit>(std::make_unique<TimerUnit>(), MainWindow::TimerUnitThreadName, m_window);
    TimerUnit* unit = timerUnit();
    m_timer->setStopStep([unit] { QMetaObject::invokeMethod(unit, &TimerUnit::stop, Qt::BlockingQueuedConnection); });
}

void DeviceUnits::startTimerUnit()
{
    // The unit's run() starts its one-second timer on the new thread.
    QObject::connect(m_timer->thread(), &QThread::started, timerUnit(), &TimerUnit::run);
    m_timer->start();
}

void DeviceUnits::stop()
{
    if (m_timer)
        m_timer->stop();
    if (m_control)
        m_control->stop();
    if (m_tw)
        m_tw->stop();
}

ControlUnit* DeviceUnits::controlUnit() const
{
    return m_control ? m_control->unit<ControlUnit>() : nullptr;
}

TWControlUnit* DeviceUnits::twControlUnit() const
{
    return m_tw ? m_tw->unit<TWControlUnit>() : nullptr;
}

TimerUnit* DeviceUnits::timerUnit() const
{
    return m_timer ? m_timer->unit<TimerUnit>() : nullptr;
}

QThread* DeviceUnits::controlUnitThread() const
{
    return m_control ? m_control->thread() : nullptr;
}

QThread* DeviceUnits::twSensorsThread() const
{
    return m_tw ? m_tw->thread() : nullptr;
}

QThread* DeviceUnits::timerUnitThread() const
{
    return m_timer ? m_timer->thread() : nullptr;
}
