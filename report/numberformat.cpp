#include "numberformat.h"

#include <QLocale>

#include <cmath>

namespace {

// Fixed notation in the C locale with "," before every third digit left of
// the decimal point, never straight after the sign.
QString groupedWithCommas(double number, int decimals)
{
    QString text = QLocale::c().toString(number, 'f', decimals);
    int point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        point = text.size();
    const int firstDigit = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    for (int at = point - 3; at > firstDigit; at -= 3)
        text.insert(at, QLatin1Char(','));
    return text;
}

} // namespace

QString formatNumber(const QString& value, const QString& format)
{
    if (format.isEmpty() || format.at(0) != QLatin1Char('N'))
        return value;
    const int lastDigit = format.at(format.size() - 1).digitValue();
    const int decimals = lastDigit < 0 ? 0 : lastDigit;
    const QString pattern = format.mid(1, format.size() - 2);
    const double number = value.toDouble();
    if (!std::isfinite(number))
        return value;

    if (pattern == QLatin1String("# ###.##")) {
        // The C locale writes no group separators, so the blanks are put
        // where the commas of "#,###.##" stand.
        return groupedWithCommas(number, decimals).replace(QLatin1Char(','), QLatin1Char(' '));
    }
    if (pattern == QLatin1String("#,###.##"))
        return groupedWithCommas(number, decimals);
    if (pattern == QLatin1String("# ###,##"))
        return QLocale(QLocale::French, QLocale::France).toString(number, 'f', decimals);
    if (pattern == QLatin1String("#.###,##"))
        return QLocale(QLocale::German).toString(number, 'f', decimals);
    return value;
}
