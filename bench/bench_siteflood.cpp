// An alarm flood through the whole program: the main window over a site
// whose gateway box points at a gateway stand-in on 127.0.0.1, which pushes
// alarm changes at a fixed rate from a thread of its own (so a window that
// lags does not slow the flood down). Measured: the alarm rows written
// against the changes pushed and whether they are in the pushed order; the
// worst lateness of a 10 ms timer on the GUI thread during the flood and
// from 5 s after it; the process's resident memory before, at its peak and
// after; the most rows waiting for the log writer at once, and how long after
// the flood the last of its rows reached the alarm log. The program's message handler writes the diagnostic lines, as in
// the program (run with 2>/dev/null).
#include "alarmflood.h"
#include "benchmain.h"
#include "controlunit.h"
#include "gatewaysimulator.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "linktiming.h"
#include "mainwindow.h"
#include "workspacearea.h"
#include "messagehandler.h"
#include "node.h"
#include "qtclient.h"
#include "treemodel.h"
#include "writebatch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <functional>
#include <memory>

namespace {

constexpr int Energizers = 32;
constexpr int TimerMs = 10;
// Gaps measured for this long once the window should answer again.
constexpr qint64 SettledSpanMs = 10000;
constexpr qint64 SettleAfterMs = 5000;
// How long the rows may take to arrive after the flood before the count is
// taken as it stands.
constexpr qint64 RowsWaitMs = 120000;

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Runs `work` until it returns true, letting the events through, or until
// `msecs` have passed.
bool waitFor(const std::function<bool()>& work, qint64 msecs)
{
    QElapsedTimer clock;
    clock.start();
    while (!work()) {
        if (clock.elapsed() > msecs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// A private home with the database made from the schema, the shipped
// default parameters and settings that reopen nothing and play no sound.
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
        g_currentUser = QStringLiteral("admin");
    }
    ~SiteHome()
    {
        QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    }
    QTemporaryDir dir;
};

// The gateway stand-in on a thread of its own; its resident memory is
// sampled there too, so a frozen window misses no peak.
class FloodGateway
{
public:
    FloodGateway()
    {
        anchor.moveToThread(&thread);
        thread.start();
        run([this] {
            sim = new GatewaySimulator;
            flood = new AlarmFlood(Energizers);
            sim->setDeviceCounts(Energizers, 31);
            for (int device = 1; device <= Energizers; ++device)
                sim->setBlock(device, AlarmFlood::energizerRecord(device, false));
            sim->listen(QHostAddress::LocalHost);
            sampler = new QTimer;
            QObject::connect(sampler, &QTimer::timeout, [this] {
                if (!sampling)
                    return;
                peakKiB = std::max(peakKiB.load(), residentKiB());
                if (batch)
                    peakPending = std::max(peakPending.load(), batch->pendingRows());
            });
            sampler->start(50);
        });
    }
    ~FloodGateway()
    {
        run([this] {
            delete sampler;
            delete flood;
            delete sim;
        });
        thread.quit();
        thread.wait();
    }
    // Runs `work` on the stand-in's thread and returns when it is done.
    void run(const std::function<void()>& work)
    {
        QMetaObject::invokeMethod(&anchor, work, Qt::BlockingQueuedConnection);
    }

    QThread thread;
    QObject anchor;
    GatewaySimulator* sim = nullptr;
    AlarmFlood* flood = nullptr;
    QTimer* sampler = nullptr;
    std::atomic<qint64> peakKiB{0};
    std::atomic<int> peakPending{0};
    std::atomic<bool> sampling{false};
    const WriteBatch* batch = nullptr;
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

// The lateness of a 10 ms timer on the GUI thread: each gap is kept as its
// start and end on the run's clock.
struct Gap
{
    qint64 start;
    qint64 end;
};

class LatenessProbe
{
public:
    explicit LatenessProbe(const QElapsedTimer& clock)
        : m_clock(clock)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            if (now - m_last > TimerMs)
                gaps.push_back({m_last, now});
            m_last = now;
        });
        m_last = m_clock.elapsed();
        m_timer.start(TimerMs);
    }
    // The worst lateness within [from, to): how long past its due time the
    // timer could not run, counting only the part of a gap inside the span.
    double worstMs(qint64 from, qint64 to) const
    {
        qint64 worst = 0;
        for (const Gap& gap : gaps) {
            const qint64 start = std::max(gap.start, from);
            const qint64 end = std::min(gap.end, to);
            if (end > start)
                worst = std::max(worst, end - start - (gap.start >= from ? TimerMs : 0));
        }
        return double(worst);
    }
    std::vector<Gap> gaps;

private:
    const QElapsedTimer& m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
};

