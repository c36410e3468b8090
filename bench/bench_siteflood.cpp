// An alarm flood through the whole program as an operator has it: the main
// window after log-in, shown, with the Logs dock in front showing the alarm
// log, over a site whose gateway box points at a gateway stand-in on
// 127.0.0.1. The stand-in pushes alarm changes at a fixed rate from a thread
// of its own, paced by a timer (nothing of it spins on the program's
// threads). The database is prepared as the start-up prepares it, its
// upkeep runs beside it, and the log writer is owned as the start-up owns
// it; the program's message handler writes the diagnostic lines (run with
// 2>/dev/null).
//
// Measured:
// - how long the window takes to answer: a thread of its own writes a
//   ping to a socket every 50 ms, as the window manager's _NET_WM_PING
//   reaches the program, and the GUI thread answers it from its event
//   loop; the worst answer during the flood and from 5 s after it;
// - how long a row takes from its push to its commit (a connection of the
//   stand-in's thread reads the newest key every 10 ms), the worst row;
// - the alarm rows written against the changes pushed, and their order;
// - the resident memory the flood adds, at its peak;
// - with a SIGTERM during the flood: how long the program takes to end
//   (window gone, log writer finished), and the rows the control unit
//   produced against the rows on disk.
#include "alarmflood.h"
#include "alarmlogwidget.h"
#include "benchdata.h"
#include "benchmain.h"
#include "controlunit.h"
#include "floodsamples.h"
#include "gatewaysimulator.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "linktiming.h"
#include "logsarea.h"
#include "mainwindow.h"
#include "messagehandler.h"
#include "node.h"
#include "projectdocument.h"
#include "qtclient.h"
#include "shutdownsignals.h"
#include "treemodel.h"
#include "workspacearea.h"
#include "writebatch.h"

#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Energizers = 32;
constexpr int PingMs = 50;
constexpr int SampleMs = 10;
// Answers measured for this long once the window should answer again.
constexpr qint64 SettledSpanMs = 10000;
constexpr qint64 SettleAfterMs = 5000;
// How long the rows may take to arrive after the flood before the count is
// taken as it stands.
constexpr qint64 RowsWaitMs = 120000;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

qint64 statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// The peak resident size starts again from the present one.
bool resetPeakResident()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

// Turns the event loop until `done` holds or `msecs` have passed, looking
// every 20 ms: the GUI thread sleeps in between as the program's does.
bool waitFor(const std::function<bool()>& done, qint64 msecs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > msecs)
            loop.quit();
    });
    look.start(20);
    if (!done())
        loop.exec();
    return done();
}

// A private home with the database made from the schema, prepared as the
// start-up prepares it, the shipped default parameters and settings that
// reopen nothing and play no sound; the user logged in.
struct SiteHome
{
    SiteHome()
    {
        for (const char* name : {"brenik.db", "DefaultParams.xml"}) {
            const QString target = dir.filePath(QLatin1String(name));
            QFile::copy(QStringLiteral(LUMETRA_RUNTIME_DIR "/") + QLatin1String(name), target);
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        }
        QFile settings(dir.filePath(QStringLiteral("setting.ini")));
        settings.open(QIODevice::WriteOnly);
        settings.write("[General]\nLoadLastFile=false\nSoundAlarmActive=false\n");
        settings.close();
        qputenv("LUMETRA_HOME", dir.path().toUtf8());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(dir.filePath(QStringLiteral("brenik.db")));
        db.open();
        DatabaseManager::prepareForUse();
        upkeep = std::make_unique<UpkeepThread>();
        g_currentUser = QStringLiteral("admin");
    }
    ~SiteHome()
    {
        upkeep.reset();
        QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    }
    QTemporaryDir dir;
    std::unique_ptr<UpkeepThread> upkeep;
};

// A ping written to a socket by a thread of its own every PingMs; the GUI
// thread reads it from its event loop, as it reads the window manager's.
class PingProbe
{
public:
    PingProbe()
    {
        ::socketpair(AF_UNIX, SOCK_STREAM, 0, m_fds);
        m_notifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { answer(); });
        m_thread = std::thread([this] {
            std::unique_lock<std::mutex> lock(m_mutex);
            while (!m_stop) {
                const qint64 sent = nowNs();
                [[maybe_unused]] const ssize_t written = ::write(m_fds[1], &sent, sizeof sent);
                m_wake.wait_for(lock, std::chrono::milliseconds(PingMs), [this] { return m_stop; });
            }
        });
    }
    ~PingProbe()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
        m_notifier.reset();
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    // The slowest answer to a ping sent within [fromNs, toNs).
    double worstMs(qint64 fromNs, qint64 toNs) const
    {
        qint64 worst = 0;
        for (const auto& [sent, answered] : m_answers)
            if (sent >= fromNs && sent < toNs)
                worst = std::max(worst, answered - sent);
        return worst / 1e6;
    }

