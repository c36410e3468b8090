// What the logs cost while the program runs: the rows of one heartbeat
// (alarm rows of every device changing state, voltage rows of 32
// energizers), an alarm row after a long run, either the GUI thread's share
// (the hand-over to the log writer) or the time until the rows are
// committed; and the database's preparation at start-up over a large
// database. The database lies on the machine's disk, so every commit
// includes its sync.
#include "benchmain.h"
#include "benchdata.h"
#include "alarmlogwidget.h"
#include "databasemanager.h"
#include "node.h"
#include "treemodel.h"
#include "voltagediagrammsdlg.h"
#include "writebatch.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QVector>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

// A fresh copy of the shipped database, prepared as the program's start does.
struct Home : FreshDatabase
{
    Home() { DatabaseManager::prepareForUse(); }
};

void addAlarm(AlarmLogWidget& widget, int i)
{
    widget.addRecord(QStringLiteral("Energizer %1").arg(i % 32), QStringLiteral("Fence alarm 1"),
                     QStringLiteral("change status to Critical"));
}

// One heartbeat's rows handed to the writer: 96 alarm rows and the 32
// energizers' voltage rows. The milliseconds the GUI thread spent on it.
double handOverHeartbeat(AlarmLogWidget& widget, VoltageDiagrammsDlg& dialog, EnergizerSite& site)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 96; ++i)
        addAlarm(widget, i);
    for (int i = 0; i < 32; ++i)
        dialog.writeVoltageLog(site.gateway->child(i));
    return clock.nsecsElapsed() / 1e6;
}

// Every one of the 63 devices changes state and 32 energizers switch a
// zone: 96 alarm rows, handed over and committed as one heartbeat (timed
// until committed), with state.range(0) rows in the log when the window
// was built.
void BM_AlarmHeartbeatAllDevicesChange(benchmark::State& state)
{
    Home home;
    fillAlarmLog(state.range(0), 20);
    AlarmLogWidget widget;
    for (auto _ : state) {
        for (int i = 0; i < 96; ++i)
            addAlarm(widget, i);
        WriteBatch::instance().commit();
    }
    state.SetItemsProcessed(state.iterations() * 96);
}
BENCHMARK(BM_AlarmHeartbeatAllDevicesChange)->Arg(0)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(30);

// The GUI thread's share of one alarm row (the hand-over to the log
// writer), with state.range(0) rows in the log when the window was built;
// the commit of every 96 rows is not counted.
void BM_AlarmInsert(benchmark::State& state)
{
    Home home;
    fillAlarmLog(state.range(0), 20);
    AlarmLogWidget widget;
    int i = 0;
    for (auto _ : state) {
        addAlarm(widget, i++);
        if (i % 96 == 0) {
            state.PauseTiming();
            WriteBatch::instance().commit();
            state.ResumeTiming();
        }
    }
    WriteBatch::instance().commit();
}
BENCHMARK(BM_AlarmInsert)->Arg(1000)->Arg(100000)->Arg(300000)->Unit(benchmark::kMicrosecond)->Iterations(960);

