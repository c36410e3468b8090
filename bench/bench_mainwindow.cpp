#include "benchmain.h"
#include "benchdata.h"
#include "controlunit.h"
#include "deviceunits.h"
#include "gatewaysimulator.h"
#include "qtclienttw.h"
#include "timerunit.h"
#include "twcontrolunit.h"
#include "qtclient.h"
#include "alarmlogwidget.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "handlemailbox.h"
#include "mainwindow.h"
#include "messagehandler.h"
#include "logsarea.h"
#include "sitetrees.h"
#include "projectfiles.h"
#include "devicestates.h"
#include "node.h"
#include "projectdocument.h"
#include "sitemutex.h"
#include "twsensorsstateswidget.h"
#include "treemodel.h"
#include "voltagediagrammsdlg.h"
#include "workspacearea.h"
#include "writebatch.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QApplication>
#include <QDateTime>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QTabWidget>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeView>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <dlfcn.h>
#include <malloc.h>
#include <pthread.h>
#include <sched.h>
#include <time.h>

namespace {
// A private home with the built database and settings that reopen nothing.
struct BenchHome
{
    BenchHome()
    {
        for (const char* name : {"brenik.db", "DefaultParams.xml"})
            QFile::copy(QStringLiteral(LUMETRA_RUNTIME_DIR "/") + QLatin1String(name), dir.filePath(QLatin1String(name)));
        QFile settings(dir.filePath(QStringLiteral("setting.ini")));
        settings.open(QIODevice::WriteOnly);
        settings.write("[General]\nLoadLastFile=false\nSoundAlarmActive=false\n");
        settings.close();
        qputenv("LUMETRA_HOME", dir.path().toUtf8());
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(dir.filePath(QStringLiteral("brenik.db")));
        db.open();
        g_currentUser = QStringLiteral("admin");
    }
    QTemporaryDir dir;
};

BenchHome& home()
{
    static BenchHome instance;
    return instance;
}

void fillWorkspaces(MainWindow& window, int workspaces, int elements)
{
    for (int w = 0; w < workspaces; ++w) {
        if (w > 0)
            window.workspaces()->addWorkspace(QString());
        GraphicsScene* scene = window.workspaces()->currentScene();
        for (int e = 0; e < elements; ++e) {
            auto* box = new GraphicsBox(2);
            box->setPos((e % 10) * 60, (e / 10) * 40);
            scene->insertItem(box);
        }
    }
}

void showFirstFrame(MainWindow& window)
{
    window.show();
    window.repaint();
}

// Each iteration: a window built, shown and painted once; its teardown is
// not counted.
void timeWindowBuilds(benchmark::State& state)
{
    for (auto _ : state) {
        auto window = std::make_unique<MainWindow>();
        showFirstFrame(*window);
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

void BM_ConstructEmptySite(benchmark::State& state)
{
    home();
    timeWindowBuilds(state);
}
BENCHMARK(BM_ConstructEmptySite)->Unit(benchmark::kMillisecond);

void BM_ConstructSite10x100(benchmark::State& state)
{
    home();
    for (auto _ : state) {
        auto window = std::make_unique<MainWindow>();
        fillWorkspaces(*window, 10, 100);
        showFirstFrame(*window);
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ConstructSite10x100)->Unit(benchmark::kMillisecond);

// The log-in accepted with state.range(0) rows in the alarm log (spread over
// the last 20 days, all inside the range the log shows at first): the
// window built, shown and painted once.
void BM_WindowOverAlarmLog(benchmark::State& state)
{
    home();
    fillAlarmLog(state.range(0), 20);
    timeWindowBuilds(state);
    QSqlQuery(QStringLiteral("delete from logAlarm"));
}
BENCHMARK(BM_WindowOverAlarmLog)->Arg(0)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The sensors of TW `system` placed on `scene` under one sector circle, each
// paired with its element node as a project file pairs them.
QList<Node*> placeTWSensors(GraphicsScene* scene, Node* system)
{
    auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
    scene->addItem(circle);
    g_elementTreeModel->insertNode(scene->workplaceNode(), -1, circle->node());
    for (Node* sensor : system->children) {
        auto* element = new Node(sensor->name);
        element->type = Node::TWSensor;
        element->columns = {sensor->name, QString()};
        g_elementTreeModel->insertNode(circle->node(), -1, element);
        SiteLocker lock;
        sensor->enabled = true;
        sensor->deviceNode = element;
        element->deviceNode = sensor;
    }
    return system->children;
}

// The TW sensors of three workspaces (31 each, one TW system per
// workspace) placed on their maps; the first workspace is shown.
QList<Node*> buildTWSites(MainWindow& window)
{
    QList<Node*> sensors;
    QTabWidget* tabs = window.workspaces()->tabs();
    for (int t = 1; t < 3; ++t) {
        window.workspaces()->addWorkspace(QString());
        tabs->setCurrentIndex(t);
        window.trees()->buildTWSensorTree(tabs->tabText(t), t, window.workspaces()->currentWorkplace());
    }
    tabs->setCurrentIndex(0);
    const QList<Node*> systems = g_twSensorModel->rootNode()->children;
    for (Node* system : systems) {
        sensors.append(placeTWSensors(window.workspaces()->sceneAt(system->data(3).toInt()), system));
        SiteLocker lock;
        system->enabled = true;
        for (Node* sensor : system->children)
            sensor->setData(1, SensorState::Ready);
    }
    window.findChild<TWSensorsStatesWidget*>()->filtering();
    return sensors;
}

// The processor time of the calling thread so far, in ns.
qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The GUI thread and the unit threads of the window (the control units'
// and the TW unit's, each given as an object living there) held on
// different processors where the machine has enough, as on an operator's
// machine the units work on other cores than the window: what they write
// reaches the GUI thread from another core's cache, and their work does
// not evict the window's from its own. The GUI thread gets its processors
// back at the end.
class CorePinning
{
public:
    explicit CorePinning(const QList<QObject*>& onUnitThreads)
    {
        sched_getaffinity(0, sizeof m_guiMask, &m_guiMask);
        const size_t wanted = 1 + size_t(onUnitThreads.size());
        std::vector<int> cpus;
        for (int cpu = 0; cpu < CPU_SETSIZE && cpus.size() < wanted; ++cpu) {
            if (CPU_ISSET(cpu, &m_guiMask))
                cpus.push_back(cpu);
        }
        if (cpus.size() < wanted)
            return;
        pin(cpus[0]);
        for (int t = 0; t < onUnitThreads.size(); ++t)
            QMetaObject::invokeMethod(onUnitThreads[t], [cpu = cpus[size_t(t) + 1]] { pin(cpu); },
                                      Qt::BlockingQueuedConnection);
    }
    ~CorePinning() { pthread_setaffinity_np(pthread_self(), sizeof m_guiMask, &m_guiMask); }

private:
    static void pin(int cpu)
    {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(cpu, &set);
        pthread_setaffinity_np(pthread_self(), sizeof set, &set);
    }

    cpu_set_t m_guiMask;
};

// A site as an operator has it: ten gateway boxes on the first workspace,
// each with its 32 energizers (two sectors and a gate each) and 31 IO
// cards, the rows of the energizer states model with their twelve columns,
// and the TW sensors of three workspaces. The window's own device units
// serve it, wired by the window: its gateway client and control unit for
// the first gateway, its TW client and unit for the TW systems, its timer
// unit's tick. Each further gateway has a client and a control unit of its
// own, wired as the window wires its pair (DeviceUnits::connectGatewayClient,
// MainWindow::connectGatewayUnit), the unit on the window's control-unit
// thread. A unit ticks only the rows of the gateway its client dials, so
// the timer unit's tick reaches each further unit as the window sends it
// to its own: every gateway's rows are ticked by the unit that serves it.
//
// What the controllers send reaches the clients as frames, parsed on the
// GUI thread by the clients' own parse entry (the bytes a socket read hands
// them): a gateway's heartbeat (six bytes of each energizer, two of each IO
// card) and the TW controller's state frame.
class LiveSite
{
public:
    static constexpr int Gateways = 10;
    // The voltages of a heartbeat repeat after this many seconds.
    static constexpr int FrameCycle = 40;

    explicit LiveSite(MainWindow& window)
        : m_window(window)
    {
        DeviceUnits* units = window.units();
        // The window's timer unit ticks no more by itself: each timed
        // second sends its tick.
        QMetaObject::invokeMethod(units->timerUnit(), &TimerUnit::stop, Qt::BlockingQueuedConnection);
        GraphicsScene* scene = window.workspaces()->currentScene();
        for (int g = 0; g < Gateways; ++g) {
            auto* box = new GraphicsBox(GraphicsBox::GatewayBox);
            const QString ip = QStringLiteral("127.0.0.%1").arg(g + 1);
            box->setIP(ip);
            box->setPos(40 + 70 * g, 40);
            scene->addItem(box);
            g_elementTreeModel->insertNode(scene->workplaceNode(), -1, box->node());
            g_energizerModel->insertNode(g_energizerModel->rootNode(), -1, box->energizerNode());
            for (Node* element : box->node()->children) {
                elements.append(element);
                rows.append(element->deviceNode);
            }
            qtClient* client = units->fenceClient();
            ControlUnit* unit = units->controlUnit();
            if (g > 0) {
                m_clients.push_back(std::make_unique<qtClient>(0));
                m_units.push_back(std::make_unique<ControlUnit>());
                client = m_clients.back().get();
                unit = m_units.back().get();
                unit->energizerModel = g_energizerModel;
                DeviceUnits::connectGatewayClient(unit, client);
                window.connectGatewayUnit(unit);
                QObject::connect(units->timerUnit(), &TimerUnit::timerTick, unit, &ControlUnit::afterTimer,
                                 Qt::QueuedConnection);
                unit->moveToThread(units->controlUnitThread());
            }
            countUnit(unit);
            countFrames(client);
            client->setTiming(standingLinkTiming());
            client->setPort(1);
            client->moveTo(ip);  // the address that names the gateway's rows; nobody answers there
            m_gatewayClients.push_back(client);
        }
        sensors = buildTWSites(window);
        qtClientTW* twClient = units->twClient();
        twClient->setTiming(standingLinkTiming());
        // The TW link dials the last TW system, as an open project does:
        // only that system takes the controller's states. Nobody answers there.
        const QString twAddress = QStringLiteral("127.0.0.%1").arg(Gateways + 1);
        {
            SiteLocker lock;
            Node* served = g_twSensorModel->rootNode()->children.last();
            served->setData(0, twAddress);
            served->deviceNode->setData(0, twAddress);
        }
        twClient->setPort(1);
        twClient->moveTo(twAddress);
        QObject::connect(twClient, &qtClientTW::tcpInUpdate, &m_counting, [this] { ++framesParsed; });
        TWControlUnit* twUnit = units->twControlUnit();
        QObject::connect(twUnit, &TWControlUnit::sensorTick, &m_counting, [this] { m_twCounts.deliveries++; },
                         Qt::DirectConnection);
        QObject::connect(twUnit, &TWControlUnit::sensorHearbeat, &m_counting, [this] { m_twCounts.deliveries++; },
                         Qt::DirectConnection);
        prepareFrames();
    }

    ~LiveSite()
    {
        // Each further unit comes back to this thread to be deleted here,
        // before its client.
        QThread* here = QThread::currentThread();
        for (std::unique_ptr<ControlUnit>& unit : m_units) {
            ControlUnit* moving = unit.get();
            QMetaObject::invokeMethod(moving, [moving, here] { moving->moveToThread(here); }, Qt::BlockingQueuedConnection);
        }
        m_units.clear();
        m_clients.clear();
    }

    // The window's link to the first gateway, and the clients of the
    // others, dialled their addresses, where nobody answers: once they have
    // all told so, the statuses of a refused connection are behind them.
    void awaitRefusals()
    {
        QElapsedTimer waited;
        waited.start();
        const auto refused = [this] {
            return std::all_of(m_gatewayClients.begin(), m_gatewayClients.end(), [](const qtClient* client) {
                return client->status == qtClient::ConnectionClosedByServer;
            });
        };
        while (!refused() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }

    // As a connection starts: each gateway's first heartbeat with its
    // device counts, then the read sweep's 64 replies, each a device's
    // whole record; the client's data are valid from the last one.
    void connectGateways()
    {
        for (size_t g = 0; g < m_gatewayClients.size(); ++g) {
            parse(m_gatewayClients[g], m_heartbeats[g][0]);
            for (const QByteArray& reply : qAsConst(m_sweeps[g]))
                parse(m_gatewayClients[g], reply);
        }
    }

    // The frames of one second as they come: every gateway's heartbeat,
    // its voltages changed, and the TW controller's state frame, each
    // parsed by its client on this (the GUI) thread.
    void receiveSecond(int second)
    {
        for (size_t g = 0; g < m_gatewayClients.size(); ++g)
            parse(m_gatewayClients[g], m_heartbeats[g][second % FrameCycle]);
        m_window.units()->twClient()->receiveBytes(m_twState.constData(), m_twState.size());
    }

    // What the units sent so far: deliveries to the window's mailbox
    // (heartbeats, ticks, sensor ticks and heartbeats) and to the voltage
    // log's. Read on the GUI thread once the units have told their work done.
    qint64 deliveries() const { return m_counts.deliveries + m_twCounts.deliveries; }
    qint64 voltageDeliveries() const { return m_counts.voltage; }

    QList<Node*> elements;
    QList<Node*> rows;
    QList<Node*> sensors;
    // Frames whose image a client handed on (GUI thread only).
    qint64 framesParsed = 0;

private:
    // Counted on the thread that sends, apart for each unit thread.
    struct Counts
    {
        std::atomic<qint64> deliveries{0};
        std::atomic<qint64> voltage{0};
    };

    void countUnit(ControlUnit* unit)
    {
        QObject::connect(unit, &ControlUnit::energHearbeat, &m_counting, [this] { m_counts.deliveries++; },
                         Qt::DirectConnection);
        QObject::connect(unit, &ControlUnit::energTick, &m_counting, [this] { m_counts.deliveries++; },
                         Qt::DirectConnection);
        QObject::connect(unit, &ControlUnit::writeVoltageLog, &m_counting, [this] { m_counts.voltage++; },
                         Qt::DirectConnection);
    }

    void countFrames(qtClient* client)
    {
        QObject::connect(client, &qtClient::tcpInUpdate, &m_counting, [this] { ++framesParsed; });
    }

    static void parse(qtClient* client, const QByteArray& frame) { client->receiveBytes(frame.constData(), frame.size()); }

    // Fence on at high voltage in both zones, the return voltages moving
    // every second; every eighth energizer in a steady fence alarm.
    static QByteArray record(int n, int second)
    {
        QByteArray data(Kx4Image::kBlockSize, '\0');
        data[0] = char(n);
        if (n >= 1 && n <= ControlUnit::LastEnergizer) {
            data[9] = char(0x60);
            data[13] = char(0x82);
            data[20] = char(0x82);
            data[16] = char(0x40);
            data[23] = char(0x40);
            data[17] = char(40 + (second + n) % 40);
            data[24] = char(60 + (second * 3 + n) % 40);
            data[12] = char(n % 8 == 0 ? 0x80 : 0);
        } else if (n >= ControlUnit::FirstIOCard) {
            data[6] = char(0x05);
        }
        return data;
    }

    // Each gateway's heartbeats of a cycle of seconds and its read sweep's
    // replies, built by the tests' controller stand-in from its device
    // image, and the TW controller's state frame (every sensor of the system
    // it serves ready), made before anything is timed.
    void prepareFrames()
    {
        const int energizers = ControlUnit::LastEnergizer;
        const int ioCards = ControlUnit::LastDevice - ControlUnit::LastEnergizer;
        for (int g = 0; g < Gateways; ++g) {
            GatewaySimulator controller;
            controller.setDeviceCounts(energizers, ioCards);
            QVector<QByteArray> heartbeats;
            for (int second = 0; second < FrameCycle; ++second) {
                for (int n = 0; n < GatewaySimulator::kBlockCount; ++n)
                    controller.setBlock(n, record(n, second));
                heartbeats.append(controller.heartbeatFromImage());
                if (second == 0) {
                    QVector<QByteArray> sweep;
                    for (int n = 0; n < GatewaySimulator::kBlockCount; ++n)
                        sweep.append(GatewaySimulator::readReplyFrame(controller.block(n)));
                    m_sweeps.append(sweep);
                }
            }
            m_heartbeats.append(heartbeats);
        }
        const QList<Node*> systems = g_twSensorModel->rootNode()->children;
        m_twState = GatewaySimulator::stateFrame(QByteArray(systems.last()->childCount(), char(0xFF)));
    }

    MainWindow& m_window;
    // The context of the counting connections: they end with the site,
    // whatever of the window's own units and links outlives it.
    QObject m_counting;
    std::vector<std::unique_ptr<qtClient>> m_clients;
    std::vector<std::unique_ptr<ControlUnit>> m_units;
    std::vector<qtClient*> m_gatewayClients;
    QVector<QVector<QByteArray>> m_heartbeats;
    QVector<QVector<QByteArray>> m_sweeps;
    QByteArray m_twState;
    Counts m_counts;
    Counts m_twCounts;
};

// The time the GUI thread's event loop sleeps, waiting for events: it
// sleeps in glib's poll (Qt's event dispatcher on this platform runs on
// glib's main context), which this wraps to clock the calls that may block.
// Qt's own aboutToBlock/awake signals do not bracket the sleep under glib.
// Looked up at run time: the bench does not link glib itself. `available`
// is false where the dispatcher is not glib's.
class EventLoopSleep
{
    using PollFunc = int (*)(void*, unsigned, int);

public:
    EventLoopSleep()
    {
        using Default = void* (*)();
        using SetPoll = void (*)(void*, PollFunc);
        using GetPoll = PollFunc (*)(void*);
        auto contextDefault = reinterpret_cast<Default>(dlsym(RTLD_DEFAULT, "g_main_context_default"));
        auto setPoll = reinterpret_cast<SetPoll>(dlsym(RTLD_DEFAULT, "g_main_context_set_poll_func"));
        auto getPoll = reinterpret_cast<GetPoll>(dlsym(RTLD_DEFAULT, "g_main_context_get_poll_func"));
        const bool glib = QByteArray(QAbstractEventDispatcher::instance()->metaObject()->className()).contains("Glib");
        if (!glib || !contextDefault || !setPoll || !getPoll)
            return;
        m_context = contextDefault();
        m_setPoll = setPoll;
        s_poll = getPoll(m_context);
        setPoll(m_context, &timedPoll);
    }
    ~EventLoopSleep()
    {
        if (m_context)
            m_setPoll(m_context, s_poll);
    }

    bool available() const { return m_context != nullptr; }
    // The time slept so far, in ns.
    static qint64 total() { return s_asleepNs; }

private:
    static int timedPoll(void* fds, unsigned count, int timeout)
    {
        if (timeout == 0)
            return s_poll(fds, count, timeout);
        using namespace std::chrono;
        const auto start = steady_clock::now();
        const int result = s_poll(fds, count, timeout);
        s_asleepNs += duration_cast<nanoseconds>(steady_clock::now() - start).count();
        return result;
    }

    void* m_context = nullptr;
    void (*m_setPoll)(void*, PollFunc) = nullptr;
    static inline PollFunc s_poll = nullptr;
    static inline qint64 s_asleepNs = 0;  // the GUI thread's context only
};

// Runs what a second posted on the GUI thread as the program's event loop
// does within that second, returning the rounds of posted events it took:
// the units' deliveries, the announcements they post, the repaint those
// post, each a round of its own. One round per second would leave each
// second's repaint to the next one, and a live site would be painted every
// other second.
int runPostedRounds()
{
    constexpr int MaxRounds = 8;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    int rounds = 0;
    while (rounds < MaxRounds && dispatcher->processEvents(QEventLoop::AllEvents))
        ++rounds;
    return rounds;
}

// The unit threads' share of a second, seen from the GUI thread. At the
// second's end each unit thread is handed a call queued behind all the
// second gave it: it notes when the thread was done and tells the GUI
// thread, behind everything the thread posted there. Meanwhile the
// window's mailbox is watched: which of its rounds ran while a unit thread
// still worked. `onUnitThreads`: an object living on each unit thread.
class UnitsSecond : public QObject
{
public:
    UnitsSecond(const QList<QObject*>& onUnitThreads, HandleMailbox* mailbox, const QElapsedTimer& clock)
        : m_onUnitThreads(onUnitThreads)
        , m_mailbox(mailbox)
        , m_clock(clock)
        , m_cpuClocks(size_t(onUnitThreads.size()))
        , m_doneAt(size_t(onUnitThreads.size()))
    {
        for (int t = 0; t < onUnitThreads.size(); ++t) {
            clockid_t* cpuClock = &m_cpuClocks[size_t(t)];
            QMetaObject::invokeMethod(onUnitThreads[t], [cpuClock] { pthread_getcpuclockid(pthread_self(), cpuClock); },
                                      Qt::BlockingQueuedConnection);
        }
        m_mailbox->installEventFilter(this);
    }
    ~UnitsSecond() override { m_mailbox->removeEventFilter(this); }

    // The second's work is being handed to the unit threads.
    void start()
    {
        m_done = 0;
        m_roundWhileWorking = false;
        m_working.store(m_onUnitThreads.size(), std::memory_order_release);
    }

    // All of it has been handed over; the calls that close it follow.
    void close()
    {
        for (int t = 0; t < m_onUnitThreads.size(); ++t) {
            QMetaObject::invokeMethod(m_onUnitThreads[t], [this, t] {
                m_doneAt[size_t(t)].store(m_clock.nsecsElapsed());
                m_working.fetch_sub(1, std::memory_order_acq_rel);
                QMetaObject::invokeMethod(this, [this] { ++m_done; }, Qt::QueuedConnection);
            }, Qt::QueuedConnection);
        }
    }

    // Every unit thread has done the second, and this thread has run what
    // they posted before.
    bool done() const { return m_done == m_onUnitThreads.size(); }
    // When the later unit thread was done (the clock's time).
    qint64 doneAtNs() const
    {
        qint64 latest = 0;
        for (const std::atomic<qint64>& at : m_doneAt)
            latest = std::max(latest, at.load());
        return latest;
    }
    // The unit threads' processor time so far.
    qint64 cpuNs() const
    {
        qint64 total = 0;
        for (clockid_t cpuClock : m_cpuClocks) {
            timespec now{};
            clock_gettime(cpuClock, &now);
            total += qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
        }
        return total;
    }
    // Whether a mailbox round of this second ran while a unit thread worked.
    bool roundWhileWorking() const { return m_roundWhileWorking; }

    qint64 rounds = 0;
    qint64 concurrentRounds = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MetaCall)
            return false;
        ++rounds;
        if (m_working.load(std::memory_order_acquire) > 0) {
            ++concurrentRounds;
            m_roundWhileWorking = true;
        }
        return false;
    }

private:
    const QList<QObject*> m_onUnitThreads;
    HandleMailbox* const m_mailbox;
    const QElapsedTimer& m_clock;
    std::vector<clockid_t> m_cpuClocks;
    std::vector<std::atomic<qint64>> m_doneAt;
    std::atomic<int> m_working{0};
    int m_done = 0;
    bool m_roundWhileWorking = false;
};

// The voltage log's clock in BM_SecondTick: each second the bench runs is
// the next second of the log's write cycle, which starts as the clock is
// set. The log writes no row in the first kQuietSeconds of a cycle; then
// every heartbeat's rows until kCycleSeconds have passed; the first
// heartbeat after that starts the next cycle and writes its energizer's rows
// (the rest of that second's heartbeats fall in the new cycle's quiet
// start). The clock gives a local time made from the time since the epoch,
// as QDateTime::currentDateTime does, so each reading costs what the
// program's does. Noon of today: no tick falls in the nightly clean-up's
// minute.
class VoltageLogCycle
{
public:
    // A cycle in seconds, the second that starts the next one included.
    static constexpr int Seconds = VoltageDiagrammsDlg::kCycleSeconds + 1;
    // Rows a written energizer gives: its battery and its two sectors.
    static constexpr int RowsPerEnergizer = 3;

    explicit VoltageLogCycle(VoltageDiagrammsDlg* log)
        : m_base(QDateTime(QDate::currentDate(), QTime(12, 0)).toMSecsSinceEpoch())
        , m_nowMs(std::make_shared<qint64>(m_base))
    {
        // Shared: the log reads its clock until the window goes.
        log->setClock([nowMs = m_nowMs] { return QDateTime::fromMSecsSinceEpoch(*nowMs); });
    }

    // Moves the clock on to the next second; true when the log writes
    // every heartbeat's rows in it.
    bool nextSecond()
    {
        ++m_second;
        *m_nowMs = m_base + m_second * 1000;
        return m_second % Seconds > VoltageDiagrammsDlg::kQuietSeconds;
    }
    // Whether this second starts the next cycle.
    bool startsCycle() const { return m_second % Seconds == 0; }

private:
    const qint64 m_base;
    std::shared_ptr<qint64> m_nowMs;
    qint64 m_second = 0;
};

// The rows of the voltage log in the database once every row handed over is written.
qint64 voltageRowsInDatabase()
{
    while (!WriteBatch::instance().commit()) {
    }
    QSqlQuery count(QStringLiteral("select count(*) from logVoltage"));
    return count.next() ? count.value(0).toLongLong() : -1;
}

// One second of a site of 630 devices and 93 TW sensors (see LiveSite) in
// the shown window, its alarm states view in front and 100 text boxes at
// rest on the map, as the operator waits for it: from the tick until the
// window shows what the second brought. state.range(0): 1 for a live site
// (each gateway's heartbeat and the TW controller's state frame arrive
// every second), 0 for an idle one (no data arrive; the units' ticks
// still run).
//
// The second starts with the window's timer unit's tick, sent through the
// window's own connections: to the window and the logs on the GUI thread,
// to the control units' and the TW unit's threads. A live second's frames
// arrive with it, all at once (the worst case for the site lock), and the
// GUI thread parses them: each client hands its unit the heartbeat's
// records, the whole image and the "Updated" status; the status bar and
// the gateway link follow the window's own link (to the first gateway), as
// they follow the one link in the program. The units evaluate on their
// threads and deliver heartbeats and ticks to the window's mailbox, voltage
// rows to the voltage log's, alarm rows to the alarm log's feed. The GUI
// thread serves its event loop until both unit threads have done all the
// second gave them and it has run what they posted, then the announcements
// and repaints those post. So the time holds what the GUI thread does,
// what it waits for the site lock a unit's slot holds for its whole body,
// and the time it sleeps for the units' next delivery: the operator waits
// through all three. The headline is the library's mean: a slow second is
// one the operator waits through too.
//
// The voltage log writes rows only in part of its cycle (VoltageLogCycle),
// and each second timed is the next second of that cycle: the run is two
// whole cycles, so seconds in which the log writes and seconds in which it
// does not count in the proportion the program has them.
//
// Counters that show what was timed, per second: `framesParsed`, the frames
// whose image a client handed on (11 when live: ten heartbeats and the TW
// state frame; 0 idle); `deliveries`, what the units sent the window's
// mailbox (630 heartbeats when live, 630 ticks, 93 sensor ticks);
// `voltageDeliveries`, what the control units sent the voltage log (320
// when live, whether the log writes or not); `voltageRowsWritten`, the rows
// the voltage log wrote, counted in the database afterwards (960 in a second
// of its write window, none in a quiet one, 224 on average over the cycle).
// Fewer stop the bench, and so does another count of rows than the cycle
// gives. `writeSecondUs` and `quietSecondUs` are the mean second in the
// log's write window and outside it, `writeShare` the share of seconds in
// it. `overlapped` is the share of seconds in
// which the GUI thread ran a mailbox round while a unit thread still
// worked at the second (1 when the two overlap as in the program),
// `concurrentRounds` the share of the mailbox's rounds run meanwhile;
// `guiCpuUs` the GUI thread's processor time, `asleepUs` the time its event
// loop slept waiting for events, `blockedUs` the rest of the second
// (neither running nor asleep in the loop: waiting for the site lock, or
// not given a processor); `unitsCpuUs` the unit threads' processor time
// and `unitsWallUs` the time from the tick until the later of them was
// done: no second ends before it. `medianSecondUs` is the median second.
void BM_SecondTick(benchmark::State& state)
{
    const bool live = state.range(0) != 0;
    home();
    // The program's diagnostic log takes the links' lines, as the start installs it.
    const struct DiagnosticLog
    {
        DiagnosticLog() : previous(qInstallMessageHandler(debugMessageHandler)) {}
        ~DiagnosticLog() { qInstallMessageHandler(previous); }
        QtMessageHandler previous;
    } diagnosticLog;
    MainWindow window;
    fillWorkspaces(window, 1, 100);
    window.show();
    LiveSite site(window);
    VoltageLogCycle voltageCycle(window.logs()->voltageDiagrammsDlg);
    DeviceUnits* units = window.units();
    // An object living on each unit thread: the window's control unit and TW unit.
    const QList<QObject*> onUnitThreads{units->controlUnit(), units->twControlUnit()};
    const CorePinning pinning(onUnitThreads);
    const QList<HandleMailbox*> mailboxes = window.findChildren<HandleMailbox*>(QString(), Qt::FindDirectChildrenOnly);
    if (mailboxes.size() != 1) {
        state.SkipWithError("the window's mailbox was not found");
        return;
    }
    QElapsedTimer clock;
    clock.start();
    UnitsSecond unitsSecond(onUnitThreads, mailboxes.front(), clock);
    const EventLoopSleep loopSleep;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    TimerUnit* timer = units->timerUnit();
    int second = 0;
    qint64 rounds = 0;
    // One second, its frames received or not; true when the GUI thread ran
    // a mailbox round while a unit thread still worked at it.
    qint64 writeSeconds = 0;
    qint64 cycleStarts = 0;
    auto runSecond = [&](bool frames) {
        writeSeconds += voltageCycle.nextSecond();
        cycleStarts += voltageCycle.startsCycle();
        unitsSecond.start();
        emit timer->timerTick();
        if (frames)
            site.receiveSecond(second);
        ++second;
        unitsSecond.close();
        while (!unitsSecond.done()) {
            if (dispatcher->processEvents(QEventLoop::WaitForMoreEvents))
                ++rounds;
        }
        rounds += runPostedRounds();
        return unitsSecond.roundWhileWorking();
    };

    // The links as a connection starts, then the site's first two seconds
    // of data: each row's first heartbeat tells where its device stands,
    // the second leaves it there.
    site.awaitRefusals();
    site.connectGateways();
    for (int warm = 0; warm < 2; ++warm)
        runSecond(true);
    rounds = 0;
    writeSeconds = 0;
    cycleStarts = 0;
    const qint64 rowsBefore = voltageRowsInDatabase();
    const qint64 asleepBefore = EventLoopSleep::total();
    const qint64 framesBefore = site.framesParsed;
    const qint64 deliveriesBefore = site.deliveries();
    const qint64 voltageBefore = site.voltageDeliveries();
    unitsSecond.rounds = 0;
    unitsSecond.concurrentRounds = 0;
    std::vector<qint64> seconds;
    seconds.reserve(size_t(state.max_iterations));  // no growing within a timed second
    qint64 overlapped = 0;
    qint64 guiCpuNs = 0;
    qint64 unitsCpuNs = 0;
    qint64 unitsWallNs = 0;
    qint64 wallNs = 0;
    qint64 writeWallNs = 0;
    for (auto _ : state) {
        const qint64 start = clock.nsecsElapsed();
        const qint64 cpuStart = threadCpuNs();
        const qint64 unitsCpuStart = unitsSecond.cpuNs();
        const qint64 writeSecondsBefore = writeSeconds;
        overlapped += runSecond(live);
        guiCpuNs += threadCpuNs() - cpuStart;
        unitsCpuNs += unitsSecond.cpuNs() - unitsCpuStart;
        unitsWallNs += unitsSecond.doneAtNs() - start;
        seconds.push_back(clock.nsecsElapsed() - start);
        wallNs += seconds.back();
        if (writeSeconds != writeSecondsBefore)
            writeWallNs += seconds.back();
    }
    const double iterations = double(std::max<qint64>(1, state.iterations()));
    auto perSecond = [iterations](qint64 count) { return double(count) / iterations; };
    auto perSecondUs = [iterations](qint64 ns) { return double(ns) / iterations / 1000.0; };
    const double frames = perSecond(site.framesParsed - framesBefore);
    const double deliveries = perSecond(site.deliveries() - deliveriesBefore);
    const double voltage = perSecond(site.voltageDeliveries() - voltageBefore);
    const qint64 rowsWritten = voltageRowsInDatabase() - rowsBefore;
    state.counters["framesParsed"] = frames;
    state.counters["deliveries"] = deliveries;
    state.counters["voltageDeliveries"] = voltage;
    state.counters["voltageRowsWritten"] = perSecond(rowsWritten);
    const qint64 quietSeconds = std::max<qint64>(1, state.iterations()) - writeSeconds;
    state.counters["writeShare"] = double(writeSeconds) / iterations;
    state.counters["writeSecondUs"] = writeSeconds ? double(writeWallNs) / double(writeSeconds) / 1000.0 : 0.0;
    state.counters["quietSecondUs"] = double(wallNs - writeWallNs) / double(std::max<qint64>(1, quietSeconds)) / 1000.0;
    const int devices = site.rows.size();
    const int energizers = LiveSite::Gateways * ControlUnit::LastEnergizer;
    const qint64 cycleRows = live ? VoltageLogCycle::RowsPerEnergizer * (writeSeconds * energizers + cycleStarts) : 0;
    if (frames < (live ? LiveSite::Gateways + 1 : 0) || deliveries < (live ? 2 : 1) * devices + site.sensors.size()
        || voltage < (live ? energizers : 0))
        state.SkipWithError(QStringLiteral("the units did not receive or deliver a whole second "
                                           "(per second: %1 frames, %2 deliveries, %3 to the voltage log)")
                                .arg(frames)
                                .arg(deliveries)
                                .arg(voltage)
                                .toUtf8()
                                .constData());
    else if (rowsWritten != cycleRows)
        state.SkipWithError("the voltage log did not write the rows of its cycle");
    std::nth_element(seconds.begin(), seconds.begin() + seconds.size() / 2, seconds.end());
    state.counters["medianSecondUs"] = seconds.empty() ? 0.0 : double(seconds[seconds.size() / 2]) / 1000.0;
    state.counters["overlapped"] = double(overlapped) / iterations;
    state.counters["concurrentRounds"] =
        double(unitsSecond.concurrentRounds) / double(std::max<qint64>(1, unitsSecond.rounds));
    state.counters["guiCpuUs"] = perSecondUs(guiCpuNs);
    if (loopSleep.available()) {
        const qint64 asleepNs = EventLoopSleep::total() - asleepBefore;
        state.counters["asleepUs"] = perSecondUs(asleepNs);
        state.counters["blockedUs"] = perSecondUs(wallNs - guiCpuNs - asleepNs);
    }
    state.counters["unitsCpuUs"] = perSecondUs(unitsCpuNs);
    state.counters["unitsWallUs"] = perSecondUs(unitsWallNs);
    state.counters["eventRounds"] = double(rounds) / iterations;
    state.counters["devices"] = devices;
    state.counters["sensors"] = site.sensors.size();
    // The rows the alarm states view holds (as the window starts, every
    // row, OK or not), which the heartbeats refresh.
    const auto* statesView = window.findChild<QTreeView*>(QStringLiteral("statesAlarmTree"));
    int shown = 0;
    if (statesView && statesView->isVisible() && statesView->model()) {
        const QAbstractItemModel* model = statesView->model();
        for (int g = 0; g < model->rowCount(); ++g)
            shown += 1 + model->rowCount(model->index(g, 0));
    }
    state.counters["statesRowsShown"] = shown;
}
BENCHMARK(BM_SecondTick)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->Iterations(2 * VoltageLogCycle::Seconds);
// `boxes` gateway boxes on the current workspace (one fence line per
// energizer on its first sector) and one TW link: the workspace's 31
// sensors under one sector circle.
struct StormSite
{
    QList<Node*> rows;
    QList<Node*> elements;
    QList<Node*> sensors;
};

StormSite buildStormSite(MainWindow& window, int boxes)
{
    StormSite site;
    GraphicsScene* scene = window.workspaces()->currentScene();
    for (int b = 0; b < boxes; ++b) {
        auto* box = new GraphicsBox(GraphicsBox::GatewayBox);
        box->setIP(QStringLiteral("10.0.0.%1").arg(b + 1));
        scene->addItem(box);
        g_elementTreeModel->insertNode(scene->workplaceNode(), -1, box->node());
        g_energizerModel->insertNode(g_energizerModel->rootNode(), -1, box->energizerNode());
        for (Node* element : box->node()->children) {
            site.elements.append(element);
            site.rows.append(element->deviceNode);
            SiteLocker lock;
            element->deviceNode->updated = true;
            element->deviceNode->setData(1, 0);
            if (element->type != Node::Energizer)
                continue;
            auto* line = new GraphicsLine();
            const qreal y = 20 + 8 * site.elements.size();
            line->appendPoint(QPointF(0, y));
            line->appendPoint(QPointF(300, y));
            scene->addItem(line);
            g_elementTreeModel->insertNode(element->child(0), -1, line->node());
        }
    }
    site.sensors = placeTWSensors(scene, g_twSensorModel->rootNode()->child(0));
    return site;
}

// Every device's record flips between fence alarm and no alarm, every
// sensor between ready and alarm.
void flipStorm(const StormSite& site, bool alarm)
{
    SiteLocker lock;
    for (Node* row : site.rows)
        row->record[12] = alarm ? 0x80 : 0;
    for (Node* sensor : site.sensors)
        sensor->setData(1, alarm ? 2 : 1);
}

// An alarm storm on `boxes` gateway boxes and one TW link (see
// buildStormSite). One iteration is the GUI thread's slots of one second,
// called directly, the records flipped in place: the heartbeats, the ticks
// and the repaint. No unit, frame or unit thread takes part:
// BM_SecondTick times a second as the program runs it.
void BM_AlarmStorm(benchmark::State& state)
{
    home();
    MainWindow window;
    window.show();
    const StormSite site = buildStormSite(window, int(state.range(0)));
    bool alarm = false;
    for (auto _ : state) {
        alarm = !alarm;
        flipStorm(site, alarm);
        for (Node* sensor : site.sensors) {
            window.deviceStates()->sensorHeartbeat(sensor);
            window.deviceStates()->sensorTick(sensor);
        }
        for (Node* row : site.rows)
            window.deviceStates()->energHeartbeat(row, true);
        for (Node* element : site.elements)
            window.deviceStates()->energTick(element);
        window.timerTick();
        QCoreApplication::processEvents();
    }
    state.counters["devices"] = site.rows.size();
    state.counters["sensors"] = site.sensors.size();
}
BENCHMARK(BM_AlarmStorm)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The same storm on one gateway (32 energizers, 31 IO cards) and the TW link
// while the event loop runs, with state.range(0) rows in the alarm log:
// every second each device's heartbeat and tick, each sensor's and the
// voltage rows of the 32 energizers arrive through mailboxes like the
// window's, an alarm row for every energizer and sensor that changed as a
// queued call of the alarm log's own, and the map repaints. It stands in
// for the units: the GUI thread posts all of it itself, with no unit, frame
// or unit thread (in the program the units hand their alarm rows to the
// log's feed on their own threads). The database manager's
// thread does its upkeep beside it. A timer due every 50 ms measures how
// late the event loop serves it; the counters give the 95th percentile and
// the maximum over 60 s.
void BM_AlarmStormLateness(benchmark::State& state)
{
    constexpr int ProbeMs = 50;
    constexpr int RunMs = 60000;
    home();
    fillAlarmLog(state.range(0), 20);
    auto upkeep = std::make_unique<UpkeepThread>();
    QVector<double> lateness;
    for (auto _ : state) {
        MainWindow window;
        window.show();
        const StormSite site = buildStormSite(window, 1);
        AlarmLogWidget* log = window.logs()->alarmLogWidget;
        VoltageDiagrammsDlg* voltages = window.logs()->voltageDiagrammsDlg;
        // Inside the voltage log's write window from the start.
        voltages->setClock([] { return QDateTime::currentDateTime().addSecs(VoltageDiagrammsDlg::kQuietSeconds + 1); });
        bool alarm = false;
        auto* deliveries = new HandleMailbox(&window);
        auto* voltageDeliveries = new HandleMailbox(voltages);
        QTimer storm;
        storm.setInterval(1000);
        QObject::connect(&storm, &QTimer::timeout, &window, [&] {
            alarm = !alarm;
            flipStorm(site, alarm);
            const QString info = alarm ? QStringLiteral("change status to Critical") : QStringLiteral("change status to OK");
            auto later = [&window](std::function<void()> call) {
                QMetaObject::invokeMethod(&window, std::move(call), Qt::QueuedConnection);
            };
            for (Node* sensor : site.sensors) {
                deliveries->post([&window, sensor] { window.deviceStates()->sensorHeartbeat(sensor); });
                later([log, sensor, info] { log->addRecord(sensor->name, QStringLiteral("TW sensor"), info); });
                deliveries->post([&window, sensor] { window.deviceStates()->sensorTick(sensor); });
            }
            for (Node* row : site.rows) {
                deliveries->post([&window, row] { window.deviceStates()->energHeartbeat(row, true); });
                if (row->number() > Node::kMaxEnergizers)
                    continue;
                later([log, row, info] { log->addRecord(row->name, QStringLiteral("Fence alarm 1"), info); });
                voltageDeliveries->post([voltages, row] { voltages->writeVoltageLog(row); });
            }
            for (Node* element : site.elements)
                deliveries->post([&window, element] { window.deviceStates()->energTick(element); });
            later([&window] { window.timerTick(); });
        });
        QElapsedTimer clock;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(ProbeMs);
        qint64 last = 0;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            lateness.append(std::max<qint64>(0, now - last - ProbeMs * 1000000) / 1e6);
            last = now;
        });
        QEventLoop loop;
        QTimer::singleShot(RunMs, &loop, &QEventLoop::quit);
        clock.start();
        storm.start();
        probe.start();
        loop.exec();
        probe.stop();
        storm.stop();
        WriteBatch::instance().commit();
    }
    upkeep.reset();
    QSqlQuery(QStringLiteral("delete from logAlarm"));
    std::sort(lateness.begin(), lateness.end());
    state.counters["p95ms"] = lateness.value(lateness.size() * 95 / 100);
    state.counters["maxms"] = lateness.isEmpty() ? 0 : lateness.last();
    state.counters["samples"] = lateness.size();
}
BENCHMARK(BM_AlarmStormLateness)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A project of 20 workspaces with `range(0)` text boxes each, written once;
// then either its save (the document built and written) or its open (parsed,
// the old site torn down, the new one read and the window painted) is timed.
QString writeProject(int elements)
{
    const QString fileName = home().dir.filePath(QStringLiteral("site-%1.xml").arg(elements));
    if (QFile::exists(fileName))
        return fileName;
    MainWindow window;
    fillWorkspaces(window, 20, elements);
    window.project()->currentFileName = fileName;
    window.projectFiles()->saveFile();
    return fileName;
}

void BM_ProjectSave(benchmark::State& state)
{
    home();
    const QString fileName = writeProject(int(state.range(0)));
    MainWindow window;
    window.project()->currentFileName = fileName;
    window.projectFiles()->reopenCurrentFile();
    window.project()->currentFileName = home().dir.filePath(QStringLiteral("saved.xml"));
    for (auto _ : state)
        window.projectFiles()->saveFile();
    state.counters["bytes"] = double(QFileInfo(fileName).size());
}
BENCHMARK(BM_ProjectSave)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// The least any Qt program must do to show the same file: parse it with
// QDomDocument, and per workspace a scene with one rectangle and one simple
// text item per element (no layout until painted, as the program lays out
// captions only on the shown map), the first one shown in a view of the
// window's size. The previous load is torn down first, as an open does.
class MinimalLoad
{
public:
    explicit MinimalLoad(const QSize& viewSize)
    {
        m_view.resize(viewSize);
        m_view.show();
    }

    void load(const QString& fileName)
    {
        m_view.setScene(nullptr);
        m_scenes.clear();
        {
            // The document goes once the scenes are built, before the paint,
            // as the program's does.
            QFile file(fileName);
            file.open(QIODevice::ReadOnly);
            QDomDocument document;
            document.setContent(&file);
            const QDomElement workplaces = document.documentElement().firstChildElement(QStringLiteral("Workplaces"));
            for (QDomElement workplace = workplaces.firstChildElement(); !workplace.isNull();
                 workplace = workplace.nextSiblingElement())
                m_scenes.push_back(readScene(workplace));
        }
        if (!m_scenes.empty())
            m_view.setScene(m_scenes.front().get());
        QCoreApplication::processEvents();
        m_view.repaint();
    }

private:
    static std::unique_ptr<QGraphicsScene> readScene(const QDomElement& workplace)
    {
        auto scene = std::make_unique<QGraphicsScene>();
        scene->setSceneRect(0, 0, 500, 500);
        for (QDomElement item = workplace.firstChildElement(QStringLiteral("Item")); !item.isNull();
             item = item.nextSiblingElement(QStringLiteral("Item"))) {
            const qreal width = item.attribute(QStringLiteral("width")).toDouble();
            const qreal height = item.attribute(QStringLiteral("height")).toDouble();
            auto* box = new QGraphicsRectItem(0, 0, width, height);
            box->setPos(item.attribute(QStringLiteral("x")).toInt(), item.attribute(QStringLiteral("y")).toInt());
            auto* caption = new QGraphicsSimpleTextItem(item.attribute(QStringLiteral("caption")), box);
            caption->setPos(25, 20);
            scene->addItem(box);
        }
        return scene;
    }

    QGraphicsView m_view;
    std::vector<std::unique_ptr<QGraphicsScene>> m_scenes;
};

using Clock = std::chrono::steady_clock;

template <typename Work>
Clock::duration timed(Work work)
{
    const Clock::time_point start = Clock::now();
    work();
    return Clock::now() - start;
}

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

void openAndPaint(MainWindow& window, const QString& fileName)
{
    window.project()->currentFileName = fileName;
    window.projectFiles()->reopenCurrentFile();
    QCoreApplication::processEvents();
    window.repaint();
}

// The heap is consolidated before every timed load. Without it, the first
// large allocation of a load merges all the small chunks that the load before
// it freed (glibc's malloc_consolidate): the open would pay for the DOM the
// minimal load had just dropped, a third of its time, while the minimal load
// found the heap the open had left already merged. Each load still tears
// down its own previous load, and drops its own DOM before painting, inside
// its time, and pays for merging those.
void settleHeap()
{
    malloc_trim(0);
}

// Each iteration opens the file into the shown window and paints it; the
// minimal load of the same file runs beside it, untimed by the library but
// clocked, so `ratio` (open / minimal load) comes from one run. Each finds
// the heap as the other left it, as a program's loads do: no trim between
// them. The first of each, which replaces no earlier load, is not counted.
// The file is warm: read over and over, it stays in the page cache, so this
// times the program's own work on it; BM_ProjectOpenCold times the first
// open of a file the cache does not hold.
void BM_ProjectOpen(benchmark::State& state)
{
    home();
    const QString fileName = writeProject(int(state.range(0)));
    MainWindow window;
    window.show();
    MinimalLoad minimal(window.workspaces()->currentView()->viewport()->size());
    openAndPaint(window, fileName);
    minimal.load(fileName);
    Clock::duration openTime{};
    Clock::duration minimalTime{};
    for (auto _ : state) {
        state.PauseTiming();
        minimalTime += timed([&] { minimal.load(fileName); });
        state.ResumeTiming();
        openTime += timed([&] { openAndPaint(window, fileName); });
    }
    state.counters["minimal_ms"] = milliseconds(minimalTime) / double(state.iterations());
    state.counters["ratio"] = double(openTime.count()) / double(minimalTime.count());
}
BENCHMARK(BM_ProjectOpen)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(15);

// The first open of a project file the page cache does not hold, as the
// operator meets it after a restart of the machine: each iteration shows a
// new empty window (untimed), drops the file's pages from the cache, and
// times the open and the first paint. Counters: `residentShare`, the
// largest share of the file's pages still cached just before a timed open
// (0 when the file was cold; near 1 where the machine refuses to drop
// them, and then this is the warm figure); `warm_ms`, the same first open
// into a new window with the file cached, clocked beside it, so that the
// difference is what reading the disk adds; `diskBytes`, what the process
// read from storage during a timed open (/proc/self/io), about the file's
// size when the open went to the disk.
qint64 storageReadBytes()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("read_bytes:"))
            return line.mid(11).trimmed().toLongLong();
    }
    return -1;
}

