#include "numbertowords.h"

#include "numbertowordscommon.h"

namespace {

QString smallNumber(qint64 n)
{
    static const char* const small[] = {
        "zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine",
        "ten", "eleven", "twelve", "thirteen", "fourteen", "fifteen", "sixteen",
        "seventeen", "eighteen", "nineteen", "twenty",
    };
    static const char* const tens[] = { "", "", "twenty", "thirty", "forty", "fifty",
                                        "sixty", "seventy", "eighty", "ninety" };
    return NumberToWordsCommon::tableWord(n, small, tens);
}

QString scaleWord(int power)
{
    switch (power) {
    case 2: return QStringLiteral("hundred");
    case 3: return QStringLiteral("thousand");
    case 6: return QStringLiteral("million");
    default: return QStringLiteral("billion");
    }
}

QString english(qint64 n)
{
    if (n < 21)
        return smallNumber(n);
    if (n < 100) {
        QString text = smallNumber(n / 10 * 10);
        if (n % 10 > 0)
            text += QLatin1Char('-') + english(n % 10);
        return text;
    }
    static const int powers[] = { 2, 3, 6, 9 };
    qint64 count = 0;
    const int power = NumberToWordsCommon::largestScale(n, powers, &count);
    QString text = english(count) + QLatin1Char(' ') + scaleWord(power);
    const qint64 rest = n % NumberToWordsCommon::powerOfTen(power);
    if (rest > 0)
        text += QLatin1Char(' ') + english(rest);
    return text;
}

} // namespace

QString numberToWordsEng(double amount)
{
    // Counted in 64 bits, so amounts past two billion read as "three billion"
    // and not as a wrapped 32-bit remainder.
    qint64 whole = 0;
    if (!NumberToWordsCommon::wholePart(amount, &whole))
        return QString();
    return english(whole);
}