// The flood's alarm rows, in the order of their keys: true for a row that
// puts an energizer in alarm. Rows of other sources are left out.
struct FloodRows
{
    QVector<int> devices;
    QVector<bool> alarms;
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
    return rows;
}

qint64 lastAlarmId()
{
    QSqlQuery query(QStringLiteral("select coalesce(max(id), 0) from logAlarm"));
    return query.next() ? query.value(0).toLongLong() : 0;
}

// Arguments: changes a second, seconds of flood.
void BM_SiteFlood(benchmark::State& state)
{
    const int rate = int(state.range(0));
    const int durationMs = int(state.range(1)) * 1000;
    const QtMessageHandler previous = qInstallMessageHandler(debugMessageHandler);
    for (auto _ : state) {
        SiteHome home;
        WriteBatch logRows;  // as the start-up owns it
        FloodGateway gateway;
        auto window = std::make_unique<MainWindow>();
        window->resize(1200, 800);
        window->show();
        const QString address = QStringLiteral("127.0.0.1");
        placeGateway(window->workspaces()->currentScene(), address);

        // The link comes up and the read sweep fills the rows.
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
        if (!waitFor([&] { return client->dataValid.load(); }, 20000)) {
            state.SkipWithError("the read sweep did not complete");
            break;
        }
        waitFor([] { return false; }, 1000);  // the sweep's rows settle
        logRows.commit();
        const qint64 startId = lastAlarmId();
        const qint64 rssBefore = residentKiB();
        gateway.peakKiB = rssBefore;
        gateway.batch = &logRows;
        gateway.sampling = true;

        QElapsedTimer clock;
        clock.start();
        LatenessProbe probe(clock);
        // When the last of the flood's rows reaches the alarm log.
        qint64 guiRows = 0;
        qint64 caughtUp = -1;
        QObject counter;
        QObject::connect(window->units()->controlUnit(), &ControlUnit::writeAlarmLog, &counter, [&] {
            if (++guiRows == qint64(rate) * durationMs / 1000)
                caughtUp = clock.elapsed();
        }, Qt::QueuedConnection);
        std::atomic<bool> finished{false};
        qint64 pushed = 0;
        gateway.run([&] {
            QObject::connect(gateway.flood, &AlarmFlood::finished, gateway.flood, [&] {
                pushed = gateway.flood->pushed();
                finished = true;
            });
            gateway.flood->start(gateway.sim, rate, durationMs);
        });
        const qint64 floodStart = clock.elapsed();
        waitFor([&] { return finished.load(); }, durationMs + 60000);
        const qint64 floodEnd = floodStart + durationMs;
        waitFor([&] { return clock.elapsed() >= floodEnd + SettleAfterMs + SettledSpanMs; }, LLONG_MAX);
        const qint64 settledEnd = clock.elapsed();
        gateway.sampling = false;
        const qint64 rssAfter = residentKiB();

        // Every row the flood caused, once they have all come through.
        FloodRows rows;
        waitFor([&] {
            logRows.commit();
            rows = readFloodRows(startId);
            return rows.devices.size() >= pushed;
        }, RowsWaitMs);
        state.counters["pending_max"] = gateway.peakPending.load();
        int inOrder = 0;
        for (int k = 0; k < rows.devices.size(); ++k) {
            const bool alarm = (k / Energizers) % 2 == 0;
            if (rows.devices[k] != k % Energizers + 1 || rows.alarms[k] != alarm)
                break;
            ++inOrder;
        }

        state.counters["pushed"] = double(pushed);
        state.counters["rows"] = double(rows.devices.size());
        state.counters["in_order"] = double(inOrder);
        state.counters["flood_late_ms"] = probe.worstMs(floodStart, floodEnd);
        state.counters["settled_late_ms"] = probe.worstMs(floodEnd + SettleAfterMs, settledEnd);
        state.counters["rss_before_MiB"] = double(rssBefore) / 1024;
        state.counters["rss_peak_MiB"] = double(gateway.peakKiB.load()) / 1024;
        state.counters["rss_after_MiB"] = double(rssAfter) / 1024;
        state.counters["log_behind_s"] = double(caughtUp - floodEnd) / 1000;

        gateway.run([&] { gateway.sim->stopHeartbeats(); });
        window.reset();
        logRows.finish();
    }
    qInstallMessageHandler(previous);
}
BENCHMARK(BM_SiteFlood)
    ->Args({10000, 20})
    ->Args({10000, 40})
    ->Args({1000, 20})
    ->ArgNames({"per_s", "s"})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
