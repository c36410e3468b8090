// The control unit's work per heartbeat and per tick for a full gateway of
// 32 energizers and 31 IO cards, under the alarm conditions the program
// ships, wired as the window wires it: the unit on a thread of its own, the
// gateway client's data queued to it from the GUI thread (here the bench's
// main thread), its heartbeats and ticks back through one HandleMailbox, its
// voltage rows through another, its commands queued to the client, its
// alarm-log rows handed on its own thread to the alarm log's feed, which
// stamps each and hands it to the log writer on the writer's thread (a
// private copy of the shipped database, prepared as the program's start
// prepares it). The feed's log view (not shown) takes the rows it keeps
// and hears of them written on the GUI thread, as in the program; the
// writer commits a heartbeat's rows, untimed, before the next heartbeat,
// as it does in the second between two. Each iteration is timed until the
// GUI thread has run every delivery the unit sent: what the window's own
// slots then do with the heartbeats, ticks and voltage rows is
// bench_mainwindow's.
#include "benchmain.h"
#include "benchdata.h"
#include "alarmcondition.h"
#include "alarmlogfeed.h"
#include "alarmlogwidget.h"
#include "controlunit.h"
#include "gatewaysubtree.h"
#include "handlemailbox.h"
#include "node.h"
#include "qtclient.h"
#include "shippedconditions.h"
#include "treemodel.h"

#include <QApplication>
#include <QEventLoop>
#include <QSqlQuery>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

const QString kAddress = QStringLiteral("127.0.0.1");
constexpr int DeviceCount = 63;
constexpr int kEnergizers = 32;

class Site
{
public:
    Site()
    {
        qtClient::registerMetaTypes();
        model.setRootNode(new Node(QStringLiteral("Name")));
        GatewaySubtree gateway(kAddress);
        gatewayRow = gateway.statusNode.release();
        element.reset(gateway.elementNode.release());
        model.insertNode(model.rootNode(), -1, gatewayRow);

        client.setTiming(standingLinkTiming());
        client.setPort(1);
        client.moveTo(kAddress);  // only to fix the address the data come from
        // A refused attempt would tell the link lost and its data invalid.
        client.abortSocket();
        client.no_of_energizers = kEnergizers;
        client.no_of_iocards = DeviceCount - kEnergizers;
        client.dataValid = true;

        // As DeviceUnits and MainWindow::connectGatewayUnit wire them.
        unit.energizerModel = &model;
        unit.connectClient(&client, Qt::QueuedConnection);
        queueAsHandle(&unit, &ControlUnit::energHearbeat, &deliveries, [this](Node*, bool) { ++received.heartbeats; });
        queueAsHandle(&unit, &ControlUnit::energTick, &deliveries, [this](Node*) { ++received.ticks; });
        queueAsHandle(&unit, &ControlUnit::writeVoltageLog, &voltageDeliveries,
                      [this](Node*) { ++received.voltageRows; });
        QObject::connect(&unit, &ControlUnit::writeAlarmLog, alarmLog.feed(), &AlarmLogFeed::add, Qt::DirectConnection);
        QObject::connect(
            &unit, &ControlUnit::sendCmd, &client, [this](int, char, char, char, bool) { ++received.commands; },
            Qt::QueuedConnection);
        unitThread.setObjectName(QStringLiteral("ControlUnit"));
        unit.moveToThread(&unitThread);
        unitThread.start();
    }

    ~Site()
    {
        // The unit goes back to this thread to be deleted here.
        QThread* here = QThread::currentThread();
        QMetaObject::invokeMethod(
            &unit, [this, here] { unit.moveToThread(here); }, Qt::BlockingQueuedConnection);
        unitThread.quit();
        unitThread.wait();
    }

    static DeviceData record(int n, bool alarm)
    {
        DeviceData data(Kx4Image::kBlockSize, 0);
        data[0] = quint8(n);
        if (n <= kEnergizers) {
            data[9] = 0x60;
            data[13] = 0x82;
            data[20] = 0x82;
            data[16] = 0x40;
            data[23] = 0x40;
            data[12] = alarm ? 0x80 : 0;
        } else {
            data[4] = alarm ? 0x01 : 0;   // input 1
            data[6] = 0x05;
            data[30] = alarm ? 0x01 : 0;  // comms fail: the card's state changes too
        }
        return data;
    }

    // One heartbeat as the client hands it over: its records and its image
    // in the unit's inbox, the unit woken on its thread.
    void heartbeat(bool alarm) { deliver(images[alarm], (quint64(2) << DeviceCount) - 2, true); }

    void deliver(const Kx4Image::Raw& image, quint64 devices, bool heartbeat)
    {
        if (client.inbox().put(image.data(), devices, true, heartbeat))
            emit client.dataWaiting();
    }

    // The timer unit's tick, queued to the unit's thread.
    void tick() { QMetaObject::invokeMethod(&unit, &ControlUnit::afterTimer, Qt::QueuedConnection); }

    // Runs this thread's events until the unit has done all it was handed
    // and this thread has run every delivery it sent meanwhile: the unit
    // answers after its work, and its answer queues up behind them.
    void settle()
    {
        QEventLoop loop;
        QMetaObject::invokeMethod(
            &unit,
            [this, &loop] { QMetaObject::invokeMethod(&client, [&loop] { loop.quit(); }, Qt::QueuedConnection); },
            Qt::QueuedConnection);
        loop.exec();
    }

