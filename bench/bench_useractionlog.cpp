// The user-action log at 1,000 and 300,000 rows, as the operator has it:
// the dialog shown beside the window while actions are written. Timed per
// action: from the action until its row is in the view (the log writer's
// commit delay included), the longest the GUI thread went meanwhile without
// turning its event loop (a 10 ms timer's worst lateness), and how much the
// process's memory grew over the run. And a header click, until the first
// page of the new order is there.
#include "benchdata.h"
#include "useractionlogdlg.h"
#include "writebatch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// `rows` actions spread over the last 200 days; the log is filled anew
// only when it holds another number of rows.
void fillLog(qint64 rows)
{
    QSqlQuery query(QStringLiteral("select count(*) from logUserAction"));
    if (query.next() && query.value(0).toLongLong() == rows)
        return;
    query.finish();
    query.exec(QStringLiteral("delete from logUserAction"));
    query.exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
                              "insert into logUserAction(datetime, user, subject, info) "
                              "select strftime('%d.%m.%Y %H:%M:%S ', 'now', 'localtime', '-200 days', "
                              "'+' || (i * 17280000 / %2) || ' seconds'), 'admin', 'Subject ' || (i % 17), "
                              "'Action ' || i from n")
                   .arg(rows - 1)
                   .arg(rows));
}

// The dialog on the screen, as the menu action opens it (shown, not run in
// a loop of its own, so that the bench turns the events).
struct ShownLog
{
    ShownLog()
    {
        dialog.userName = QStringLiteral("admin");
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            qWarning("The user-action log was not shown");
    }
    QTableView* table() const { return dialog.findChild<QTableView*>(QStringLiteral("tableLog")); }
    UserActionLogDlg dialog;
};

// The worst lateness of a 10 ms timer while it runs: the longest pass of
// the event loop.
struct BlockProbe
{
    BlockProbe()
    {
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            longestMs = std::max(longestMs, sinceTick.nsecsElapsed() / 1e6 - 10);
            sinceTick.start();
        });
        sinceTick.start();
        ticker.start();
    }
    QTimer ticker;
    QElapsedTimer sinceTick;
    double longestMs = 0;
};

void BM_UserActionShown(benchmark::State& state)
{
    fillLog(state.range(0));
    ShownLog log;
    const QAbstractItemModel* view = log.table()->model();
    const double before = residentMB();
    double longestMs = 0;
    double slowestMs = 0;
    int actions = 0;
    for (auto _ : state) {
        const QString text = QStringLiteral("Bench action %1").arg(actions++);
        BlockProbe probe;
        QElapsedTimer timer;
        timer.start();
        log.dialog.addRecord(QStringLiteral("Bench"), text);
        while (view->index(0, 4).data().toString() != text)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        slowestMs = std::max(slowestMs, timer.nsecsElapsed() / 1e6);
        longestMs = std::max(longestMs, probe.longestMs);
    }
    state.counters["slowestMs"] = slowestMs;
    state.counters["longestPassMs"] = longestMs;
    state.counters["addedMB"] = residentMB() - before;
    state.counters["held"] = view->rowCount();
}
BENCHMARK(BM_UserActionShown)->Arg(1000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(100);

// Each iteration one click on a header section through the window system,
// each section twice (ascending, then descending).
void BM_UserActionLogSortClick(benchmark::State& state)
{
    fillLog(state.range(0));
    ShownLog log;
    QHeaderView* header = log.table()->horizontalHeader();
    int clicks = 0;
    double longest = 0;
    for (auto _ : state) {
        const int section = 1 + (clicks++ / 2) % 4;
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(log.dialog.windowHandle(), Qt::LeftButton, {}, header->viewport()->mapTo(&log.dialog, at));
        QCoreApplication::processEvents();
        longest = std::max(longest, timer.nsecsElapsed() / 1e6);
    }
    state.counters["longestMs"] = longest;
    state.counters["shown"] = log.table()->model()->rowCount();
}
BENCHMARK(BM_UserActionLogSortClick)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(16);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    {
        FreshDatabase database;
        // The log's indexes as the upkeep gives them to a file made before them.
        {
            DatabaseManager upkeep;
            upkeep.startUpkeep();
        }
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
    }
    return 0;
}
