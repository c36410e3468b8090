// The report engine: collecting field values, evaluating formulas, and
// whole reports rendered to PDF.
#include "benchmain.h"
#include "reportbandobject.h"
#include "reportengine.h"

#include <QApplication>
#include <QDomDocument>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <benchmark/benchmark.h>

namespace {

// Every record's reference collected once, then looked up again (the second
// pass of a report), and the line count read.
void BM_CollectValues(benchmark::State& state)
{
    const int values = int(state.range(0));
    for (auto _ : state) {
        ReportEngine engine;
        QObject::connect(&engine, &ReportEngine::setValue,
                         [](int recNo, QString, QVariant& value, int) { value = recNo; });
        for (int pass = 0; pass < 2; ++pass) {
            for (int r = 0; r < values; ++r) {
                engine.recNo = r;
                engine.processValue(nullptr, QStringLiteral("[source]"), false, true, QString());
            }
        }
        benchmark::DoNotOptimize(engine.processValue(nullptr, QStringLiteral("<LineCount>"), false, false, QString()));
    }
    state.SetComplexityN(values);
}
BENCHMARK(BM_CollectValues)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();

// 10,000 formulas with a reference each, in one report.
void BM_Formulas(benchmark::State& state)
{
    ReportEngine engine;
    QObject::connect(&engine, &ReportEngine::setValue, [](int recNo, QString, QVariant& value, int) { value = recNo; });
    ReportBandObject band;
    for (auto _ : state) {
        for (int r = 0; r < 10000; ++r) {
            engine.recNo = r;
            benchmark::DoNotOptimize(engine.processValue(&band, QStringLiteral("<[v] * 2 + 1>"), false, false, QString()));
        }
    }
}
BENCHMARK(BM_Formulas)->Unit(benchmark::kMillisecond);

// The alarm log's own template with N rows of typical texts, to a PDF file.
// Run one size per process to read its peak memory.
void BM_AlarmLogPdf(benchmark::State& state)
{
    const int rows = int(state.range(0));
    QTemporaryDir dir;
    for (auto _ : state) {
        ReportEngine engine;
        engine.recordsCount << rows;
        engine.loadReport(QStringLiteral(LUMETRA_RUNTIME_DIR "/AlarmLogReport.xml"));
        QObject::connect(&engine, &ReportEngine::setValue, [](int recNo, QString name, QVariant& value, int) {
            if (name == QLatin1String("datetime"))
                value = QStringLiteral("07.12.2026 10:%1:%2").arg(recNo / 60 % 60, 2, 10, QLatin1Char('0')).arg(recNo % 60, 2, 10, QLatin1Char('0'));
            else if (name == QLatin1String("source"))
                value = QStringLiteral("Gateway 1 / Energizer %1").arg(recNo % 32);
            else if (name == QLatin1String("reason"))
                value = QStringLiteral("Zone %1 voltage").arg(recNo % 2 + 1);
            else
                value = QStringLiteral("Critical");
        });
        if (!engine.printPDF(dir.filePath(QStringLiteral("log.pdf")), false))
            state.SkipWithError("PDF not written");
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024;
    state.SetComplexityN(rows);
}
BENCHMARK(BM_AlarmLogPdf)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

// N records in data groups of 50, their MasterData band printing each value
// with the running Sum and the group's Count, to a PDF file.
void BM_AggregatesPdf(benchmark::State& state)
{
    const int rows = int(state.range(0));
    QDomDocument doc;
    doc.setContent(QStringLiteral(
        "<R><P pageWidth='840' pageHeight='1188' marginsLeft='40' marginsRight='40' marginsTop='40' marginsBottom='40'>"
        "<ReportBand type='DataGroupHeader' height='20' groupingField='[g]'>"
        "<F value='Group [g]' width='760' height='20' fontSize='8'/></ReportBand>"
        "<ReportBand type='MasterData' height='20' showInGroup='1'><F value='[g]' width='100' height='20' fontSize='8'/>"
        "<F value='[v]' left='100' width='200' height='20' fontSize='8'/>"
        "<F value='&lt;Sum([v])&gt; in &lt;Count([v])&gt;' left='300' width='460' height='20' fontSize='8'/>"
        "</ReportBand></P></R>"));
    QTemporaryDir dir;
    for (auto _ : state) {
        ReportEngine engine;
        engine.recordsCount << rows;
        engine.loadReportDocument(doc);
        QObject::connect(&engine, &ReportEngine::setValue, [](int recNo, QString name, QVariant& value, int) {
            value = name == QLatin1String("g") ? QString::number(recNo / 50) : QString::number(recNo % 97 * 1.25);
        });
        if (!engine.printPDF(dir.filePath(QStringLiteral("sums.pdf")), false))
            state.SkipWithError("PDF not written");
    }
    state.SetComplexityN(rows);
}
BENCHMARK(BM_AggregatesPdf)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
