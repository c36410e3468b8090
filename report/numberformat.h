#pragma once

#include <QString>

// The number formats of report fields: "N", a pattern and one digit giving the
// number of decimals, for example "N#,###.##2".
//   "# ###.##"  1 234 567.89   (blanks between groups of three)
//   "#,###.##"  1,234,567.89
//   "# ###,##"  the French way of writing numbers
//   "#.###,##"  the German way of writing numbers
// A value that is no number reads as 0. An empty format, one not beginning
// with N, an unknown pattern or a value that is not finite leave the value
// unchanged.
QString formatNumber(const QString& value, const QString& format);
