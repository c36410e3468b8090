#include "benchmain.h"
#include "benchdata.h"
#include "controlunit.h"
#include "qtclient.h"
#include "alarmlogwidget.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "handlemailbox.h"
#include "mainwindow.h"
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

// The units' thread of the program, beside the GUI thread: start() hands
// it a job and returns at once, as the program's timer tick reaches the
// units and the window at the same moment; wait() returns once the job is
// done. While it runs, the GUI thread and this one are held on two
// different processors where the machine has two, as on an operator's
// machine the units work on other cores than the window: what they write
// reaches the GUI thread from another core's cache, and their work does
// not evict the window's from its own.
class UnitsThread
{
public:
    UnitsThread()
    {
        sched_getaffinity(0, sizeof m_guiMask, &m_guiMask);
        std::vector<int> cpus;
        for (int cpu = 0; cpu < CPU_SETSIZE && cpus.size() < 2; ++cpu) {
            if (CPU_ISSET(cpu, &m_guiMask))
                cpus.push_back(cpu);
        }
        if (cpus.size() == 2)
            pin(pthread_self(), cpus[0]);
        m_thread = std::thread([this, cpus] {
            if (cpus.size() == 2)
                pin(pthread_self(), cpus[1]);
            std::unique_lock<std::mutex> lock(m_mutex);
            for (;;) {
                m_wake.wait(lock, [this] { return m_quit || m_job; });
                if (m_quit)
                    return;
                // The job runs without the hand-over's mutex, so that the
                // GUI thread never waits on it while the job runs.
                const std::function<void()> job = m_job;
                lock.unlock();
                const qint64 cpuStart = threadCpuNs();
                const auto wallStart = std::chrono::steady_clock::now();
                m_running.store(true, std::memory_order_release);
                job();
                m_running.store(false, std::memory_order_release);
                const Spent spent{threadCpuNs() - cpuStart,
                                  std::chrono::duration_cast<std::chrono::nanoseconds>(
                                      std::chrono::steady_clock::now() - wallStart).count()};
                lock.lock();
                m_spent = spent;
                m_job = nullptr;
                m_wake.notify_all();
            }
        });
    }

    ~UnitsThread()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
        pthread_setaffinity_np(pthread_self(), sizeof m_guiMask, &m_guiMask);
    }

    void start(std::function<void()> job)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = std::move(job);
        m_wake.notify_all();
    }

    // What a job took on this thread, in ns: processor time, and wall time
    // from its start to its end.
    struct Spent
    {
        qint64 cpuNs = 0;
        qint64 wallNs = 0;
    };

    // Returns once the job is done, with what it took.
    Spent wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_job; });
        return m_spent;
    }

    // Whether a job is running now, read from any thread.
    bool running() const { return m_running.load(std::memory_order_acquire); }

    // The processor time of the calling thread so far.
    static qint64 threadCpuNs()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }

private:
    static void pin(pthread_t thread, int cpu)
    {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(cpu, &set);
        pthread_setaffinity_np(thread, sizeof set, &set);
    }

    cpu_set_t m_guiMask;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::function<void()> m_job;
    Spent m_spent;
    std::atomic<bool> m_running{false};
    bool m_quit = false;
    std::thread m_thread;
};

// A site as an operator has it: ten gateway boxes on the first workspace,
// each with its 32 energizers (two sectors and a gate each) and 31 IO
// cards, the rows of the energizer states model with their twelve columns,
// and the TW sensors of three workspaces. Each gateway has its control
// unit, fed as its link feeds it; its signals reach the window queued, each
// node as a handle resolved on arrival, as the window wires its own unit.
// Each delivery the GUI thread runs is counted, and whether the units'
// thread was still at work when it ran.
class LiveSite
{
public:
    static constexpr int Gateways = 10;

