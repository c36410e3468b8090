#pragma once

#include <QString>

class QScriptEngine;
class ReportAggregates;

// The functions report formulas call, installed on the global object of a
// script engine: Sum (the aggregates), ToUpper, ToLower, NumberToWords, Frac,
// Floor, Ceil and Round.
//
// Numeric arguments are read from their text, so a text that is no number
// counts 0. Integer results are signed 32-bit; a result that is not a number
// or does not fit gives -2147483648.
namespace ReportFunctions {

// Installs the functions. Sum reads its values from aggregates (which must
// outlive the engine's use); without aggregates every Sum gives 0. Whether a
// formula counts only the records of the data group being printed is read at
// each call from the global property "showInGroup", which the caller sets to
// the band's showInGroup before evaluating.
void install(QScriptEngine& engine, ReportAggregates* aggregates);

// Formulas write Sum(, Avg(, Count(, Max( and Min( (in any case); they all
// reach the one script function Sum with the aggregate's kind in front:
// "Avg([v])" becomes "Sum(1,[v])".
QString rewriteAggregateCalls(QString formula);

// The integer results of the rounding functions.
int frac(double x);
int floor(double x);
int ceil(double x);
int round(double x);

// A whole number as a signed 32-bit integer; -2147483648 when it is not a
// number or does not fit.
int toInt32(double wholeNumber);

} // namespace ReportFunctions
