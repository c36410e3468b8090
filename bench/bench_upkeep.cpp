// The database upkeep beside the running program: a voltage log of
// state.range(1) rows (2,000,000 are 210 MB, 10,000,000 are 1.06 GB) whose
// oldest 12 % were deleted, given back either in steps (a file with
// incremental auto-vacuum, as shipped) or through the compacted copy an
// older file gets, which takes the file's place at the next start. The file
// is cold, as after a restart: written, flushed and dropped from the page
// cache before the upkeep begins, and again before the switch.
// Meanwhile the GUI thread hands the log writer an alarm row every 20 ms,
// as the log does. The bench reports how long the upkeep took, the longest
// a row waited until it was committed (`written`), how late a 10 ms timer on
// the GUI thread ran, the stall alerts raised, what the switch at the next
// start took, and whether every row arrived.
#include "benchmain.h"
#include "benchdata.h"
#include "databasemanager.h"
#include "writebatch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
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

double freePercent()
{
    return 100.0 * double(value(QStringLiteral("PRAGMA freelist_count"))) / double(value(QStringLiteral("PRAGMA page_count")));
}

// The program ends: the writer and the default connection let go of the file.
void closeEverything(FreshDatabase& database)
{
    WriteBatch::instance().commit();
    const QString file = QSqlDatabase::database().databaseName();
    QSqlDatabase::database().close();
    QSqlDatabase::database().setDatabaseName(database.dir.filePath(QStringLiteral("elsewhere.db")));
    QSqlDatabase::database().open();
    WriteBatch::instance().commit();
    QSqlDatabase::database().close();
    QSqlDatabase::database().setDatabaseName(file);
}

// state.range(0): 1 for a file that gives pages back in steps, 0 for an older one.
void BM_UpkeepWhileLogging(benchmark::State& state)
{
    const bool stepwise = state.range(0) != 0;
    FreshDatabase database;
    fillVoltageLog(state.range(1), 120, stepwise);
    DatabaseManager::prepareForUse();
    const QString file = QSqlDatabase::database().databaseName();
    value(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    dropFromCache(file);
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
    state.counters["free%before"] = freePercent();

    QElapsedTimer clock;
    clock.start();
    QHash<quint64, qint64> handed;
    double longestWaitMs = 0;
    double latestTimerMs = 0;
    int stalls = 0;
    int rows = 0;
    const auto written = QObject::connect(&WriteBatch::instance(), &WriteBatch::written,
                                          [&](const WriteBatch::WrittenRows& done) {
                                              for (const WriteBatch::WrittenRow& row : done)
                                                  longestWaitMs = std::max(
                                                      longestWaitMs, (clock.nsecsElapsed() - handed.take(row.ticket)) / 1e6);
                                          });
    const auto stalled = QObject::connect(&WriteBatch::instance(), &WriteBatch::stalled, [&stalls] { ++stalls; });
    for (auto _ : state) {
        QTimer writer;
        writer.setInterval(20);
        QObject::connect(&writer, &QTimer::timeout, [&] {
            const WriteBatch::Receipt receipt =
                WriteBatch::instance().append(QStringLiteral("insert into logAlarm(info) values(?)"), {++rows});
            handed.insert(receipt.ticket, clock.nsecsElapsed());
        });
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(10);
        qint64 last = clock.nsecsElapsed();
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            latestTimerMs = std::max(latestTimerMs, (now - last) / 1e6 - 10);
            last = now;
        });
        writer.start();
        probe.start();
        UpkeepThread upkeep;
        upkeep.waitForEnd();
        // Rows handed over just before the end are written and told too.
        QEventLoop loop;
        QTimer::singleShot(2 * WriteBatch::RetryDelayMs, &loop, &QEventLoop::quit);
        loop.exec();
        writer.stop();
        probe.stop();
    }
    while (!WriteBatch::instance().commit())
        QThread::msleep(WriteBatch::RetryDelayMs);
    QObject::disconnect(written);
    QObject::disconnect(stalled);
    if (!stepwise) {
        closeEverything(database);
        dropFromCache(file);
        dropFromCache(DatabaseManager::conversionFile(file));
        QElapsedTimer next;
        next.start();
        DatabaseManager::finishConversion(file);
        state.counters["switchMs"] = next.nsecsElapsed() / 1e6;
        QSqlDatabase::database().open();
    }
    state.counters["free%after"] = freePercent();
    state.counters["autoVacuum"] = double(value(QStringLiteral("PRAGMA auto_vacuum")));
    state.counters["longestRowWaitMs"] = longestWaitMs;
    state.counters["timerLateMs"] = latestTimerMs;
    state.counters["stallAlerts"] = stalls;
    state.counters["rowsLost"] = double(rows - value(QStringLiteral("select count(*) from logAlarm")));
}
BENCHMARK(BM_UpkeepWhileLogging)
    ->Args({1, 2000000})
    ->Args({0, 2000000})
    ->Args({0, 10000000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