void BM_ProjectOpenCold(benchmark::State& state)
{
    home();
    const QString fileName = writeProject(int(state.range(0)));
    auto shownWindow = [] {
        auto window = std::make_unique<MainWindow>();
        window->show();
        QCoreApplication::processEvents();
        window->repaint();
        return window;
    };
    double residentBefore = 0;
    double residentWarm = 1;
    Clock::duration warmTime{};
    qint64 diskBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = shownWindow();
        dropFromCache(fileName);
        residentBefore = std::max(residentBefore, residentShare(fileName));
        const qint64 readBefore = storageReadBytes();
        state.ResumeTiming();
        openAndPaint(*window, fileName);
        state.PauseTiming();
        diskBytes += storageReadBytes() - readBefore;
        window.reset();  // one window at a time: a window sets the site's globals
        window = shownWindow();
        residentWarm = std::min(residentWarm, residentShare(fileName));
        warmTime += timed([&] { openAndPaint(*window, fileName); });
        window.reset();
        state.ResumeTiming();
    }
    state.counters["residentShare"] = residentBefore;
    state.counters["warmResidentShare"] = residentWarm;
    state.counters["warm_ms"] = milliseconds(warmTime) / double(state.iterations());
    state.counters["diskBytes"] = double(diskBytes) / double(state.iterations());
    state.counters["bytes"] = double(QFileInfo(fileName).size());
}
BENCHMARK(BM_ProjectOpenCold)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(5);

