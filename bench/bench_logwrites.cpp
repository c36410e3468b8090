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
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QVector>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>


namespace {

// A fresh copy of the shipped database, prepared as the program's start does.
using Home = PreparedDatabase;

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
// window was built, while the writer takes the rows and commits them on its
// own thread. The rows come in bursts of 96 (a heartbeat's worth), each
// timed; between two bursts the GUI thread runs its event loop for
// BurstGapMs, untimed, as it does between heartbeats: the feed's view takes
// its rows and hears of them written there. 96,000 rows take over a
// second, so the writer's commits, one CommitDelayMs after the first row
// it takes of each batch, each a transaction of some thousand rows, run
// while rows are timed: `commits` counts the commits that ended between
// the first timed row and the last, `commitsAlongside` those that ran while
// timed rows were handed over (they ended within a burst, or left out rows
// handed over before they ended). Without one the bench stops. (Handed over
// without a pause, the rows come faster than the writer takes them, and it
// commits nothing while they are timed.) The first row here starts the log
// writer for the file (its thread and its connection) and first uses the
// statement and the feed, and costs the more the larger the log (from
// under a millisecond at 1,000 rows to several at 300,000). It is handed
// over and committed before the timing, its time the counter firstRowMs,
// so that the small log's figure, the yardstick of the large ones, is the
// steady one.
void BM_AlarmInsert(benchmark::State& state)
{
    constexpr int BurstRows = 96;
    constexpr int BurstGapMs = 1;
    Home home;
    fillAlarmLog(state.range(0), 20);
    AlarmLogWidget widget;
    WriteBatch& batch = WriteBatch::instance();
    int i = 0;
    QElapsedTimer first;
    first.start();
    addAlarm(widget, i++);
    state.counters["firstRowMs"] = first.nsecsElapsed() / 1e6;
    batch.commit();
    // Tickets count the rows handed over: the row added as `i` has this one's plus `i`.
    const quint64 firstTicket = batch.settledTicket();
    quint64 settled = firstTicket;
    qint64 commits = 0;
    qint64 alongside = 0;
    for (auto _ : state) {
        addAlarm(widget, i++);
        if (i % BurstRows != 0)
            continue;
        state.PauseTiming();
        if (batch.settledTicket() != settled) {  // ended within the burst
            settled = batch.settledTicket();
            ++commits;
            ++alongside;
        }
        QEventLoop gap;
        QTimer::singleShot(BurstGapMs, Qt::PreciseTimer, &gap, &QEventLoop::quit);
        gap.exec();
        if (batch.settledTicket() != settled) {
            settled = batch.settledTicket();
            ++commits;
            if (settled < firstTicket + quint64(i - 1))
                ++alongside;
        }
        state.ResumeTiming();
    }
    state.counters["commits"] = double(commits);
    state.counters["commitsAlongside"] = double(alongside);
    batch.commit();
    if (alongside == 0)
        state.SkipWithError("the writer committed nothing while the rows were timed");
}
BENCHMARK(BM_AlarmInsert)->Arg(1000)->Arg(100000)->Arg(300000)->Unit(benchmark::kMicrosecond)->Iterations(96000);

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

// The argument that makes this program the started program of
// BM_PrepareForUse instead of the benches, and the line it prints on its
// standard output when the log-in page is first painted: the moment (the
// system's monotonic clock, in ns) and the milliseconds since its main()
// began.
constexpr char StartChildArgument[] = "--start-until-login-page";
constexpr char LoginPageLine[] = "login-page-painted";

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// In the started program: prints the line at the log-in page's first
// paint, then refuses the page, which ends the run.
class LoginPageReport : public QObject
{
public:
    QElapsedTimer sinceMain;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* page = qobject_cast<CommonDlg*>(object);
        if (page && event->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            std::printf("%s %lld %.3f\n", LoginPageLine, static_cast<long long>(monotonicNs()),
                        sinceMain.nsecsElapsed() / 1e6);
            std::fflush(stdout);
            QTimer::singleShot(0, page, &QDialog::reject);
        }
        return false;
    }

private:
    bool m_reported = false;
};

