// Cross tables: the totals of a wide grid, and a whole cross table printed
// to a PDF file.
#include "benchmain.h"
#include "crosstabgrid.h"
#include "reportengine.h"
#include "reportfieldobject.h"

#include <QApplication>
#include <QDomDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// N data columns and a row-total column, two data rows and a column-total
// row, all in one block: every cell laid out once, every total summed.
void BM_CrossTabTotals(benchmark::State& state)
{
    const int columns = int(state.range(0));
    for (auto _ : state) {
        CrossTabGrid grid;
        grid.rect = QRect(0, 0, 800, 60);
        grid.totalByRowVisible = grid.totalByColVisible = true;
        grid.setColCount(columns);
        grid.rowCount = 3;
        grid.buildMatrix();
        grid.layoutNextBlock(0, [](CrossTabCell& cell) { cell.value = QString::number(cell.column % 7 + cell.row); },
                             nullptr);
        benchmark::DoNotOptimize(grid.cells.last().value);
    }
    state.SetComplexityN(columns);
}
BENCHMARK(BM_CrossTabTotals)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();

// The same table as a crossTab field of a report, every cell painted.
void BM_CrossTabPdf(benchmark::State& state)
{
    const int columns = int(state.range(0));
    QDomDocument doc;
    doc.setContent(QStringLiteral(
        "<R><P pageWidth='840' pageHeight='1188' marginsLeft='40' marginsRight='40' marginsTop='40' marginsBottom='40'>"
        "<ReportBand type='ReportTitle' height='60'><F type='crossTab' width='760' height='60' colCount='%1'/>"
        "</ReportBand></P></R>").arg(columns + 1));
    QTemporaryDir dir;
    for (auto _ : state) {
        ReportEngine engine;
        engine.loadReportDocument(doc);
        QObject::connect(&engine, &ReportEngine::setField, [](ReportFieldObject& cell) { cell.value = QStringLiteral("7"); });
        if (!engine.printPDF(dir.filePath(QStringLiteral("table.pdf")), false))
            state.SkipWithError("PDF not written");
    }
    state.SetComplexityN(columns);
}
BENCHMARK(BM_CrossTabPdf)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
