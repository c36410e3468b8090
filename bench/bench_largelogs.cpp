// The alarm log at 300,000 and 1,000,000 rows, shown as the operator has
// it: what a header click and a change of the shown days cost until the
// first page is there, each read from a cold file (the database dropped
// from the page cache, the connection opened anew: no page and no statement
// of the last read is left), over every row, one day, the middle hundred
// days and a range that holds no row; and what a printout costs through the
// real print preview: how soon the preview shows and how soon its first
// page, the longest the GUI thread goes without turning its event loop (a
// 10 ms timer's worst lateness, counted from the moment print starts, so the
// count of the rows is in it), how soon a Cancel takes, and how much the
// process's memory grows.
#include "alarmlogmodel.h"
#include "alarmlogwidget.h"
#include "benchdata.h"
#include "pagespool.h"
#include "reportengine.h"
#include "reportpreview.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

void fillLog(qint64 rows)
{
    QSqlQuery query(QStringLiteral("select count(*) from logAlarm"));
    if (query.next() && query.value(0).toLongLong() == rows)
        return;
    query.finish();
    fillAlarmLog(rows, 200);
}

// The widget with every row of the log in its date range.
void showAllDays(AlarmLogWidget& widget)
{
    widget.findChild<QDateEdit*>(QStringLiteral("dtpFrom"))->setDate(QDate::currentDate().addDays(-201));
    widget.findChild<QDateEdit*>(QStringLiteral("dtpTo"))->setDate(QDate::currentDate());
}

// The shown days of each case: every row, one day, the middle hundred days
// of the two hundred the log holds, and days before its first row.
struct Days
{
    QDate from;
    QDate to;
};
Days daysOf(int range)
{
    const QDate today = QDate::currentDate();
    switch (range) {
    case 0:
        return {today.addDays(-201), today};
    case 1:
        return {today.addDays(-100), today.addDays(-100)};
    case 2:
        return {today.addDays(-150), today.addDays(-51)};
    default:
        return {today.addDays(-300), today.addDays(-290)};
    }
}
const char* const RangeNames[] = {"every row", "one day", "middle 100 days", "no row"};