    // Also brings the unit's link up: a link counts as up from the read
    // sweep's image on, which the steady records stand for here.
    void prepareRecords()
    {
        for (int variant = 0; variant < 2; ++variant)
            for (int n = 0; n < Kx4Image::kBlockCount; ++n)
                std::copy_n(record(n, variant == 1).constData(), Kx4Image::kBlockSize,
                            images[variant].begin() + n * Kx4Image::kBlockSize);
        deliver(images[0], 0, false);
    }

    // What this thread received, counted as it ran the deliveries.
    struct Received
    {
        qint64 heartbeats = 0;
        qint64 ticks = 0;
        qint64 voltageRows = 0;
        qint64 commands = 0;
    };

    // Returns once every row handed over is written and the news of it,
    // and the rows the feed keeps for its view, have reached this thread.
    static void rowsCommitted()
    {
        while (!WriteBatch::instance().commit()) {
        }
        QCoreApplication::processEvents();
    }

    // The alarm rows in the database once every row handed over is written.
    static qint64 alarmRowsWritten()
    {
        rowsCommitted();
        QSqlQuery count(QStringLiteral("select count(*) from logAlarm"));
        return count.next() ? count.value(0).toLongLong() : -1;
    }

    // Starts counting what arrives within the timing (call it just before
    // the timed loop); false, the bench skipped, without the conditions.
    bool start(benchmark::State& state, int conditions)
    {
        state.counters["conditions"] = conditions;
        if (conditions == 0) {
            state.SkipWithError("the shipped alarm conditions could not be read");
            return false;
        }
        atStart = received;
        rowsAtStart = alarmRowsWritten();
        return true;
    }

    // Counters per iteration of what arrived within the timing (a bench
    // whose deliveries ran outside it shows 0 there); skips when fewer than
    // `perIteration` heartbeats and ticks came, or fewer than `rowsPerIteration`
    // alarm rows were fed and written. `rowsFed` counts the rows in the
    // table: those the feed handed over within the timing.
    void report(benchmark::State& state, int perIteration, int rowsPerIteration = 0)
    {
        const qint64 rows = alarmRowsWritten() - rowsAtStart;
        const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
        const qint64 heartbeats = received.heartbeats - atStart.heartbeats;
        const qint64 ticks = received.ticks - atStart.ticks;
        state.counters["heartbeatsDelivered"] = double(heartbeats) / n;
        state.counters["ticksDelivered"] = double(ticks) / n;
        state.counters["voltageDelivered"] = double(received.voltageRows - atStart.voltageRows) / n;
        state.counters["commandsDelivered"] = double(received.commands - atStart.commands) / n;
        state.counters["rowsFed"] = double(rows) / n;
        state.SetItemsProcessed(state.iterations() * DeviceCount);
        if (heartbeats + ticks < qint64(state.iterations()) * perIteration)
            state.SkipWithError("the deliveries did not all run within the timing");
        else if (rows < qint64(state.iterations()) * rowsPerIteration)
            state.SkipWithError("not every alarm row was fed and written");
    }

    PreparedDatabase database;
    AlarmLogWidget alarmLog;
    TreeModel model;
    std::unique_ptr<Node> element;
    Node* gatewayRow = nullptr;
    qtClient client{0};
    HandleMailbox deliveries;
    HandleMailbox voltageDeliveries;
    ControlUnit unit;
    QThread unitThread;
    Kx4Image::Raw images[2]{};
    Received received;
    Received atStart;
    qint64 rowsAtStart = 0;
};

// A heartbeat whose records are the same as the last: decode, evaluate,
// signal, delivered.
void BM_HeartbeatSteady(benchmark::State& state)
{
    const int conditions = installShippedConditions();
    Site site;
    site.prepareRecords();
    site.heartbeat(false);
    site.heartbeat(false);
    site.settle();
    if (!site.start(state, conditions))
        return;
    for (auto _ : state) {
        site.heartbeat(false);
        site.settle();
    }
    site.report(state, DeviceCount);
}
BENCHMARK(BM_HeartbeatSteady)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Every device changes state on every heartbeat: alarm lines and output mapping too.
void BM_HeartbeatEveryDeviceChanges(benchmark::State& state)
{
    const int conditions = installShippedConditions();
    Site site;
    MappingRecord out;
    out.id = 40;
    out.codedValue[0] = 0x0400;  // relay 1 follows fence 1 alarm
    for (int n = 1; n <= kEnergizers; ++n)
        site.element->child(n - 1)->outputMappings = {out};
    site.prepareRecords();
    site.heartbeat(false);
    site.settle();
    if (!site.start(state, conditions))
        return;
    bool alarm = false;
    for (auto _ : state) {
        alarm = !alarm;
        site.heartbeat(alarm);
        site.settle();
        // Heartbeats come a second apart: the writer has committed a
        // heartbeat's rows, and the log's view taken them, before the next
        // comes. Back to back, the rows would come faster than the writer
        // takes them, and its queue would fill.
        state.PauseTiming();
        site.rowsCommitted();
        state.ResumeTiming();
    }
    // One state-change row per device and heartbeat at least, or the name lies.
    site.report(state, DeviceCount, DeviceCount);
}
BENCHMARK(BM_HeartbeatEveryDeviceChanges)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The one-second tick over 63 present devices.
void BM_Tick(benchmark::State& state)
{
    const int conditions = installShippedConditions();
    Site site;
    site.prepareRecords();
    site.heartbeat(true);
    site.settle();
    if (!site.start(state, conditions))
        return;
    for (auto _ : state) {
        site.tick();
        site.settle();
    }
    site.report(state, DeviceCount);
}
BENCHMARK(BM_Tick)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
