#include "numbertowords.h"

#include "numbertowordscommon.h"

#include <cmath>

namespace {

QString tableWord(int n)
{
    static const char* const small[] = {
        "z\u00e9ro", "un", "deux", "trois", "quatre", "cinq", "six", "sept", "huit", "neuf",
        "dix", "onze", "douze", "treize", "quatorze", "quinze", "seize", "dix-sept", "dix-huit", "dix-neuf",
    };
    return QString::fromUtf8(small[n]);
}

// The tens word and the units that follow it, by variant.
QString tensWord(int n, int variant, int* units)
{
    static const char* const tens[] = { "", "", "vingt", "trente", "quarante", "cinquante", "soixante",
                                        "septante", "huitante", "nonante" };
    *units = n % 10;
    const int decade = n / 10;
    if (variant == FrenchOfFrance && (decade == 7 || decade == 9)) {
        *units += 10;
        return QLatin1String(decade == 7 ? "soixante" : "quatre-vingt");
    }
    if (decade == 8 && variant != FrenchOfSwitzerland)
        return QStringLiteral("quatre-vingt");
    return QLatin1String(tens[decade]);
}

// beforeMille: the number counts thousands, so "cents" and "quatre-vingts"
// lose their plural s (deux-cent-mille, quatre-vingt-mille).
QString french(int n, int variant, bool beforeMille)
{
    if (n < 0)
        return QString();
    if (n <= 19)
        return tableWord(n);
    if (n <= 99) {
        int units = 0;
        const QString tens = tensWord(n, variant, &units);
        if (units == 0)
            return tens == QLatin1String("quatre-vingt") && !beforeMille ? tens + QLatin1Char('s') : tens;
        // "et" joins un and onze to the tens words, but not to quatre-vingt.
        const bool et = (units == 1 || units == 11) && tens != QLatin1String("quatre-vingt");
        return tens + QLatin1String(et ? "-et-" : "-") + french(units, variant, false);
    }
    if (n <= 999) {
        const int hundreds = n / 100;
        const int rest = n % 100;
        QString text = hundreds == 1 ? QStringLiteral("cent") : tableWord(hundreds) + QLatin1String("-cent");
        if (rest > 0)
            return text + QLatin1Char('-') + french(rest, variant, beforeMille);
        return hundreds > 1 && !beforeMille ? text + QLatin1Char('s') : text;
    }
    static const int powers[] = { 3, 6, 9 };
    qint64 count = 0;
    const int power = NumberToWordsCommon::largestScale(n, powers, &count);
    QString text;
    if (power == 3) {
        text = count == 1 ? QStringLiteral("mille") : french(int(count), variant, true) + QLatin1String("-mille");
    } else {
        const QString scale = QLatin1String(power == 6 ? "million" : "milliard");
        text = count == 1 ? QLatin1String("un-") + scale
                          : french(int(count), variant, false) + QLatin1Char('-') + scale + QLatin1Char('s');
    }
    const qint64 rest = n % NumberToWordsCommon::powerOfTen(power);
    if (rest > 0)
        text += QLatin1Char('-') + french(int(rest), variant, false);
    return text;
}

// Centimes to the nearest, carried into the whole part at 100.
QString moneyToWordsFra(double amount, int variant, const char* currency)
{
    if (!std::isfinite(amount) || amount < 0 || amount >= 2147483647.0)
        return QString();
    const qint64 cents = std::llround(amount * 100.0);
    const int whole = int(cents / 100);
    const int centimes = int(cents % 100);
    QString text = french(whole, variant, false) + QLatin1Char(' ') + QLatin1String(currency);
    if (whole > 1)
        text += QLatin1Char('s');
    text += QLatin1Char(' ');
    if (centimes > 0)
        text += french(centimes, variant, false) + QLatin1String(" Centime(s)");
    return text;
}

} // namespace

QString numberToWordsFra(int value, int variant)
{
    return french(value, variant, false);
}

QString moneyToWordsFraBe(double amount)
{
    return moneyToWordsFra(amount, FrenchOfBelgium, "Euro");
}

QString moneyToWordsFraFr(double amount)
{
    return moneyToWordsFra(amount, FrenchOfFrance, "Euro");
}

QString moneyToWordsFraCh(double amount)
{
    return moneyToWordsFra(amount, FrenchOfSwitzerland, "Franc");
}