// The open of 20 x 400 against the open of 20 x 200, alternating in one run
// (`doubling`), beside the same for the minimal load. Each timed open
// replaces a project of its own size, so that it tears down what it reads;
// both sizes are opened once first, so that no timed open grows the heap,
// and the heap is settled before each timed load.
void BM_ProjectOpenDoubling(benchmark::State& state)
{
    home();
    const QString files[2] = {writeProject(200), writeProject(400)};
    MainWindow window;
    window.show();
    MinimalLoad minimal(window.workspaces()->currentView()->viewport()->size());
    for (const QString& file : files) {
        openAndPaint(window, file);
        openAndPaint(window, file);
        minimal.load(file);
        minimal.load(file);
    }
    Clock::duration openTime[2]{};
    Clock::duration minimalTime[2]{};
    for (auto _ : state) {
        for (int size = 0; size < 2; ++size) {
            openAndPaint(window, files[size]);
            settleHeap();
            openTime[size] += timed([&] { openAndPaint(window, files[size]); });
            minimal.load(files[size]);
            settleHeap();
            minimalTime[size] += timed([&] { minimal.load(files[size]); });
        }
    }
    const double iterations = double(state.iterations());
    state.counters["open200_ms"] = milliseconds(openTime[0]) / iterations;
    state.counters["open400_ms"] = milliseconds(openTime[1]) / iterations;
    state.counters["doubling"] = double(openTime[1].count()) / double(openTime[0].count());
    state.counters["minimal_doubling"] = double(minimalTime[1].count()) / double(minimalTime[0].count());
}
BENCHMARK(BM_ProjectOpenDoubling)->Unit(benchmark::kMillisecond);

