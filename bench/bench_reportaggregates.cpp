// Report aggregates over a long report: a MasterData band whose formulas hold
// a running Sum and a data-group Count, evaluated for every record in both
// passes of the render loop, through the script functions the engine installs.
#include "benchmain.h"
#include "collectedvalues.h"
#include "reportaggregates.h"
#include "reportfunctions.h"

#include <QCoreApplication>
#include <QScriptEngine>

namespace {

// Values collected the way the engine collects them: one per record.
class Collected : public CollectedValues
{
public:
    int collectedCount() const override { return values.size(); }
    CollectedValue collectedAt(int index) const override { return values.at(index); }
    QList<int> groupRecords() const override { return group; }

    QList<CollectedValue> values;
    QList<int> group;
};

constexpr int GroupSize = 50;

void runReport(int records)
{
    Collected collected;
    ReportAggregates aggregates(collected);
    QScriptEngine script;
    ReportFunctions::install(script, &aggregates);
    script.globalObject().setProperty(QStringLiteral("showInGroup"), true);
    const QString sum = ReportFunctions::rewriteAggregateCalls(QStringLiteral("Sum('[amount]')"));
    const QString count = ReportFunctions::rewriteAggregateCalls(QStringLiteral("Count('[amount]')"));
    for (int pass = 0; pass < 2; ++pass) {
        for (int record = 0; record < records; ++record) {
            if (record % GroupSize == 0) {
                collected.group.clear();
                for (int r = record; r < std::min(records, record + GroupSize); ++r)
                    collected.group.append(r);
            }
            if (pass == 0)
                collected.values.append({ QStringLiteral("[amount]"), QString::number(record % 97 * 1.25), record });
            benchmark::DoNotOptimize(script.evaluate(sum).toString());
            benchmark::DoNotOptimize(script.evaluate(count).toString());
        }
    }
}

void BM_RunningSumAndGroupCount(benchmark::State& state)
{
    for (auto _ : state)
        runReport(int(state.range(0)));
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_RunningSumAndGroupCount)->Arg(10000)->Arg(20000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