private:
    void answer()
    {
        qint64 sent = 0;
        while (::recv(m_fds[0], &sent, sizeof sent, MSG_DONTWAIT) == ssize_t(sizeof sent))
            m_answers.emplace_back(sent, nowNs());
    }

    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::vector<std::pair<qint64, qint64>> m_answers;
};

// A count over time, read on the stand-in's thread.
using Sample = FloodSample;

// The gateway stand-in on a thread of its own. Every SampleMs it notes
// there the changes pushed so far and, through a connection of its own,
// the alarm rows committed; and the resident memory, so a frozen window
// misses no peak.
class FloodGateway
{
public:
    explicit FloodGateway(const QString& databaseFile)
    {
        anchor.moveToThread(&thread);
        thread.start();
        run([this, databaseFile] {
            sim = new GatewaySimulator;
            flood = new AlarmFlood(Energizers);
            sim->setDeviceCounts(Energizers, 31);
            for (int device = 1; device <= Energizers; ++device)
                sim->setBlock(device, AlarmFlood::energizerRecord(device, false));
            sim->listen(QHostAddress::LocalHost);
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("flood-watch"));
            db.setDatabaseName(databaseFile);
            db.open();
            sampler = new QTimer;
            sampler->setTimerType(Qt::PreciseTimer);
            QObject::connect(sampler, &QTimer::timeout, [this] { sample(); });
            sampler->start(SampleMs);
        });
    }
    ~FloodGateway()
    {
        run([this] {
            delete sampler;
            delete flood;
            delete sim;
            QSqlDatabase::database(QStringLiteral("flood-watch"), false).close();
        });
        QSqlDatabase::removeDatabase(QStringLiteral("flood-watch"));
        thread.quit();
        thread.wait();
    }
    // Runs `work` on the stand-in's thread and returns when it is done.
    void run(const std::function<void()>& work)
    {
        QMetaObject::invokeMethod(&anchor, work, Qt::BlockingQueuedConnection);
    }
    qint64 newestKey()
    {
        QSqlQuery query(QStringLiteral("select coalesce(max(id), 0) from logAlarm"),
                        QSqlDatabase::database(QStringLiteral("flood-watch"), false));
        return query.next() ? query.value(0).toLongLong() : -1;
    }
    void startSampling(qint64 firstKey)
    {
        run([this, firstKey] {
            m_firstKey = firstKey;
            committed = 0;
            pushes.clear();
            commits.clear();
            sampling = true;
        });
    }

    QThread thread;
    QObject anchor;
    GatewaySimulator* sim = nullptr;
    AlarmFlood* flood = nullptr;
    QTimer* sampler = nullptr;
    // Read once sampling has stopped.
    std::vector<Sample> pushes;
    std::vector<Sample> commits;
    std::atomic<qint64> committed{0};
    std::atomic<qint64> peakKiB{0};
    std::atomic<int> peakPending{0};
    std::atomic<bool> sampling{false};
    std::atomic<bool> stopped{false};
    const WriteBatch* batch = nullptr;

private:
    void sample()
    {
        if (!sampling || stopped)
            return;
        const qint64 now = nowNs();
        pushes.push_back({now, flood->pushed()});
        const qint64 key = newestKey();
        if (key >= 0) {
            commits.push_back({now, key - m_firstKey});
            committed = key - m_firstKey;
        }
        if (++m_ticks % 5 == 0)
            peakKiB = std::max(peakKiB.load(), statusKiB("VmRSS:"));
        if (batch)
            peakPending = std::max(peakPending.load(), batch->pendingRows());
    }
    qint64 m_firstKey = 0;
    int m_ticks = 0;
};

// A gateway box on the first workspace, filed as a placed box files it,
// with a fence line under energizer 1's first sector.
void placeGateway(GraphicsScene* scene, const QString& ip)
{
    auto* gateway = new GraphicsBox(GraphicsBox::GatewayBox);
    gateway->setIP(ip);
    gateway->setPos(420, 40);
    scene->addItem(gateway);
    g_elementTreeModel->insertNode(scene->workplaceNode(), -1, gateway->node());
    g_energizerModel->insertNode(g_energizerModel->rootNode(), -1, gateway->energizerNode());
    auto* fence = new GraphicsLine();
    for (const QPointF& p : {QPointF(40, 300), QPointF(400, 300), QPointF(400, 420)})
        fence->appendPoint(p);
    fence->setLineWidth(6);
    fence->updateShape();
    scene->addItem(fence);
    fence->setName(QStringLiteral("fence1"));
    g_elementTreeModel->insertNode(gateway->node()->child(0)->child(0), -1, fence->node());
}