// A figure of /proc/self/status in bytes ("VmRSS", "VmHWM").
qint64 statusBytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

// The peak of the resident memory (VmHWM) starts again from what is resident now.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// What opening the project adds to the resident memory of a shown empty
// window at its peak, while the open runs (`added_MiB`), and once it is
// shown (`after_MiB`). The memory the bench freed before (writing the
// file) is handed back first; run it alone
// (--benchmark_filter=BM_ProjectOpenMemory) for figures.
void BM_ProjectOpenMemory(benchmark::State& state)
{
    constexpr double MiB = 1024 * 1024;
    home();
    const QString fileName = writeProject(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<MainWindow>();
        window->show();
        QCoreApplication::processEvents();
        window->repaint();
        malloc_trim(0);
        const qint64 empty = statusBytes("VmRSS");
        resetPeak();
        state.ResumeTiming();
        window->project()->currentFileName = fileName;
        window->projectFiles()->reopenCurrentFile();
        QCoreApplication::processEvents();
        window->repaint();
        state.PauseTiming();
        state.counters["empty_MiB"] = double(empty) / MiB;
        state.counters["added_MiB"] = double(statusBytes("VmHWM") - empty) / MiB;
        state.counters["after_MiB"] = double(statusBytes("VmRSS") - empty) / MiB;
        window.reset();
        malloc_trim(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ProjectOpenMemory)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