// The database file as after a restart of the machine: its write-ahead log
// copied in, its pages dropped from the page cache, the connection opened
// anew.
void coldFile()
{
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    const QString path = db.databaseName();
    db.close();
    for (const QString& file : {path, path + QStringLiteral("-wal")}) {
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
    db.open();
}

// The widget shown on the screen, as in the Logs dock.
struct ShownLog
{
    ShownLog()
    {
        widget.resize(1000, 400);
        widget.show();
        if (!QTest::qWaitForWindowExposed(&widget))
            qWarning("The alarm log was not shown");
    }
    // A click on a header section, through the window system; the time
    // until the click has been handled, the first page read.
    double click(int section)
    {
        QHeaderView* header = widget.findChild<QTableView*>(QStringLiteral("tableLog"))->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(widget.windowHandle(), Qt::LeftButton, {}, header->viewport()->mapTo(&widget, at));
        QCoreApplication::processEvents();
        return timer.nsecsElapsed() / 1e6;
    }
    // Sets the days the way the operator's edit does; the longer of the two
    // reads it causes.
    double setDays(const Days& days)
    {
        double longest = 0;
        for (const auto& [name, date] : {std::make_pair("dtpFrom", days.from), std::make_pair("dtpTo", days.to)}) {
            QElapsedTimer timer;
            timer.start();
            widget.findChild<QDateEdit*>(QLatin1String(name))->setDate(date);
            longest = std::max(longest, timer.nsecsElapsed() / 1e6);
        }
        return longest;
    }
    // Lets the events through until the days' ends are exact (in the key's
    // order, a stretch per turn); the longest turn.
    double settle(double* totalMs)
    {
        const AlarmLogModel* model = widget.findChild<AlarmLogModel*>();
        QElapsedTimer total;
        total.start();
        double longest = 0;
        while (model->pager().spanEstimated()) {
            QElapsedTimer timer;
            timer.start();
            QCoreApplication::processEvents();
            longest = std::max(longest, timer.nsecsElapsed() / 1e6);
        }
        *totalMs = total.nsecsElapsed() / 1e6;
        return longest;
    }
    int shownRows() const { return widget.findChild<QTableView*>(QStringLiteral("tableLog"))->model()->rowCount(); }
    AlarmLogWidget widget;
};

// Each iteration one header click from a cold file, cycling through the
// four columns and both orders; the time is the click until the model holds
// its first page.
void BM_AlarmLogSortClick(benchmark::State& state)
{
    fillLog(state.range(0));
    ShownLog log;
    log.setDays(daysOf(int(state.range(1))));
    int clicks = 0;
    double longest = 0;
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        coldFile();
        state.ResumeTiming();
        // Each section twice, ascending then descending.
        const double ms = log.click(1 + (clicks / 2) % 4);
        ++clicks;
        total += ms;
        longest = std::max(longest, ms);
    }
    state.counters["longestMs"] = longest;
    state.counters["meanMs"] = total / std::max(1, clicks);
    state.counters["shown"] = log.shownRows();
    state.SetLabel(RangeNames[state.range(1)]);
}
BENCHMARK(BM_AlarmLogSortClick)
    ->Args({300000, 0})->Args({300000, 1})->Args({300000, 2})->Args({300000, 3})
    ->Args({1000000, 0})->Args({1000000, 1})->Args({1000000, 2})->Args({1000000, 3})
    ->ArgNames({"rows", "days"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(16);

// Each iteration the days changed to one case (from every row, or to every
// row from one day), the first date first, from a cold file each time (or a
// warm one); the time is the longer read of the change. Then, untimed, the
// events until the days' ends are exact: the longest turn of the event loop
// and how long it took.
void BM_AlarmLogDateChange(benchmark::State& state)
{
    fillLog(state.range(0));
    ShownLog log;
    double longest = 0;
    double longestSettle = 0;
    double settled = 0;
    int shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        log.setDays(daysOf(state.range(1) == 0 ? 1 : 0));
        double ms = 0;
        log.settle(&ms);
        if (state.range(2))
            coldFile();
        state.ResumeTiming();
        longest = std::max(longest, log.setDays(daysOf(int(state.range(1)))));
        state.PauseTiming();
        shown = log.shownRows();
        longestSettle = std::max(longestSettle, log.settle(&ms));
        settled = std::max(settled, ms);
        state.ResumeTiming();
    }
    state.counters["longestMs"] = longest;
    state.counters["settleTurnMs"] = longestSettle;
    state.counters["settledMs"] = settled;
    state.counters["shown"] = shown;
    state.SetLabel(RangeNames[state.range(1)]);
}
BENCHMARK(BM_AlarmLogDateChange)
    ->ArgsProduct({{1000000}, {0, 1, 2, 3}, {1, 0}})
    ->ArgNames({"rows", "days", "cold"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

// One printout through the preview dialog. With a second argument the
// operator cancels that many milliseconds into rendering; without, the
// preview is closed once it shows every page. While it renders, the
// operator pages through what is there.
//
// The start the operator waits for is `firstPageMs`: from the print until
// the preview holds a page to read. `shownMs` is when the preview dialog
// appears, with no page yet, only "Preparing the report..." and its
// progress.
void BM_AlarmLogPrint(benchmark::State& state)
{
    fillLog(state.range(0));
    const qint64 cancelAfterMs = state.range(1);
    ShownLog log;
    AlarmLogWidget& widget = log.widget;
    showAllDays(widget);
    coldFile();
    for (auto _ : state) {
        const double before = residentMB();
        double peak = before;
        double shown = -1;
        double firstPage = -1;
        double longestGap = 0;
        double cancelTaken = -1;
        double spoolMB = 0;
        int pages = 0;
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        QElapsedTimer sinceCancel;
        QTimer ticker;
        ticker.setInterval(10);
        int ticks = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (sinceTick.isValid())
                longestGap = std::max(longestGap, sinceTick.nsecsElapsed() / 1e6 - 10);
            sinceTick.start();
            peak = std::max(peak, residentMB());
            auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
            if (!preview || !preview->isVisible())
                return;
            if (shown < 0) {
                shown = clock.nsecsElapsed() / 1e6;
                if (cancelAfterMs > 0)
                    QTimer::singleShot(int(cancelAfterMs), preview, [preview, &sinceCancel] {
                        sinceCancel.start();
                        preview->reject();
                    });
            }
            PreviewPages* view = preview->pages();
            pages = view->pageCount();
            spoolMB = preview->spool().size() / 1048576.0;
            if (firstPage < 0 && pages > 0)
                firstPage = clock.nsecsElapsed() / 1e6;
            // Every half second a jump to the last page there is, and back.
            if (++ticks % 50 == 0)
                view->setCurrentPage(ticks % 100 ? pages : 1);
            if (!preview->rendering() && pages > 0)
                preview->reject();
        });
        // The block timer runs from before the count of the rows.
        clock.start();
        sinceTick.start();
        ticker.start();
        widget.print();
        if (sinceCancel.isValid())
            cancelTaken = sinceCancel.nsecsElapsed() / 1e6;
        ticker.stop();
        state.counters["shownMs"] = shown;
        state.counters["firstPageMs"] = firstPage;
        state.counters["longestBlockMs"] = longestGap;
        state.counters["cancelMs"] = cancelTaken;
        state.counters["addedMB"] = peak - before;
        state.counters["pages"] = pages;
        state.counters["spoolMB"] = spoolMB;
    }
}
BENCHMARK(BM_AlarmLogPrint)
    ->Args({300000, 0})
    ->Args({300000, 5000})
    ->Args({1000000, 2000})
    ->Args({1000000, 30000})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    {
        FreshDatabase database;
        QFile::copy(QStringLiteral(LUMETRA_RUNTIME_DIR "/AlarmLogReport.xml"),
                    database.dir.filePath(QStringLiteral("AlarmLogReport.xml")));
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
