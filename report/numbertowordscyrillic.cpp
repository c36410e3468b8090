#include "numbertowords.h"

#include "numbertowordscommon.h"

#include <QStringList>

#include <cmath>

// Ukrainian and Russian money texts. Both write the amount group by group of
// three digits, from the kopiyky (group 0) up to the milliards (group 4),
// each group with its own grammatical form of the word that follows it.

namespace {

QStringList words(std::initializer_list<const char*> utf8)
{
    QStringList list;
    for (const char* word : utf8)
        list << QString::fromUtf8(word);
    return list;
}

// The words of one language as one call uses them.
struct MoneyWords
{
    QString zero;
    QStringList forms[5];     // first, second, third form per group
    QStringList unitRows[5];  // the unit words per group (groups 1 to 4)
    QStringList tens;
    QStringList hundreds;
    QStringList teens;
};

// The working value: whole units times 1000 plus the kopiyky to the nearest
// whole, halves up. A rounding up to 100 kopiyky is carried into the whole
// part, so 1.999 reads as two and not as one with 00 kopiyky.
qint64 workingValue(double amount)
{
    qint64 whole = qint64(std::trunc(amount));
    const qint64 thousandths = qint64(std::trunc(amount * 1000.0)) % 1000;
    qint64 kopiyky = (thousandths + 5) / 10;
    if (kopiyky == 100) {
        ++whole;
        kopiyky = 0;
    }
    return whole * 1000 + kopiyky;
}

int formIndex(int tens, int units)
{
    if (tens == 1)
        return 2;
    if (units == 1)
        return 0;
    if (units >= 2 && units <= 4)
        return 1;
    return 2;
}

QString moneyText(qint64 n, const MoneyWords& w)
{
    QString text;
    for (int group = 0; group < 5; ++group) {
        const QString lower = text;
        const int g = int(n % 1000);
        n /= 1000;
        if (group == 1 && g == 0 && n == 0)
            return w.zero + w.forms[1].at(2) + lower;
        const int units = g % 10;
        const int tens = g / 10 % 10;
        const QString& form = w.forms[group].at(formIndex(tens, units));
        if (group == 0) {
            // Two digits always; the currency group follows whatever n is.
            text = QString::number(tens) + QString::number(units) + QLatin1Char(' ') + form;
            continue;
        }
        if (g == 0 && group >= 2)
            continue; // an empty thousands or millions group writes nothing
        text = w.hundreds.at(g / 100)
            + (tens == 1 ? w.teens.at(units) : w.tens.at(tens) + w.unitRows[group].at(units))
            + form + lower;
        if (n == 0)
            break;
    }
    return text;
}

// The amount is cut to the range both routines write; anything else is
// refused by the callers before this runs.
constexpr double LargestAmount = 999999999999.99;

const QStringList& ukrMasculine()
{
    static const QStringList row = words({ "", "один ", "два ", "три ", "чотири ", "п'ять ", "шість ", "сім ", "вісім ", "дев'ять " });
    return row;
}

MoneyWords makeUkrainianWords(int currency)
{
    static const QStringList feminine = words({ "", "одна ", "дві ", "три ", "чотири ", "п'ять ", "шість ", "сім ", "вісім ", "дев'ять " });
    MoneyWords w;
    w.zero = QString::fromUtf8("нуль ");
    if (currency == 0) {
        w.forms[0] = QStringList { QString(), QString(), QString() };
        w.forms[1] = QStringList { QStringLiteral(", "), QStringLiteral(", "), QStringLiteral(", ") };
    } else {
        w.forms[0] = words({ "копійка", "копійки", "копійок" });
        w.forms[1] = words({ "гривня ", "гривні ", "гривень " });
    }
    w.forms[2] = words({ "тисяча ", "тисячі ", "тисяч " });
    w.forms[3] = words({ "мільйон ", "мільйони ", "мільйонів " });
    w.forms[4] = words({ "мільярд ", "мільярди ", "мільярдів " });
    w.unitRows[1] = w.unitRows[2] = feminine;
    w.unitRows[3] = w.unitRows[4] = ukrMasculine();
    w.tens = words({ "", "", "двадцять ", "тридцять ", "сорок ", "п'ятдесят ", "шістдесят ", "сімдесят ", "вісімдесят ", "дев'яносто " });
    w.hundreds = words({ "", "сто ", "двісті ", "триста ", "чотириста ", "п'ятсот ", "шістсот ", "сімсот ", "вісімсот ", "дев'ятсот " });
    w.teens = words({ "десять ", "одинадцять ", "дванадцять ", "тринадцять ", "чотирнадцять ", "п'ятнадцять ",
                      "шістнадцять ", "сімнадцять ", "вісімнадцять ", "дев'ятнадцять " });
    return w;
}

MoneyWords makeRussianWords(int currency)
{
    static const QStringList masculine = words({ "", "один ", "два ", "три ", "четыре ", "пять ", "шесть ", "семь ", "восемь ", "девять " });
    MoneyWords w;
    w.zero = QString::fromUtf8("ноль ");
    QStringList currencyRow = masculine;
    if (currency == 1) {
        w.forms[1] = words({ "гривна, ", "гривны, ", "гривен, " });
        currencyRow[1] = QString::fromUtf8("одна ");
        currencyRow[2] = QString::fromUtf8("две ");
    } else if (currency == 2) {
        w.forms[1] = words({ "рубль, ", "рубля, ", "рублей, " });
    } else {
        w.forms[1] = QStringList { QStringLiteral(", "), QStringLiteral(", "), QStringLiteral(", ") };
    }
    if (currency == 1 || currency == 2)
        w.forms[0] = words({ "копейка ", "копейки ", "копеек " });
    else
        w.forms[0] = QStringList { QString(), QString(), QString() };
    w.forms[2] = words({ "тысяча ", "тысячи ", "тысяч " });
    w.forms[3] = words({ "миллион ", "миллиона ", "миллионов " });
    w.forms[4] = words({ "миллиард ", "миллиарда ", "миллиардов " });
    w.unitRows[1] = currencyRow;
    w.unitRows[2] = words({ "", "одна ", "две ", "три ", "четыре ", "пять ", "шесть ", "семь ", "восемь ", "девять " });
    // Millions and milliards are masculine whatever the currency.
    w.unitRows[3] = w.unitRows[4] = masculine;
    w.tens = words({ "", "", "двадцать ", "тридцать ", "сорок ", "пятьдесят ", "шестьдесят ", "семьдесят ", "восемьдесят ", "девяносто " });
    w.hundreds = words({ "", "сто ", "двести ", "триста ", "четыреста ", "пятьсот ", "шестьсот ", "семьсот ", "восемьсот ", "девятьсот " });
    w.teens = words({ "десять ", "одиннадцать ", "двенадцать ", "тринадцать ", "четырнадцать ", "пятнадцать ",
                      "шестнадцать ", "семнадцать ", "восемнадцать ", "девятнадцать " });
    return w;
}

// The tables are built once per currency switch and only read afterwards.
const MoneyWords& ukrainianWords(int currency)
{
    static const MoneyWords plain = makeUkrainianWords(0);
    static const MoneyWords hryvni = makeUkrainianWords(1);
    return currency == 0 ? plain : hryvni;
}

const MoneyWords& russianWords(int currency)
{
    static const MoneyWords plain = makeRussianWords(0);
    static const MoneyWords hryvni = makeRussianWords(1);
    static const MoneyWords roubles = makeRussianWords(2);
    return currency == 1 ? hryvni : currency == 2 ? roubles : plain;
}

} // namespace

QString numberToWordsUkr(double amount, int currency)
{
    if (!std::isfinite(amount) || std::fabs(amount) > LargestAmount)
        return QString();
    const qint64 n = workingValue(std::fabs(amount));
    QString text = moneyText(n, ukrainianWords(currency));
    text.remove(QLatin1Char(','));
    // Only an amount that is not written as zero carries its sign.
    if (amount < 0 && n > 0)
        text.prepend(QString::fromUtf8("мінус "));
    return text;
}

QString numberToWordsRus(double amount, int currency)
{
    if (!std::isfinite(amount))
        return QString();
    if (std::fabs(amount) > LargestAmount)
        return QString::fromUtf8("Очень много денег ...");
    const qint64 n = workingValue(std::fabs(amount));
    QString text = moneyText(n, russianWords(currency));
    text.replace(QStringLiteral(" ,"), QStringLiteral(","));
    if (amount < 0 && n > 0)
        text.prepend(QString::fromUtf8("Минус "));
    return text;
}