// The flood's alarm rows, in the order of their keys: true for a row that
// puts an energizer in alarm. Rows of other sources are left out.
struct FloodRows
{
    QVector<int> devices;
    QVector<bool> alarms;
    qint64 all = 0; // every alarm row after the start, the link's own ones too
    int inOrder() const
    {
        int rows = 0;
        for (int k = 0; k < devices.size(); ++k) {
            const bool alarm = (k / Energizers) % 2 == 0;
            if (devices[k] != k % Energizers + 1 || alarms[k] != alarm)
                break;
            ++rows;
        }
        return rows;
    }
};

FloodRows readFloodRows(qint64 afterId)
{
    FloodRows rows;
    QSqlQuery query;
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("select source, info from logAlarm where id > ? and info like 'change status to %' "
                                 "order by id"));
    query.addBindValue(afterId);
    query.exec();
    while (query.next()) {
        const QString source = query.value(0).toString();
        if (!source.startsWith(QLatin1String("Energ")))
            continue;
        rows.devices.append(source.midRef(5).toInt());
        rows.alarms.append(query.value(1).toString() != QLatin1String("change status to OK"));
    }
    query.prepare(QStringLiteral("select count(*) from logAlarm where id > ?"));
    query.addBindValue(afterId);
    if (query.exec() && query.next())
        rows.all = query.value(0).toLongLong();
    return rows;
}

qint64 lastAlarmId()
{
    QSqlQuery query(QStringLiteral("select coalesce(max(id), 0) from logAlarm"));
    return query.next() ? query.value(0).toLongLong() : 0;
}

// The window after log-in with the alarm log in front, its gateway linked
// and swept, ready for the flood.
struct FloodSite
{
    FloodSite()
        : logRows(std::make_unique<WriteBatch>())
        , gateway(home.dir.filePath(QStringLiteral("brenik.db")))
        , window(std::make_unique<MainWindow>())
    {
        window->resize(1200, 800);
        window->show();
        auto* logs = window->findChild<QDockWidget*>(QStringLiteral("dockLogs"));
        logs->show();
        logs->raise();
        const QString address = QStringLiteral("127.0.0.1");
        placeGateway(window->workspaces()->currentScene(), address);
        window->project()->setModified(false);

        quint16 port = 0;
        gateway.run([&] { port = gateway.sim->port(); });
        qtClient* client = window->units()->fenceClient();
        LinkTiming timing;
        timing.sweepStartDelayMs = 10;
        client->setTiming(timing);
        client->setPort(port);
        client->moveTo(address);
        bool connected = false;
        waitFor([&] {
            gateway.run([&] { connected = gateway.sim->isConnected(); });
            return connected;
        }, 10000);
        gateway.run([&] {
            gateway.sim->sendHeartbeat();
            gateway.sim->startHeartbeats(1000);
        });
        ready = waitFor([&] { return client->dataValid.load(); }, 20000);
        waitFor([] { return false; }, 1000);  // the sweep's rows settle
        logRows->commit();
        startId = lastAlarmId();
        // Every alarm row the control unit makes, counted where it is made.
        QObject::connect(window->units()->controlUnit(), &ControlUnit::writeAlarmLog, window->units()->controlUnit(),
                         [this] { ++produced; }, Qt::DirectConnection);
    }
    ~FloodSite()
    {
        gateway.run([&] { gateway.sim->stopHeartbeats(); });
        window.reset();
        logRows->finish();
    }
    // Starts the flood and the measures.
    void startFlood(int rate, int durationMs)
    {
        peakReset = resetPeakResident();
        rssBefore = statusKiB("VmRSS:");
        gateway.peakKiB = rssBefore;
        gateway.batch = logRows.get();
        produced = 0;
        gateway.startSampling(startId);
        gateway.run([&] {
            QObject::connect(gateway.flood, &AlarmFlood::finished, gateway.flood, [this] { finished = true; });
            gateway.flood->start(gateway.sim, rate, durationMs);
        });
        floodStartNs = nowNs();
    }

    SiteHome home;
    std::unique_ptr<WriteBatch> logRows;  // as the start-up owns it
    FloodGateway gateway;
    std::unique_ptr<MainWindow> window;
    bool ready = false;
    qint64 startId = 0;
    qint64 rssBefore = 0;
    bool peakReset = false;
    qint64 floodStartNs = 0;
    std::atomic<bool> finished{false};
    std::atomic<qint64> produced{0};
};

