// The database upkeep beside the running program: a month of voltage log
// (2,000,000 rows, 210 MB) whose oldest 12 % were deleted, given back either
// in steps (a file with incremental auto-vacuum, as shipped) or by the one
// rewrite an older file gets. Meanwhile the GUI thread writes an alarm row
// every 20 ms and commits it at once, as the log does; the bench reports
// how long the upkeep took, the longest a commit kept the GUI thread, and
// whether every row arrived.
#include "benchmain.h"
#include "benchdata.h"
#include "databasemanager.h"
#include "writebatch.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

qint64 value(const QString& statement)
{
    QSqlQuery query(statement);
    const qint64 result = query.next() ? query.value(0).toLongLong() : -1;
    query.finish();
    return result;
}

// state.range(0): 1 for a file that gives pages back in steps, 0 for an older one.
void BM_UpkeepWhileLogging(benchmark::State& state)
{
    const bool stepwise = state.range(0) != 0;
    FreshDatabase database;
    fillVoltageLog(2000000, 120, stepwise);
    DatabaseManager::prepareForUse();
    const double freePercent =
        100.0 * double(value(QStringLiteral("PRAGMA freelist_count"))) / double(value(QStringLiteral("PRAGMA page_count")));

    double longestCommitMs = 0;
    int rows = 0;
    for (auto _ : state) {
        DatabaseManager manager;
        QThread thread;
        manager.moveToThread(&thread);
        thread.start();
        QEventLoop loop;
        QObject::connect(&manager, &DatabaseManager::upkeepDone, &loop, &QEventLoop::quit);
        QTimer writer;
        writer.setInterval(20);
        QObject::connect(&writer, &QTimer::timeout, [&] {
            WriteBatch::instance().append(QStringLiteral("insert into logAlarm(info) values(?)"), {++rows});
            QElapsedTimer commit;
            commit.start();
            WriteBatch::instance().commit();
            longestCommitMs = std::max(longestCommitMs, commit.nsecsElapsed() / 1e6);
        });
        writer.start();
        QMetaObject::invokeMethod(&manager, &DatabaseManager::startUpkeep, Qt::QueuedConnection);
        loop.exec();
        writer.stop();
        thread.quit();
        thread.wait();
    }
    while (!WriteBatch::instance().commit())
        QThread::msleep(WriteBatch::RetryDelayMs);
    state.counters["free%before"] = freePercent;
    state.counters["free%after"] =
        100.0 * double(value(QStringLiteral("PRAGMA freelist_count"))) / double(value(QStringLiteral("PRAGMA page_count")));
    state.counters["longestCommitMs"] = longestCommitMs;
    state.counters["rowsLost"] = double(rows - value(QStringLiteral("select count(*) from logAlarm")));
}
BENCHMARK(BM_UpkeepWhileLogging)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