// The GUI thread's share of one alarm row after state.range(0) rows written
// in the same run.
void BM_AlarmInsertAfterLongRun(benchmark::State& state)
{
    Home home;
    AlarmLogWidget widget;
    for (int i = 0; i < state.range(0); ++i) {
        addAlarm(widget, i);
        if (i % 96 == 95)
            WriteBatch::instance().commit();
    }
    WriteBatch::instance().commit();
    int i = 0;
    for (auto _ : state)
        addAlarm(widget, i++);
    WriteBatch::instance().commit();
}
BENCHMARK(BM_AlarmInsertAfterLongRun)->Arg(8000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(200);

// The voltage rows of one heartbeat inside the write window: 32 energizers.
void BM_VoltageHeartbeat(benchmark::State& state)
{
    Home home;
    EnergizerSite site;
    VoltageDiagrammsDlg dialog;
    QDateTime now = QDateTime::currentDateTime();
    dialog.setClock([&now] { return now; });
    now = now.addSecs(VoltageDiagrammsDlg::kQuietSeconds + 30);
    for (auto _ : state) {
        for (int i = 0; i < 32; ++i)
            dialog.writeVoltageLog(site.gateway->child(i));
        WriteBatch::instance().commit();
    }
    state.SetItemsProcessed(state.iterations() * 96);
}
BENCHMARK(BM_VoltageHeartbeat)->Unit(benchmark::kMillisecond)->Iterations(30);

// 600 heartbeats one after the other, each with 96 alarm rows and the 96
// voltage rows of 32 energizers, committed as the logs do, while the
// database manager's thread does its upkeep. The counters give the median
// and the longest GUI-thread cost of a heartbeat's rows: the commit is the
// writer thread's and waited for untimed, one per heartbeat as when they
// come a second apart.
void BM_HeartbeatsLongRun(benchmark::State& state)
{
    Home home;
    UpkeepThread upkeep;
    AlarmLogWidget widget;
    EnergizerSite site;
    VoltageDiagrammsDlg dialog;
    dialog.setClock([] { return QDateTime::currentDateTime().addSecs(VoltageDiagrammsDlg::kQuietSeconds + 1); });
    QVector<double> heartbeats;
    for (auto _ : state) {
        for (int heartbeat = 0; heartbeat < 600; ++heartbeat) {
            heartbeats.append(handOverHeartbeat(widget, dialog, site));
            WriteBatch::instance().commit();
            QCoreApplication::processEvents();
        }
    }
    std::sort(heartbeats.begin(), heartbeats.end());
    state.counters["medianMs"] = heartbeats.value(heartbeats.size() / 2);
    state.counters["p99Ms"] = heartbeats.value(heartbeats.size() * 99 / 100);
    state.counters["maxMs"] = heartbeats.isEmpty() ? 0 : heartbeats.last();
}
BENCHMARK(BM_HeartbeatsLongRun)->Unit(benchmark::kMillisecond)->Iterations(1);

// The time until a heartbeat's rows are on disk: 96 alarm rows and the 32
// energizers' voltage rows handed to the writer, then `commit`, which has
// the writer write them in one transaction, sync, and tell them written.
// The program's writer starts that commit CommitDelayMs after the first
// row; that wait is left out. The counters split the time into the GUI
// thread's hand-over and the whole, up to committed.
void BM_HeartbeatUntilCommitted(benchmark::State& state)
{
    Home home;
    AlarmLogWidget widget;
    EnergizerSite site;
    VoltageDiagrammsDlg dialog;
    dialog.setClock([] { return QDateTime::currentDateTime().addSecs(VoltageDiagrammsDlg::kQuietSeconds + 1); });
    QVector<double> handOver;
    QVector<double> committed;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        handOver.append(handOverHeartbeat(widget, dialog, site));
        if (!WriteBatch::instance().commit())
            state.SkipWithError("rows not committed");
        committed.append(clock.nsecsElapsed() / 1e6);
    }
    std::sort(handOver.begin(), handOver.end());
    std::sort(committed.begin(), committed.end());
    state.counters["handOverMedianMs"] = handOver.value(handOver.size() / 2);
    state.counters["committedMedianMs"] = committed.value(committed.size() / 2);
    state.counters["committedMaxMs"] = committed.isEmpty() ? 0 : committed.last();
}
BENCHMARK(BM_HeartbeatUntilCommitted)->Unit(benchmark::kMillisecond)->Iterations(100);

// The database's preparation at start-up, the one step on it the log-in
// page waits for (`DatabaseManager::prepareForUse`: the journal, the sync,
// the busy timeout; the upkeep runs afterwards, beside the program), over an
// older-format database of state.range(0) voltage rows with state.range(1)
// per mille of them deleted: 5 is one nightly age delete (0.5 % free pages),
// 120 keep-days lowered (12 % free pages). Every iteration starts from a
// fresh copy of the same file, opened untimed.
void BM_PrepareForUse(benchmark::State& state)
{
    Home home;
    const QString database = home.dir.filePath(QStringLiteral("brenik.db"));
    const QString original = home.dir.filePath(QStringLiteral("original.db"));
    fillVoltageLog(state.range(0), int(state.range(1)), false);
    QSqlDatabase db = QSqlDatabase::database();
    double freeShare = 0;
    {
        QSqlQuery query(QStringLiteral("select (select freelist_count from pragma_freelist_count) * 1.0 / "
                                       "(select page_count from pragma_page_count)"));
        freeShare = query.next() ? query.value(0).toDouble() : 0;
    }
    db.close();
    QFile::copy(database, original);
    state.counters["MB"] = double(QFileInfo(database).size()) / 1e6;
    state.counters["free%"] = freeShare * 100;
    for (auto _ : state) {
        state.PauseTiming();
        db.close();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(database + QLatin1String(suffix));
        QFile::copy(original, database);
        db.open();
        state.ResumeTiming();
        DatabaseManager::prepareForUse();
    }
}
BENCHMARK(BM_PrepareForUse)->Args({2000000, 5})->Args({2000000, 120})->Args({10000000, 120})->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
