// The report engine: collecting field values, evaluating formulas, and
// whole reports rendered to PDF.
#include "benchmain.h"
#include "reportbandobject.h"
#include "reportengine.h"

#include <QApplication>

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

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