    LiveSite(MainWindow& window, const UnitsThread& units)
        : m_window(window)
        , m_unitsThread(units)
        , m_deliveries(new HandleMailbox(&window))
    {
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
            auto client = std::make_unique<qtClient>(0);
            client->setPort(1);
            client->moveTo(ip);  // only to fix the address the data come from
            client->no_of_energizers = 32;
            client->no_of_iocards = 31;
            client->dataValid = true;
            auto unit = std::make_unique<ControlUnit>();
            unit->energizerModel = g_energizerModel;
            unit->connectClient(client.get(), Qt::DirectConnection);
            DeviceStates* states = window.deviceStates();
            auto heartbeat = [this, states](Node* row, bool changed) {
                noteDelivery();
                states->energHeartbeat(row, changed);
            };
            auto tick = [this, states](Node* element) {
                noteDelivery();
                states->energTick(element);
            };
            queueAsHandle(unit.get(), &ControlUnit::energHearbeat, m_deliveries, heartbeat);
            queueAsHandle(unit.get(), &ControlUnit::energTick, m_deliveries, tick);
            m_clients.push_back(std::move(client));
            m_units.push_back(std::move(unit));
        }
        sensors = buildTWSites(window);
    }

    ~LiveSite()
    {
        m_units.clear();
        m_clients.clear();
    }

    // One second of a live site, the units' side: every device's record
    // arrives, its voltages changed, and is evaluated into its row; then the
    // tick writes each row's duration, attempts and last try. With `live`
    // false no data arrive (an idle site): only the heartbeat and tick calls
    // reach the window. Either way each sensor's tick follows.
    void unitsSecond(bool live)
    {
        ++m_second;
        if (live) {
            for (size_t g = 0; g < m_clients.size(); ++g) {
                for (int n = 1; n <= ControlUnit::LastDevice; ++n)
                    emit m_clients[g]->dataUpdate(record(n, m_second), n);
            }
            m_units.front()->afterTimer();
        } else {
            DeviceStates* states = m_window.deviceStates();
            for (Node* row : qAsConst(rows))
                deliver(row, [states](Node* live) { states->energHeartbeat(live, false); });
            for (Node* element : qAsConst(elements))
                deliver(element, [states](Node* live) { states->energTick(live); });
        }
        DeviceStates* states = m_window.deviceStates();
        for (Node* sensor : qAsConst(sensors))
            deliver(sensor, [states](Node* live) { states->sensorTick(live); });
    }

    QList<Node*> elements;
    QList<Node*> rows;
    QList<Node*> sensors;
    // GUI thread only.
    qint64 delivered = 0;
    qint64 deliveredWhileUnitsRan = 0;

private:
    void noteDelivery()
    {
        ++delivered;
        if (m_unitsThread.running())
            ++deliveredWhileUnitsRan;
    }

    // Fence on at high voltage in both zones, the return voltages moving
    // every second; every eighth energizer in a steady fence alarm.
    static DeviceData record(int n, int second)
    {
        DeviceData data(Kx4Image::kBlockSize, 0);
        data[0] = quint8(n);
        if (n <= ControlUnit::LastEnergizer) {
            data[9] = 0x60;
            data[13] = 0x82;
            data[20] = 0x82;
            data[16] = 0x40;
            data[23] = 0x40;
            data[17] = quint8(40 + (second + n) % 40);
            data[24] = quint8(60 + (second * 3 + n) % 40);
            data[12] = n % 8 == 0 ? 0x80 : 0;
        } else {
            data[6] = 0x05;
        }
        return data;
    }

    template <typename Call>
    void deliver(Node* node, Call call)
    {
        m_deliveries->postAsHandle(node, [this, call](Node* live) {
            noteDelivery();
            call(live);
        });
    }

    MainWindow& m_window;
    const UnitsThread& m_unitsThread;
    HandleMailbox* m_deliveries;
    std::vector<std::unique_ptr<qtClient>> m_clients;
    std::vector<std::unique_ptr<ControlUnit>> m_units;
    int m_second = 0;
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

