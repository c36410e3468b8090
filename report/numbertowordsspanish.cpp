#include "numbertowords.h"

#include "numbertowordscommon.h"

#include <cmath>

namespace {

// Groups of three digits of a fifteen-digit field, from the left.
enum SpanishGroup { Billions = 0, Milliards = 1, Millions = 2, Thousands = 3, Units = 4 };
constexpr int SpanishGroupCount = 5;

QString unitWord(int n)
{
    static const char* const words[] = {
        "cero ", "uno ", "dos ", "tres ", "cuatro ", "cinco ", "seis ", "siete ", "ocho ", "nueve ",
        "diez ", "once ", "doce ", "trece ", "catorce ", "quince ", "diez y seis ", "diez y siete ",
        "diez y ocho ", "diez y nueve ",
    };
    return QLatin1String(words[n]);
}

QString scaleWord(int group, int value)
{
    switch (group) {
    case Billions: return QString::fromUtf8(value == 1 ? "billón " : "billones ");
    case Milliards: return QLatin1String(value == 1 ? "millardo " : "millardos ");
    case Millions: return QString::fromUtf8(value == 1 ? "millón " : "millones ");
    case Thousands: return QStringLiteral("mil ");
    default: return QString();
    }
}

} // namespace

// The words of one group, without its scale word.
QString groupToWordsEsp(int group, int hundreds, int tens, int units, int value)
{
    static const char* const tensWords[] = { "", "", "veinte ", "treinta ", "cuarenta ", "cincuenta ",
                                             "sesenta ", "setenta ", "ochenta ", "noventa " };
    static const char* const hundredsWords[] = { "", "ciento ", "doscientos ", "trescientos ", "cuatrocientos ",
                                                 "quinientos ", "seiscientos ", "setecientos ", "ochocientos ",
                                                 "novecientos " };
    if (value == 0 || (group == Thousands && value == 1))
        return QString(); // "mil " stands alone for one thousand
    if (value == 100)
        return QStringLiteral("cien ");
    QString text = QLatin1String(hundredsWords[hundreds]);
    if (tens == 1)
        return text + unitWord(10 + units);
    if (tens >= 2) {
        text += QLatin1String(tensWords[tens]);
        if (units != 0)
            text += QLatin1String("y ");
    }
    if (units == 1)
        text += group == Units ? QLatin1String("uno ") : QLatin1String("un ");
    else if (units >= 2)
        text += unitWord(units);
    return text;
}

namespace {

QString spanish(qint64 n)
{
    const QString field = QString::number(n).rightJustified(3 * SpanishGroupCount, QLatin1Char('0'));
    QString text;
    for (int group = 0; group < SpanishGroupCount; ++group) {
        const QStringRef digits = field.midRef(group * 3, 3);
        const int value = digits.toInt();
        if (value == 0)
            continue;
        text += groupToWordsEsp(group, digits.at(0).digitValue(), digits.at(1).digitValue(),
                                digits.at(2).digitValue(), value)
            + scaleWord(group, value);
    }
    return text;
}

} // namespace

QString numberToWordsEsp(double amount, bool hundredths)
{
    // A negative amount has no reading here (its minus sign would land in the
    // digit field), and the field holds fifteen digits.
    qint64 whole = 0;
    if (!NumberToWordsCommon::wholePart(amount, &whole) || amount < 0)
        return QString();
    if (!hundredths)
        return spanish(whole);
    // Hundredths to the nearest, carried into the whole part at 100.
    const qint64 cents = std::llround(amount * 100.0);
    QString text = spanish(cents / 100);
    if (cents % 100 > 0)
        text += QLatin1String("con ") + spanish(cents % 100);
    return text;
}
