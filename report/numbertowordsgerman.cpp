#include "numbertowords.h"

#include "numbertowordscommon.h"

namespace {

QString tableWord(qint64 n)
{
    static const char* const small[] = {
        "null", "ein", "zwei", "drei", "vier", "f\u00fcnf", "sechs", "sieben", "acht", "neun", "zehn",
        "elf", "zw\u00f6lf", "dreizehn", "vierzehn", "f\u00fcnfzehn", "sechzehn", "siebzehn",
        "achtzehn", "neunzehn", "zwanzig",
    };
    static const char* const tens[] = { "", "", "zwanzig", "dreissig", "vierzig", "f\u00fcnfzig",
                                        "sechzig", "siebzig", "achtzig", "neunzig" };
    return NumberToWordsCommon::tableWord(n, small, tens);
}

QString german(qint64 n, bool innerCall)
{
    if (n == 1 && !innerCall)
        return QStringLiteral("eins");
    if (n < 21)
        return tableWord(n);
    if (n < 100) {
        const QString tens = tableWord(n / 10 * 10);
        return n % 10 == 0 ? tens : german(n % 10, true) + QLatin1String("und") + tens;
    }
    static const int powers[] = { 2, 3, 6, 9 };
    qint64 count = 0;
    const int power = NumberToWordsCommon::largestScale(n, powers, &count);
    QString scale;
    switch (power) {
    case 2: scale = QStringLiteral("hundert"); break;
    case 3: scale = QStringLiteral("tausend"); break;
    case 6: scale = n < 2000000 ? QStringLiteral("emillion") : QStringLiteral("millionen"); break;
    default: scale = n < 2000000000 ? QStringLiteral("emilliarde") : QStringLiteral("milliarden"); break;
    }
    QString text = german(count, true) + scale;
    const qint64 rest = n % NumberToWordsCommon::powerOfTen(power);
    // The rest ends the caller's number, so a lone one there reads "eins"
    // (einhunderteins) exactly when it would standing alone.
    if (rest > 0)
        text += german(rest, innerCall);
    return text;
}

} // namespace

QString numberToWordsGer(double amount, bool innerCall)
{
    qint64 whole = 0;
    if (!NumberToWordsCommon::wholePart(amount, &whole))
        return QString();
    return german(whole, innerCall);
}