// The started program: main.cpp's start, with the report beside it.
int runUntilLoginPage(int argc, char** argv)
{
    LoginPageReport report;
    report.sinceMain.start();
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    app.installEventFilter(&report);
    return runLumetra(app);
}

// One start of the program as a process of its own (this program with
// StartChildArgument, in the bench's environment: its home, the offscreen
// platform), waited for to its end. The milliseconds from the spawn to the
// log-in page's first paint, and from the started program's main() to it;
// -1 when it never showed the page.
struct StartTimes
{
    double fromSpawnMs = -1;
    double fromMainMs = -1;
};

StartTimes startUntilLoginPage()
{
    constexpr int WaitMs = 60000;
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QLatin1String(StartChildArgument)});
    child.setStandardErrorFile(QProcess::nullDevice());
    StartTimes times;
    const qint64 spawned = monotonicNs();
    child.start();
    QElapsedTimer waited;
    waited.start();
    while (times.fromSpawnMs < 0 && waited.elapsed() < WaitMs && child.waitForReadyRead(WaitMs)) {
        while (child.canReadLine()) {
            const QList<QByteArray> words = child.readLine().trimmed().split(' ');
            if (words.size() == 3 && words[0] == LoginPageLine) {
                times.fromSpawnMs = (words[1].toLongLong() - spawned) / 1e6;
                times.fromMainMs = words[2].toDouble();
            }
        }
    }
    if (!child.waitForFinished(WaitMs)) {
        child.kill();
        child.waitForFinished();
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return {};
    return times;
}

// What the operator waits for before the log-in page: the program started
// as a process of its own (see startUntilLoginPage), from the spawn until
// the page is first painted, over a cold database file (flushed and dropped
// from the page cache; the program's own files stay as warm as the machine
// left them) of an older format with state.range(0) voltage rows,
// state.range(1) per mille of them deleted: 5 is one nightly age delete
// (0.5 % free pages), 120 keep-days lowered (12 % free pages: the file is
// converted, beside the page). With state.range(2) above 0, an earlier run
// made the converted copy, and then deleted that many rows: the copy is to
// take the file's place at this start. Every iteration starts from fresh
// copies of the same files; the page is refused, and the end of the run is
// not timed. Counter fromMainMs: the share from the started program's
// main() on, without the process's start and the loading of its libraries.
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
    // Nothing of this process keeps the file open while the started program uses it.
    WriteBatch::instance().commit();
    WriteBatch::finishCurrent();
    QSqlDatabase::database().close();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    const QString copy = DatabaseManager::conversionFile(database);
    const QString originalCopy = home->dir.filePath(QStringLiteral("original.converted"));
    QFile::copy(database, original);
    QFile::copy(copy, originalCopy);
    state.counters["MB"] = double(QFileInfo(database).size()) / 1e6;
    state.counters["free%"] = freeShare * 100;
    QVector<double> fromMain;
    for (auto _ : state) {
        for (const QString& file : {database, DatabaseManager::conversionFile(database)}) {
            for (const char* suffix : {"", "-wal", "-shm", ".part"})
                QFile::remove(file + QLatin1String(suffix));
        }
        QFile::copy(original, database);
        QFile::copy(originalCopy, copy);
        dropFromCache(database);
        dropFromCache(copy);
        const StartTimes times = startUntilLoginPage();
        if (times.fromSpawnMs < 0) {
            state.SkipWithError("the started program did not show the log-in page, or failed");
            break;
        }
        fromMain.append(times.fromMainMs);
        state.SetIterationTime(times.fromSpawnMs / 1000);
    }
    std::sort(fromMain.begin(), fromMain.end());
    state.counters["fromMainMs"] = fromMain.value(fromMain.size() / 2);
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
    if (argc > 1 && qstrcmp(argv[1], StartChildArgument) == 0)
        return runUntilLoginPage(argc, argv);
    return runQtBenchmarks<QApplication>(argc, argv);
}
