// The voltage log on a realistic full table: 28 days of 32 energizers that
// report every 5 s, three rows per update inside each 60 s write window of
// a 260 s cycle (about 10.7 million rows). The database is generated in a
// temporary directory at start-up.

#include "node.h"
#include "resources.h"
#include "treemodel.h"
#include "vchartdlg.h"
#include "voltagediagrammsdlg.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

constexpr int kDays = 28;
constexpr int kEnergizers = 32;
constexpr int kUpdatesPerWindow = 12; // a heartbeat every 5 s in the 60 s window
constexpr int kCycleSeconds = 260;
constexpr int kWindowStart = 200;

struct Fixture
{
    QTemporaryDir dir;
    TreeModel model;
    std::unique_ptr<VoltageDiagrammsDlg> dialog;
    QDate firstDay;
    QDate lastDay;
    qint64 rows = 0;
};

Fixture* fixture = nullptr;

bool exec(const QString& statement)
{
    QSqlQuery query;
    if (!query.exec(statement)) {
        qWarning() << statement << query.lastError().text();
        return false;
    }
    return true;
}

bool generateRows(Fixture& f)
{
    // The last full day is yesterday, so the nightly age delete finds the
    // oldest day past its limit.
    f.lastDay = QDate::currentDate().addDays(-1);
    f.firstDay = f.lastDay.addDays(-(kDays - 1));
    const qint64 start = QDateTime(f.firstDay, QTime(0, 0)).toSecsSinceEpoch();
    const int cycles = kDays * 86400 / kCycleSeconds;

    exec(QStringLiteral("PRAGMA journal_mode = OFF"));
    exec(QStringLiteral("PRAGMA synchronous = OFF"));
    QSqlQuery query;
    query.prepare(QStringLiteral(
        "WITH RECURSIVE "
        " cyc(c) AS (SELECT 0 UNION ALL SELECT c + 1 FROM cyc WHERE c < ?), "
        " upd(u) AS (SELECT 0 UNION ALL SELECT u + 1 FROM upd WHERE u < ?), "
        " en(e) AS (SELECT 1 UNION ALL SELECT e + 1 FROM en WHERE e < ?), "
        " sec(s) AS (SELECT -1 UNION ALL SELECT s + 1 FROM sec WHERE s < 1) "
        "INSERT INTO logVoltage(datetime, voltage, sector, energizer_no) "
        "SELECT datetime(? + c * ? + ? + u * 5, 'unixepoch', 'localtime'), "
        "  CASE WHEN s = -1 THEN 11 + ((c + e + u) % 24) * 0.125 ELSE 7000 + ((c * 7 + e * 3 + u) % 16) * 125 END, "
        "  s, e FROM cyc, upd, en, sec ORDER BY c, u, e, s"));
    query.addBindValue(cycles - 1);
    query.addBindValue(kUpdatesPerWindow - 1);
    query.addBindValue(kEnergizers);
    query.addBindValue(start);
    query.addBindValue(kCycleSeconds);
    query.addBindValue(kWindowStart);
    if (!query.exec()) {
        qWarning() << "generating rows failed:" << query.lastError().text();
        return false;
    }
    // A few check points a day: link losses and restarts.
    QSqlQuery checkPoints;
    checkPoints.prepare(QStringLiteral(
        "WITH RECURSIVE d(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM d WHERE n < ?) "
        "INSERT INTO logVoltage(datetime, voltage, sector, energizer_no) "
        "SELECT datetime(? + n * 21600 + 1234, 'unixepoch', 'localtime'), 0, 0, 0 FROM d"));
    checkPoints.addBindValue(kDays * 4 - 1);
    checkPoints.addBindValue(start);
    if (!checkPoints.exec()) {
        qWarning() << "generating check points failed:" << checkPoints.lastError().text();
        return false;
    }
    exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    exec(QStringLiteral("PRAGMA synchronous = FULL"));

    QSqlQuery count(QStringLiteral("select count(*) from logVoltage"));
    f.rows = count.next() ? count.value(0).toLongLong() : 0;
    return true;
}

