// The alarm flood path: a gateway pushes alarm changes as fast as the program
// takes them. The pushed bytes go to the gateway client on this (the GUI)
// thread, its blocks queued to the control unit on a thread of its own, the
// unit's alarm rows queued back to the alarm log, which hands them to the
// log writer: as in the program. The link's diagnostic lines are formatted
// as the program's message handler does and counted, not written. The
// unit's heartbeats, ticks and voltage rows reach no window here: the
// window's share of a flood is BM_SiteFlood's and xflood.py's.
#include "alarmcondition.h"
#include "alarmflood.h"
#include "alarmlogfeed.h"
#include "alarmlogwidget.h"
#include "benchdata.h"
#include "benchmain.h"
#include "controlunit.h"
#include "gatewaysubtree.h"
#include "messagehandler.h"
#include "qtclient.h"
#include "treemodel.h"
#include "writebatch.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>

namespace {

const QString Address = QStringLiteral("127.0.0.1");
constexpr int ChangesPerIteration = 1000;

std::atomic<qint64> g_logBytes{0};

void countLogLine(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    g_logBytes += formatLogLine(context.category, message).size();
}

void installConditions()
{
    AlarmConditionList list;
    for (int key : {EnergizerParam::FenceAlarm1, EnergizerParam::FenceAlarm2}) {
        AlarmCondition condition;
        condition.EnergParam = key;
        condition.AlarmStatus = 2;
        condition.Active = true;
        condition.AlarmColor = Qt::red;
        list.append(condition);
    }
    setAlarmConditions(list);
}

// A full gateway whose client has finished its read sweep, its unit on its
// own thread, and the alarm log of a fresh database.
class FloodSite
{
public:
    FloodSite()
    {
        installConditions();
        model.setRootNode(new Node(QStringLiteral("Name")));
        GatewaySubtree gateway(Address);
        element.reset(gateway.elementNode.release());
        model.insertNode(model.rootNode(), -1, gateway.statusNode.release());

        client.setTiming(standingLinkTiming());
        client.setPort(1);
        client.moveTo(Address);  // only to fix the address the data come from
        client.abortSocket();
        client.no_of_energizers = 32;
        client.no_of_iocards = 31;
        client.dataValid = true;

        unit.energizerModel = &model;
        unit.moveToThread(&unitThread);
        unit.connectClient(&client, Qt::QueuedConnection);
        // As the window connects them: the rows go to the log on the unit's thread.
        QObject::connect(&unit, &ControlUnit::writeAlarmLog, log.feed(), &AlarmLogFeed::add, Qt::DirectConnection);
        QObject::connect(&unit, &ControlUnit::writeAlarmLog, &receiver, [this] { ++rows; }, Qt::QueuedConnection);
        unitThread.start();
    }
    ~FloodSite()
    {
        unitThread.quit();
        unitThread.wait();
        WriteBatch::instance().commit();
    }

    // Hands over the bytes as the socket does, in reads of at most 2048
    // bytes, and returns once every alarm row they cause is with the log.
    void push(const QByteArray& bytes)
    {
        for (int at = 0; at < bytes.size(); at += qtClient::kReceiveChunk)
            client.receiveBytes(bytes.constData() + at, std::min(qtClient::kReceiveChunk, bytes.size() - at));
        // On the unit's thread, the unit takes what still waits in the
        // client's inbox (a wake-up for it may still be on its way back to
        // this thread); then the mark is queued behind the unit's rows here.
        bool done = false;
        QMetaObject::invokeMethod(
            &unit,
            [this, &done] {
                unit.takeData();
                QMetaObject::invokeMethod(&receiver, [&done] { done = true; });
            },
            Qt::QueuedConnection);
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    FreshDatabase database;
    TreeModel model;
    std::unique_ptr<Node> element;
    qtClient client{0};
    ControlUnit unit;
    QThread unitThread;
    AlarmLogWidget log;
    QObject receiver;
    AlarmFlood flood;
    qint64 rows = 0;
};

// Arguments: whether the link's debug lines are on (as the program ships),
// and whether its line limit holds (0: unlimited, as before the limit).
void BM_AlarmFlood(benchmark::State& state)
{
    const bool logging = state.range(0) != 0;
    const bool limited = state.range(1) != 0;
    QLoggingCategory::setFilterRules(logging ? QString() : QStringLiteral("*.debug=false"));
    const QtMessageHandler previous = qInstallMessageHandler(countLogLine);
    {
        FloodSite site;
        if (!limited)
            site.client.lines().setLinesPerSecond(INT_MAX);
        site.push(site.flood.nextChanges(2 * 32));  // every energizer known, in alarm and out
        WriteBatch::instance().commit();
        const qint64 rowsBefore = site.rows;
        g_logBytes = 0;
        for (auto _ : state) {
            state.PauseTiming();
            const QByteArray bytes = site.flood.nextChanges(ChangesPerIteration);
            state.ResumeTiming();
            site.push(bytes);
            state.PauseTiming();
            WriteBatch::instance().commit();
            state.ResumeTiming();
        }
        const double changes = double(state.iterations()) * ChangesPerIteration;
        state.SetItemsProcessed(state.iterations() * ChangesPerIteration);
        state.counters["rows_per_change"] = double(site.rows - rowsBefore) / changes;
        // A row not yet with the log when its iteration ended was timed in part only.
        if (site.rows - rowsBefore != qint64(changes))
            state.SkipWithError("an iteration ended before every row of its changes reached the log");
        state.counters["log_MB/s"] =
            benchmark::Counter(double(g_logBytes) / 1e6, benchmark::Counter::kIsRate);
    }
    qInstallMessageHandler(previous);
}
BENCHMARK(BM_AlarmFlood)
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->ArgNames({"logging", "limited"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
