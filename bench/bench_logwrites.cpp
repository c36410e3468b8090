// What the logs cost while the program runs: the rows of one heartbeat
// (alarm rows of every device changing state, voltage rows of 32
// energizers), an alarm row after a long run, either the GUI thread's share
// (the hand-over to the log writer) or the time until the rows are
// committed; and the start-up until the log-in page over a large, cold
// database. The database lies on the machine's disk, so every commit
// includes its sync.
#include "benchmain.h"
#include "benchdata.h"
#include "alarmlogwidget.h"
#include "commondlg.h"
#include "databasemanager.h"
#include "node.h"
#include "startup.h"
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
#include <QTimer>
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
// writer) in steady state, with state.range(0) rows in the log when the
// window was built; the commit of every 96 rows is not counted. The
// first row here starts the log writer for the file (its thread and its
// connection) and first uses the statement and the feed, and costs the
// more the larger the log (from under a millisecond at 1,000 rows to
// several at 300,000). It is handed over before the timing, its time the
// counter firstRowMs, so that the small log's figure, the yardstick of the
// large ones, is the steady one.
void BM_AlarmInsert(benchmark::State& state)
{
    Home home;
    fillAlarmLog(state.range(0), 20);
    AlarmLogWidget widget;
    int i = 0;
    QElapsedTimer first;
    first.start();
    addAlarm(widget, i++);
    state.counters["firstRowMs"] = first.nsecsElapsed() / 1e6;
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

// Notes when the log-in page is first painted, and refuses it.
class LoginPageWatch : public QObject
{
public:
    QElapsedTimer clock;
    double shownMs = -1;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* page = qobject_cast<CommonDlg*>(object);
        if (page && event->type() == QEvent::Paint && shownMs < 0) {
            shownMs = clock.nsecsElapsed() / 1e6;
            QTimer::singleShot(0, page, &QDialog::reject);
        }
        return false;
    }
};

// What the operator waits for before the log-in page: the program's real
// start-up (`runLumetra`, from just after the application object is made)
// until the page is first painted, over a cold database file (flushed and
// dropped from the page cache) of an older format with state.range(0)
// voltage rows, state.range(1) per mille of them deleted: 5 is one nightly
// age delete (0.5 % free pages), 120 keep-days lowered (12 % free pages:
// the file is converted, beside the page). With state.range(2) above 0, an
// earlier run made the converted copy, and then deleted that many rows: the
// copy is to take the file's place at this start. Every iteration starts
// from fresh copies of the same files; the page is refused, and the end of
// the run is not timed.
void BM_PrepareForUse(benchmark::State& state)
{
    QString database;
    QString original;
    double freeShare = 0;
    auto home = std::make_unique<Home>();
    {
        database = home->dir.filePath(QStringLiteral("brenik.db"));
        original = home->dir.filePath(QStringLiteral("original.db"));
        fillVoltageLog(state.range(0), int(state.range(1)), false);
        QSqlQuery query(QStringLiteral("select (select freelist_count from pragma_freelist_count) * 1.0 / "
                                       "(select page_count from pragma_page_count)"));
        freeShare = query.next() ? query.value(0).toDouble() : 0;
        query.finish();
        if (state.range(2) > 0) {
            UpkeepThread().waitForEnd();  // the earlier run
            query.prepare(QStringLiteral("delete from logVoltage where id < (select min(id) from logVoltage) + ?"));
            query.addBindValue(qint64(state.range(2)));
            query.exec();
        }
        query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    WriteBatch::instance().commit();
    QSqlDatabase::database().close();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    const QString copy = DatabaseManager::conversionFile(database);
    const QString originalCopy = home->dir.filePath(QStringLiteral("original.converted"));
    QFile::copy(database, original);
    QFile::copy(copy, originalCopy);
    state.counters["MB"] = double(QFileInfo(database).size()) / 1e6;
    state.counters["free%"] = freeShare * 100;
    LoginPageWatch watch;
    qApp->installEventFilter(&watch);
    for (auto _ : state) {
        for (const QString& file : {database, DatabaseManager::conversionFile(database)}) {
            for (const char* suffix : {"", "-wal", "-shm", ".part"})
                QFile::remove(file + QLatin1String(suffix));
        }
        QFile::copy(original, database);
        QFile::copy(originalCopy, copy);
        dropFromCache(database);
        dropFromCache(copy);
        watch.shownMs = -1;
        watch.clock.start();
        runLumetra(*qApp);
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
        if (watch.shownMs < 0) {
            state.SkipWithError("the log-in page was not shown");
            break;
        }
        state.SetIterationTime(watch.shownMs / 1000);
    }
    // The file the last start left: converted (incremental auto-vacuum) or
    // not yet.
    {
        QSqlDatabase left = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("left"));
        left.setDatabaseName(database);
        QSqlQuery query(left);
        state.counters["converted"] =
            left.open() && query.exec(QStringLiteral("PRAGMA auto_vacuum")) && query.next() && query.value(0).toInt() == 2;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("left"));
    qApp->removeEventFilter(&watch);
}
BENCHMARK(BM_PrepareForUse)
    ->Args({2000000, 5, 0})
    ->Args({2000000, 120, 0})
    ->Args({10000000, 120, 0})
    ->Args({2000000, 120, 10000})
    ->Args({2000000, 120, 600000})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