bool setUp()
{
    auto f = std::make_unique<Fixture>();
    if (!f->dir.isValid()
        || !QFile::copy(QStringLiteral(LUMETRA_RUNTIME_DIR "/brenik.db"), f->dir.filePath(QStringLiteral("brenik.db")))) {
        qWarning() << "cannot lay out the database in" << f->dir.path();
        return false;
    }
    QFile::setPermissions(f->dir.filePath(QStringLiteral("brenik.db")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    qputenv("LUMETRA_HOME", f->dir.path().toUtf8());

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(f->dir.filePath(QStringLiteral("brenik.db")));
    if (!db.open()) {
        qWarning() << db.lastError().text();
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    if (!generateRows(*f))
        return false;
    qInfo().noquote() << QStringLiteral("generated %1 rows in %2 s").arg(f->rows).arg(timer.elapsed() / 1000.0);

    auto* root = new Node(QStringLiteral("Name"));
    f->model.setRootNode(root);
    auto* gateway = new Node(QStringLiteral("127.0.0.1"), root);
    for (int i = 1; i <= kEnergizers; ++i)
        (new Node(QStringLiteral("Energ%1").arg(i), gateway))->type = Node::StatusRow;

    // The dialog runs modal; closing it at once leaves it prepared.
    f->dialog = std::make_unique<VoltageDiagrammsDlg>();
    VoltageDiagrammsDlg* dialog = f->dialog.get();
    QTimer::singleShot(0, dialog, [dialog] { dialog->close(); });
    dialog->setDiagramType(&f->model, VoltageDiagrammsDlg::OutputDiagram);
    fixture = f.release();
    return true;
}

void setRange(const QDate& from, const QDate& to)
{
    fixture->dialog->findChild<QDateEdit*>(QStringLiteral("dtpEnd"))->setDate(to);
    fixture->dialog->findChild<QDateEdit*>(QStringLiteral("dtpStart"))->setDate(from);
}

void statistics(benchmark::State& state, int type, bool wholeRange)
{
    // The type is switched the way the dialog does it, without running it.
    VoltageDiagrammsDlg* dialog = fixture->dialog.get();
    QTimer::singleShot(0, dialog, [dialog] { dialog->close(); });
    dialog->setDiagramType(&fixture->model, type);
    const QDate day = fixture->lastDay.addDays(-3);
    setRange(wholeRange ? fixture->firstDay : day, wholeRange ? fixture->lastDay : day);
    auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("tableWidget"));
    for (auto _ : state) {
        dialog->loadData();
        benchmark::DoNotOptimize(table->rowCount());
    }
    state.counters["tableRows"] = table->rowCount();
}

void BM_BatteryStatisticsOneDay(benchmark::State& state) { statistics(state, 0, false); }
void BM_OutputStatisticsOneDay(benchmark::State& state) { statistics(state, 1, false); }
void BM_BatteryStatistics28Days(benchmark::State& state) { statistics(state, 0, true); }
void BM_OutputStatistics28Days(benchmark::State& state) { statistics(state, 1, true); }

void chart(benchmark::State& state, int sector)
{
    // From the query to a shown window with its line, axes and buttons.
    const QDateTime day(fixture->lastDay.addDays(-3), QTime(0, 0));
    for (auto _ : state) {
        auto* dlg = new VChartDlg;
        dlg->showChart(day, day, 7, sector, QStringLiteral("Energ7"));
        benchmark::DoNotOptimize(dlg);
        state.PauseTiming();
        delete dlg;
        state.ResumeTiming();
    }
    QSqlQuery count;
    count.prepare(QStringLiteral("select count(*) from logVoltage where datetime between ? and ? and "
                                 "((sector = ? and energizer_no = 7) or energizer_no = 0)"));
    count.addBindValue(day.toString(QStringLiteral("yyyy-MM-dd")));
    count.addBindValue(day.addDays(1).toString(QStringLiteral("yyyy-MM-dd")));
    count.addBindValue(sector);
    if (count.exec() && count.next())
        state.counters["points"] = count.value(0).toInt();
}

void BM_ChartOneEnergizerOneDay(benchmark::State& state) { chart(state, -1); }
void BM_ChartOneSectorOneDay(benchmark::State& state) { chart(state, 0); }

// The age delete of the oldest day. The day is put back between iterations
// (not timed), so every iteration and repetition deletes it again.
void BM_NightlyAgeDelete(benchmark::State& state)
{
    // Keep-days such that the oldest generated day is past the limit.
    const int keepDays = kDays - 2;
    const QString dayAfterOldest = fixture->firstDay.addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
    // Kept from the first run on: later repetitions find the day gone.
    exec(QStringLiteral("create temp table if not exists oldestDay as select * from logVoltage where datetime < '%1'")
             .arg(dayAfterOldest));
    qint64 deleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        exec(QStringLiteral("insert or ignore into logVoltage select * from temp.oldestDay"));
        QSqlQuery count(QStringLiteral("select count(*) from logVoltage"));
        const qint64 before = count.next() ? count.value(0).toLongLong() : 0;
        count.finish();
        state.ResumeTiming();
        fixture->dialog->clearLog(keepDays);
        state.PauseTiming();
        QSqlQuery again(QStringLiteral("select count(*) from logVoltage"));
        deleted = before - (again.next() ? again.value(0).toLongLong() : 0);
        state.ResumeTiming();
    }
    state.counters["deletedRows"] = double(deleted);
}

} // namespace

BENCHMARK(BM_BatteryStatisticsOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OutputStatisticsOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatteryStatistics28Days)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OutputStatistics28Days)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ChartOneEnergizerOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartOneSectorOneDay)->Unit(benchmark::kMillisecond);
// Changes the table while it runs (the oldest day goes and comes back): it runs last.
BENCHMARK(BM_NightlyAgeDelete)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initLumetraResources();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!setUp())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    {
        std::unique_ptr<Fixture> done(fixture);
        fixture = nullptr;
        done->dialog.reset();
    }
    QSqlDatabase::database().close();
    return 0;
}
