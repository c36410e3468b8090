#include "reportfunctions.h"

#include "numbertowords.h"
#include "reportaggregates.h"

#include <QScriptContext>
#include <QScriptEngine>

#include <cmath>
#include <limits>

namespace ReportFunctions {

int toInt32(double wholeNumber)
{
    constexpr int Invalid = std::numeric_limits<int>::min();
    if (!std::isfinite(wholeNumber))
        return Invalid;
    const double cut = std::trunc(wholeNumber);
    if (cut < double(std::numeric_limits<int>::min()) || cut > double(std::numeric_limits<int>::max()))
        return Invalid;
    return int(cut);
}

int frac(double x)
{
    // The first two decimals, rounded: 2.999 gives 100, -1.25 gives 75.
    if (!std::isfinite(x))
        return toInt32(x);
    return toInt32((x - std::floor(x)) * 100.0 + 0.5);
}

int floor(double x)
{
    return toInt32(std::floor(x));
}

int ceil(double x)
{
    return toInt32(std::ceil(x));
}

int round(double x)
{
    // Halves go upward: 2.5 gives 3, -2.5 gives -2.
    return toInt32(std::floor(x + 0.5));
}

QString rewriteAggregateCalls(QString formula)
{
    static const struct {
        const char* call;
        const char* replacement;
    } calls[] = {
        { "Sum(", "Sum(0," }, { "Avg(", "Sum(1," }, { "Count(", "Sum(2," }, { "Max(", "Sum(3," }, { "Min(", "Sum(4," },
    };
    for (const auto& c : calls)
        formula.replace(QLatin1String(c.call), QLatin1String(c.replacement), Qt::CaseInsensitive);
    return formula;
}

namespace {

double numberArgument(QScriptContext* context, int index)
{
    return context->argument(index).toString().toDouble();
}

QScriptValue sum(QScriptContext* context, QScriptEngine*, void* data)
{
    const double kindValue = context->argument(0).toInteger();
    // A kind that does not fit any of the five gives the integer 0.
    const int kind = std::fabs(kindValue) <= ReportAggregates::MinKind ? int(kindValue) : -1;
    auto* aggregates = static_cast<ReportAggregates*>(data);
    if (!aggregates)
        return kind == ReportAggregates::SumKind || kind == ReportAggregates::MaxKind || kind == ReportAggregates::MinKind
            ? QScriptValue(0.0) : QScriptValue(0);
    const bool inGroup = context->thisObject().property(QStringLiteral("showInGroup")).toBool();
    const QVariant value = aggregates->aggregate(kind, context->argument(1).toString(), inGroup);
    if (value.type() == QVariant::Double)
        return QScriptValue(value.toDouble());
    return QScriptValue(value.toInt());
}

QScriptValue toUpper(QScriptContext* context, QScriptEngine*)
{
    return QScriptValue(context->argument(0).toString().toUpper());
}

QScriptValue toLower(QScriptContext* context, QScriptEngine*)
{
    return QScriptValue(context->argument(0).toString().toLower());
}

QScriptValue inWords(QScriptContext* context, QScriptEngine*)
{
    return QScriptValue(numberToWords(numberArgument(context, 1), context->argument(0).toString()));
}

template <int (*Function)(double)>
QScriptValue integerFunction(QScriptContext* context, QScriptEngine*)
{
    return QScriptValue(Function(numberArgument(context, 0)));
}

} // namespace

void install(QScriptEngine& engine, ReportAggregates* aggregates)
{
    QScriptValue global = engine.globalObject();
    global.setProperty(QStringLiteral("Sum"), engine.newFunction(sum, aggregates));
    global.setProperty(QStringLiteral("ToUpper"), engine.newFunction(toUpper, 0));
    global.setProperty(QStringLiteral("ToLower"), engine.newFunction(toLower, 0));
    global.setProperty(QStringLiteral("NumberToWords"), engine.newFunction(inWords, 0));
    global.setProperty(QStringLiteral("Frac"), engine.newFunction(integerFunction<frac>, 0));
    global.setProperty(QStringLiteral("Floor"), engine.newFunction(integerFunction<floor>, 0));
    global.setProperty(QStringLiteral("Ceil"), engine.newFunction(integerFunction<ceil>, 0));
    global.setProperty(QStringLiteral("Round"), engine.newFunction(integerFunction<round>, 0));
}

} // namespace ReportFunctions
