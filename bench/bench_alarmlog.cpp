// The alarm log over a large table (100,000 or 300,000 rows): what the
// operator waits for when the program starts, when a filter button is
// pressed, when an alarm arrives, and what the nightly age delete costs.
#include "alarmlogwidget.h"
#include "benchdata.h"
#include "logtable.h"
#include "writebatch.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

// `rows` rows spread over the last 200 days; the log is filled anew only
// when it holds another number of rows.
void fillLog(int rows)
{
    QSqlQuery query(QStringLiteral("select count(*) from logAlarm"));
    if (query.next() && query.value(0).toInt() == rows)
        return;
    query.finish();
    fillAlarmLog(rows, 200);
}

void BM_AlarmLogConstruct(benchmark::State& state)
{
    fillLog(int(state.range(0)));
    double grown = 0;
    for (auto _ : state) {
        const double before = residentMB();
        AlarmLogWidget widget;
        benchmark::DoNotOptimize(&widget);
        grown = std::max(grown, residentMB() - before);
    }
    state.counters["MB"] = grown;
}
BENCHMARK(BM_AlarmLogConstruct)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AlarmLogFilterChange(benchmark::State& state)
{
    fillLog(int(state.range(0)));
    AlarmLogWidget widget;
    auto* ok = widget.findChild<QToolButton*>(QStringLiteral("btnOK"));
    for (auto _ : state)
        ok->click();
    state.counters["shown"] = widget.findChild<QTableView*>(QStringLiteral("tableLog"))->model()->rowCount();
}
BENCHMARK(BM_AlarmLogFilterChange)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_AlarmLogInsertAtTop(benchmark::State& state)
{
    fillLog(int(state.range(0)));
    AlarmLogWidget widget;
    for (auto _ : state)
        widget.addRecord(QStringLiteral("Gateway 1"), QStringLiteral("Energizer 3"), QStringLiteral("Critical"));
    WriteBatch::instance().commit();
}
BENCHMARK(BM_AlarmLogInsertAtTop)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(200);

// An alarm flood while the database holds the keys back: `state.range(0)`
// rows wait for their keys, then each iteration 300 more arrive and the
// shown log takes them. The process's CPU time per iteration: the view's
// cost per arriving row, which must not grow with the rows waiting.
void BM_AlarmLogFloodBacklog(benchmark::State& state)
{
    fillLog(100000);
    WriteBatch::instance().setCommitDelay(3600000);
    AlarmLogWidget widget;
    widget.resize(1000, 400);
    widget.show();
    const QAbstractItemModel* view = widget.findChild<QTableView*>(QStringLiteral("tableLog"))->model();
    int batch = 0;
    const auto arrive = [&] {
        const QString last = QStringLiteral("Batch %1 row 299").arg(batch);
        for (int row = 0; row < 300; ++row)
            widget.addRecord(QStringLiteral("Batch %1 row %2").arg(batch).arg(row), QStringLiteral("Fence alarm 1"),
                             QStringLiteral("change status to Critical"));
        ++batch;
        while (view->index(0, 2).data().toString() != last)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    while (batch * 300 < state.range(0))
        arrive();
    for (auto _ : state)
        arrive();
    state.counters["shown"] = view->rowCount();
    WriteBatch::instance().setCommitDelay(WriteBatch::CommitDelayMs);
    WriteBatch::instance().commit();
}
BENCHMARK(BM_AlarmLogFloodBacklog)->Arg(0)->Arg(3000)->Arg(15000)->Unit(benchmark::kMillisecond)->Iterations(20);

// The age statement over the whole table when nothing is old enough to go.
void BM_AgeDeleteScan(benchmark::State& state)
{
    fillLog(100000);
    for (auto _ : state)
        LogTable::clear(QStringLiteral("logAlarm"), 365);
}
BENCHMARK(BM_AgeDeleteScan)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    if (!QFile::copy(QStringLiteral(LUMETRA_RUNTIME_DIR "/brenik.db"), home.filePath(QStringLiteral("brenik.db"))))
        return 1;
    QFile::setPermissions(home.filePath(QStringLiteral("brenik.db")), QFile::ReadOwner | QFile::WriteOwner);
    qputenv("LUMETRA_HOME", home.path().toUtf8());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(home.filePath(QStringLiteral("brenik.db")));
        if (!db.open())
            return 1;

        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    return 0;
}