// One second of a site of 630 devices and 93 TW sensors (see LiveSite) in
// the shown window, its alarm states view in front and 100 text boxes at
// rest on the map, as the operator waits for it: from the tick until the
// window shows what the second brought. state.range(0): 1 for a live site
// (every row evaluated each second, its voltages changing), 0 for an idle
// one (no data arrive).
//
// The units' second starts on their own thread as the window's tick runs,
// as the program's timer reaches both at once, and the GUI thread then
// serves its event loop (the units' deliveries as they arrive, the
// announcements and repaints those post) until the units have posted their
// last delivery and all that followed from it has run. So the time holds
// what the GUI thread does, what it waits for the site lock a unit's slot
// holds for its whole body, and the time it sleeps for the units' next
// delivery: the operator waits through all three. The units' own work on
// their core counts only as far as the window waits for it. The headline
// is the library's mean: a slow second is one the operator waits through
// too.
//
// Counters that show what was timed: `overlapped`, the share of seconds in
// which the GUI thread ran its tick or a delivery while the units' job was
// still running (1 when the two overlap as in the program);
// `concurrentDeliveries`, the share of deliveries run while it was;
// `guiCpuUs` the GUI thread's processor time per second, `asleepUs` the
// time its event loop slept waiting for events, `blockedUs` the rest of
// the second (neither running nor asleep in the loop: waiting for the site
// lock, or not given a processor); `unitsCpuUs` the units' processor time
// per second, on their own thread, and `unitsWallUs` the time from their
// job's start to its last delivery posted: no second ends before it.
// `medianSecondUs` is the median second.
void BM_SecondTick(benchmark::State& state)
{
    const bool live = state.range(0) != 0;
    home();
    MainWindow window;
    fillWorkspaces(window, 1, 100);
    window.show();
    UnitsThread units;
    LiveSite site(window, units);
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();

    const EventLoopSleep loopSleep;
    QElapsedTimer clock;
    clock.start();

    // One second, returning whether the GUI thread ran its tick or a
    // delivery while the units' job was running; it adds the event rounds
    // it took to `rounds`. The units' job ends by posting `unitsDone`:
    // queued behind its last delivery, it arrives once all of them have.
    bool unitsDone = false;
    const std::function<void()> unitsJob = [&] {
        site.unitsSecond(live);
        QMetaObject::invokeMethod(&window, [&unitsDone] { unitsDone = true; }, Qt::QueuedConnection);
    };
    qint64 rounds = 0;
    auto runSecond = [&] {
        const qint64 concurrentBefore = site.deliveredWhileUnitsRan;
        unitsDone = false;
        units.start(unitsJob);
        window.timerTick();
        const bool tickOverlapped = units.running();
        while (!unitsDone) {
            if (dispatcher->processEvents(QEventLoop::WaitForMoreEvents))
                ++rounds;
        }
        rounds += runPostedRounds();
        return tickOverlapped || site.deliveredWhileUnitsRan > concurrentBefore;
    };

    // A live site's first two seconds: each row's first heartbeat tells
    // where its device stands, the second leaves it there.
    for (int second = 0; second < 2; ++second) {
        runSecond();
        units.wait();
    }
    rounds = 0;
    const qint64 asleepBefore = EventLoopSleep::total();
    site.delivered = 0;
    site.deliveredWhileUnitsRan = 0;
    std::vector<qint64> seconds;
    seconds.reserve(size_t(state.max_iterations));  // no growing within a timed second
    qint64 overlapped = 0;
    qint64 guiCpuNs = 0;
    qint64 unitsCpuNs = 0;
    qint64 unitsWallNs = 0;
    qint64 wallNs = 0;
    for (auto _ : state) {
        const qint64 start = clock.nsecsElapsed();
        const qint64 cpuStart = UnitsThread::threadCpuNs();
        overlapped += runSecond();
        guiCpuNs += UnitsThread::threadCpuNs() - cpuStart;
        seconds.push_back(clock.nsecsElapsed() - start);
        wallNs += seconds.back();
        // The units' thread has posted its last delivery; it only hands
        // back its job now.
        state.PauseTiming();
        const UnitsThread::Spent spent = units.wait();
        unitsCpuNs += spent.cpuNs;
        unitsWallNs += spent.wallNs;
        state.ResumeTiming();
    }
    const double iterations = double(std::max<qint64>(1, state.iterations()));
    auto perSecondUs = [iterations](qint64 ns) { return double(ns) / iterations / 1000.0; };
    std::nth_element(seconds.begin(), seconds.begin() + seconds.size() / 2, seconds.end());
    state.counters["medianSecondUs"] = seconds.empty() ? 0.0 : double(seconds[seconds.size() / 2]) / 1000.0;
    state.counters["overlapped"] = double(overlapped) / iterations;
    state.counters["concurrentDeliveries"] =
        double(site.deliveredWhileUnitsRan) / double(std::max<qint64>(1, site.delivered));
    state.counters["deliveries"] = double(site.delivered) / iterations;
    state.counters["guiCpuUs"] = perSecondUs(guiCpuNs);
    if (loopSleep.available()) {
        const qint64 asleepNs = EventLoopSleep::total() - asleepBefore;
        state.counters["asleepUs"] = perSecondUs(asleepNs);
        state.counters["blockedUs"] = perSecondUs(wallNs - guiCpuNs - asleepNs);
    }
    state.counters["unitsCpuUs"] = perSecondUs(unitsCpuNs);
    state.counters["unitsWallUs"] = perSecondUs(unitsWallNs);
    state.counters["eventRounds"] = double(rounds) / iterations;
    state.counters["devices"] = site.rows.size();
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
BENCHMARK(BM_SecondTick)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
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
// buildStormSite). One iteration is one second of GUI-thread work: the
// heartbeats, the ticks and the repaint.
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
// while the event loop runs as in the program, with state.range(0) rows in
// the alarm log: every second each device's heartbeat and tick, each
// sensor's and the voltage rows of the 32 energizers arrive through the
// window's mailboxes, as the units deliver them, an alarm row for every
// energizer and sensor that changed as a queued call of its own, and the
// map repaints. The database manager's
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
