#include "numbertowords.h"

#include "numbertowordscommon.h"

namespace {

QString tableWord(qint64 n)
{
    static const char* const small[] = {
        "zero", "uno", "due", "tre", "quattro", "cinque", "sei", "sette", "otto", "nove", "dieci",
        "undici", "dodici", "tredici", "quattordici", "quindici", "sedici", "diciassette",
        "diciotto", "diciannove", "venti",
    };
    static const char* const tens[] = { "", "", "venti", "trenta", "quaranta", "cinquanta",
                                        "sessanta", "settanta", "ottanta", "novanta" };
    return NumberToWordsCommon::tableWord(n, small, tens);
}

QString italian(qint64 n)
{
    if (n < 21)
        return tableWord(n);
    if (n < 100) {
        QString text = tableWord(n / 10 * 10);
        const qint64 units = n % 10;
        if (units == 0)
            return text;
        // "venti" + "uno" is "ventuno": the vowel goes before uno and otto.
        if (units == 1 || units == 8)
            text.chop(1);
        return text + tableWord(units);
    }
    static const int powers[] = { 2, 3, 6, 9 };
    qint64 count = 0;
    const int power = NumberToWordsCommon::largestScale(n, powers, &count);
    QString text;
    switch (power) {
    case 2: text = count == 1 ? QStringLiteral("cento") : italian(count) + QLatin1String("cento"); break;
    case 3:
        if (count == 1) {
            text = QStringLiteral("mille");
            break;
        }
        text = italian(count);
        // "ventuno" + "mila" is "ventunmila".
        if (text.endsWith(QLatin1String("uno")))
            text.chop(1);
        text += QLatin1String("mila ");
        break;
    case 6: text = count == 1 ? QStringLiteral("un milione ") : italian(count) + QLatin1String(" milioni "); break;
    default: text = count == 1 ? QStringLiteral("un miliardo ") : italian(count) + QLatin1String(" miliardi "); break;
    }
    const qint64 rest = n % NumberToWordsCommon::powerOfTen(power);
    if (rest == 0)
        return text;
    const QString restText = italian(rest);
    // "cento" + "ottanta" is "centottanta", as "venti" + "otto" is "ventotto".
    if (power == 2 && restText.startsWith(QLatin1String("ott")))
        text.chop(1);
    return text + restText;
}

} // namespace

QString numberToWordsIta(double amount)
{
    qint64 whole = 0;
    if (!NumberToWordsCommon::wholePart(amount, &whole))
        return QString();
    return italian(whole);
}