// Runs `flood` on a site made ready for it, once per iteration, with the
// program's message handler. Arguments: changes a second, seconds of flood.
void eachFlood(benchmark::State& state, const std::function<void(FloodSite&, int rate, int durationMs)>& flood)
{
    const QtMessageHandler previous = qInstallMessageHandler(debugMessageHandler);
    for (auto _ : state) {
        FloodSite site;
        if (!site.ready) {
            state.SkipWithError("the read sweep did not complete");
            break;
        }
        flood(site, int(state.range(0)), int(state.range(1)) * 1000);
    }
    qInstallMessageHandler(previous);
}

void BM_SiteFlood(benchmark::State& state)
{
    eachFlood(state, [&state](FloodSite& site, int rate, int durationMs) {
        PingProbe ping;
        site.startFlood(rate, durationMs);
        waitFor([&] { return site.finished.load(); }, durationMs + 60000);
        const qint64 floodEndNs = site.floodStartNs + qint64(durationMs) * 1000000;
        const qint64 settledFromNs = floodEndNs + SettleAfterMs * 1000000;
        const qint64 settledEndNs = settledFromNs + SettledSpanMs * 1000000;
        waitFor([&] { return nowNs() >= settledEndNs; }, SettleAfterMs + SettledSpanMs + 60000);
        const qint64 pushed = site.gateway.flood->pushed();
        waitFor([&] { return site.gateway.committed.load() >= pushed; }, RowsWaitMs);
        site.gateway.stopped = true;
        site.gateway.run([] {});
        const qint64 peakKiB =
            std::max(site.gateway.peakKiB.load(), site.peakReset ? statusKiB("VmHWM:") : qint64(0));

        site.logRows->commit();
        const FloodRows rows = readFloodRows(site.startId);
        state.counters["pushed"] = double(pushed);
        state.counters["rows"] = double(rows.devices.size());
        state.counters["in_order"] = double(rows.inOrder());
        state.counters["ping_flood_ms"] = ping.worstMs(site.floodStartNs, floodEndNs);
        state.counters["ping_settled_ms"] = ping.worstMs(settledFromNs, settledEndNs);
        state.counters["row_commit_worst_ms"] = worstRowMs(site.gateway.pushes, site.gateway.commits, pushed);
        state.counters["rss_before_MiB"] = double(site.rssBefore) / 1024;
        state.counters["rss_added_MiB"] = double(peakKiB - site.rssBefore) / 1024;
        state.counters["pending_max"] = site.gateway.peakPending.load();
    });
}
BENCHMARK(BM_SiteFlood)
    ->Args({10000, 20})
    ->Args({20000, 20})
    ->Args({1000, 20})
    ->ArgNames({"per_s", "s"})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

// A SIGTERM `at` seconds into the flood: the program ends as the start-up
// ends it (the windows closed, the window gone, the log writer finished).
// Arguments: changes a second, seconds of flood, seconds to the signal.
void BM_SiteFloodSigterm(benchmark::State& state)
{
    const int signalMs = int(state.range(2)) * 1000;
    eachFlood(state, [&state, signalMs](FloodSite& site, int rate, int durationMs) {
        ShutdownSignals shutdown;
        QObject::connect(&shutdown, &ShutdownSignals::received, [] { QApplication::closeAllWindows(); });
        site.startFlood(rate, durationMs);
        waitFor([&] { return nowNs() >= site.floodStartNs + qint64(signalMs) * 1000000; }, signalMs + 60000);
        const qint64 signalNs = nowNs();
        ::kill(::getpid(), SIGTERM);
        waitFor([&] { return !site.window->isVisible(); }, 60000);
        const double closedS = (nowNs() - signalNs) / 1e9;
        site.window.reset();
        const qint64 produced = site.produced.load();
        site.logRows->finish();
        const double endS = (nowNs() - signalNs) / 1e9;
        site.gateway.stopped = true;
        site.gateway.run([&] { site.gateway.flood->stop(); });

        const FloodRows rows = readFloodRows(site.startId);
        state.counters["closed_s"] = closedS;
        state.counters["end_s"] = endS;
        state.counters["produced"] = double(produced);
        state.counters["rows"] = double(rows.devices.size());
        // Against every row made, the flood's and those of the link going
        // down as the window goes.
        state.counters["lost"] = double(produced - rows.all);
        state.counters["in_order"] = double(rows.inOrder());
    });
}
BENCHMARK(BM_SiteFloodSigterm)
    ->Args({10000, 20, 10})
    ->Args({20000, 20, 10})
    ->ArgNames({"per_s", "s", "at"})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
