// The alarm log at 300,000 and 1,000,000 rows, every row shown: what a
// header click costs until the first sorted page is there, and what a
// printout costs through the real print preview: how soon the preview shows
// and how soon its first page, the longest the GUI thread goes without
// turning its event loop (a 10 ms timer's worst lateness), how soon a Cancel
// takes, and how much the process's memory grows.
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
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

double residentMB(const char* field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

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
}

// Each iteration one header click, cycling through the four columns and both
// orders; the time is the click until the model holds its first page.
void BM_AlarmLogSortClick(benchmark::State& state)
{
    fillLog(state.range(0));
    AlarmLogWidget widget;
    showAllDays(widget);
    QHeaderView* header = widget.findChild<QTableView*>(QStringLiteral("tableLog"))->horizontalHeader();
    int click = 0;
    double longest = 0;
    for (auto _ : state) {
        const int column = 1 + (click / 2) % 4;
        const Qt::SortOrder order = click % 2 ? Qt::DescendingOrder : Qt::AscendingOrder;
        ++click;
        QElapsedTimer timer;
        timer.start();
        header->setSortIndicator(column, order);
        longest = std::max(longest, timer.nsecsElapsed() / 1e6);
    }
    state.counters["longestMs"] = longest;
}
BENCHMARK(BM_AlarmLogSortClick)->Arg(300000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(16);

// One printout through the preview dialog. With a second argument the
// operator cancels that many milliseconds into rendering; without, the
// preview is closed once it shows every page. While it renders, the
// operator pages through what is there.
void BM_AlarmLogPrint(benchmark::State& state)
{
    fillLog(state.range(0));
    const qint64 cancelAfterMs = state.range(1);
    AlarmLogWidget widget;
    showAllDays(widget);
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
        clock.start();
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
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
    }
    return 0;
}
