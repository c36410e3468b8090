// The alarm log over a large table: what the operator waits for when the
// program starts, when a filter button is pressed, when an alarm arrives,
// and what the nightly age delete costs.
#include "alarmlogwidget.h"
#include "logtable.h"

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

#include <memory>

namespace {

constexpr int kRows = 100000;

// 100,000 rows spread over the last 200 days, in the kinds the log holds.
void fillLog()
{
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery query;
    query.exec(QStringLiteral("delete from logAlarm"));
    db.transaction();
    query.prepare(QStringLiteral("insert into logAlarm (datetime, source, reason, info) values (?, ?, ?, ?)"));
    const QDateTime start = QDateTime::currentDateTime().addDays(-200);
    const char* const kinds[] = {"OK", "Warning", "Critical", "Failure"};
    for (int i = 0; i < kRows; ++i) {
        query.addBindValue(start.addSecs(qint64(i) * 172).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss ")));
        query.addBindValue(QStringLiteral("Gateway %1").arg(i % 4));
        query.addBindValue(QStringLiteral("Energizer %1").arg(i % 32));
        query.addBindValue(QString::fromLatin1(kinds[i % 4]));
        query.exec();
    }
    db.commit();
}

void BM_AlarmLogConstruct(benchmark::State& state)
{
    for (auto _ : state) {
        AlarmLogWidget widget;
        benchmark::DoNotOptimize(&widget);
    }
}
BENCHMARK(BM_AlarmLogConstruct)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AlarmLogFilterChange(benchmark::State& state)
{
    AlarmLogWidget widget;
    auto* ok = widget.findChild<QToolButton*>(QStringLiteral("btnOK"));
    for (auto _ : state)
        ok->click();
    state.counters["shown"] = widget.findChild<QTableView*>(QStringLiteral("tableLog"))->model()->rowCount();
}
BENCHMARK(BM_AlarmLogFilterChange)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_AlarmLogInsertAtTop(benchmark::State& state)
{
    AlarmLogWidget widget;
    for (auto _ : state)
        widget.addRecord(QStringLiteral("Gateway 1"), QStringLiteral("Energizer 3"), QStringLiteral("Critical"));
}
BENCHMARK(BM_AlarmLogInsertAtTop)->Unit(benchmark::kMillisecond)->Iterations(200);

// The age statement over the whole table when nothing is old enough to go.
void BM_AgeDeleteScan(benchmark::State& state)
{
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
        fillLog();

        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    return 0;
}
