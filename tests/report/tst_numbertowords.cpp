#include "numbertowords.h"

#include <QtTest>

#include <functional>
#include <limits>

// Amounts in words, one table per language. In an expected text "_" stands
// for a blank that matters (at either end, or doubled).
namespace {

struct Row
{
    double amount;
    const char* words;
};

using Routine = std::function<QString(double)>;

void columns()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("expected");
}

void rows(const char* name, const Routine& routine, std::initializer_list<Row> table)
{
    for (const Row& row : table) {
        QTest::addRow("%s %.17g", name, row.amount)
            << routine(row.amount) << QString::fromUtf8(row.words).replace(QLatin1Char('_'), QLatin1Char(' '));
    }
}

Routine code(const char* languageCode)
{
    return [languageCode](double amount) { return numberToWords(amount, QLatin1String(languageCode)); };
}

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Infinity = std::numeric_limits<double>::infinity();

} // namespace

class tst_NumberToWords : public QObject
{
    Q_OBJECT

private slots:
    void words_data();
    void words();
    void english_data();
    void english() { words(); }
    void ukrainian_data();
    void ukrainian() { words(); }
    void russian_data();
    void russian() { words(); }
    void german_data();
    void german() { words(); }
    void italian_data();
    void italian() { words(); }
    void spanish_data();
    void spanish() { words(); }
    void french_data();
    void french() { words(); }
};

// Codes, fall-backs and amounts no routine can write.
void tst_NumberToWords::words_data()
{
    columns();
    rows("ENG", code("ENG"), { { 0, "zero" } });
    for (const char* other : { "eng", "Ger", "", " ENG", "XX" })
        rows(other, code(other), { { 21, "twenty-one" } });
    rows("FR_BE", code("FR_BE"), { { 71.9, "septante-et-un" }, { 3e9, "" }, { -3e9, "" } });
    for (const char* language : { "UKR", "GER", "ENG", "ESP", "FR_FR", "FR_BE", "FR_CH", "ITA", "XX" })
        rows(language, code(language), { { NaN, "" }, { Infinity, "" }, { -Infinity, "" }, { 1e300, "" } });
    rows("ESP", code("ESP"), { { -3, "" } });
    rows("ENG", code("ENG"), { { 3e9, "three billion" }, { -3, "" } });
}

void tst_NumberToWords::words()
{
    QFETCH(QString, words);
    QFETCH(QString, expected);
    QCOMPARE(words, expected);
}

void tst_NumberToWords::english_data()
{
    columns();
    rows("ENG", code("ENG"), {
        { 12.5, "twelve" }, { 19, "nineteen" }, { 21, "twenty-one" }, { 99.9, "ninety-nine" },
        { 100, "one hundred" }, { 100.5, "one hundred" }, { 101, "one hundred one" },
        { 115, "one hundred fifteen" }, { 1000, "one thousand" }, { 1001, "one thousand one" },
        { 1100, "one thousand one hundred" }, { 120000, "one hundred twenty thousand" },
        { 1000001, "one million one" },
        { 1234567, "one million two hundred thirty-four thousand five hundred sixty-seven" },
        { 2147483647, "two billion one hundred forty-seven million four hundred eighty-three thousand six hundred forty-seven" },
    });
}

void tst_NumberToWords::ukrainian_data()
{
    columns();
    rows("UKR", code("UKR"), {
        { 0, "нуль__00_" }, { 1, "одна__00_" }, { 2.5, "дві__50_" }, { 11.01, "одинадцять__01_" },
        { 21.21, "двадцять одна__21_" }, { 1234.56, "одна тисяча двісті тридцять чотири__56_" },
        { 22000, "двадцять дві тисячі__00_" },
        { 300000, "триста тисяч__00_" }, { -5, "мінус п'ять__00_" }, { 1e12, "" },
    });
    rows("hryvni", [](double a) { return numberToWordsUkr(a, 1); }, {
        { 0, "нуль гривень 00 копійок" }, { 0.07, "нуль гривень 07 копійок" },
        { 21.21, "двадцять одна гривня 21 копійка" }, { 100.01, "сто гривень 01 копійка" },
        { 1000.5, "одна тисяча гривень 50 копійок" },
        { 1234.56, "одна тисяча двісті тридцять чотири гривні 56 копійок" },
        { 5000, "п'ять тисяч гривень 00 копійок" }, { 1.999, "дві гривні 00 копійок" },
        { 2000000, "два мільйони гривень 00 копійок" },
        { 1001000001, "один мільярд один мільйон одна гривня 00 копійок" },
    });
}

void tst_NumberToWords::russian_data()
{
    columns();
    rows("none", [](double a) { return numberToWordsRus(a, 0); }, {
        { 1234.56, "одна тысяча двести тридцать четыре, 56_" }, { 0, "ноль, 00_" },
    });
    rows("hryvni", [](double a) { return numberToWordsRus(a, 1); }, {
        { 1234.56, "одна тысяча двести тридцать четыре гривны, 56 копеек_" },
        { 21, "двадцать одна гривна, 00 копеек_" },
        { 1000000, "один миллион гривен, 00 копеек_" },
    });
    rows("roubles", [](double a) { return numberToWordsRus(a, 2); }, {
        { 21, "двадцать один рубль, 00 копеек_" },
        { 999999999999.99, "девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов "
                           "девятьсот девяносто девять тысяч девятьсот девяносто девять рублей, 99 копеек_" },
        { 1000000000000, "Очень много денег ..." }, { -2, "Минус два рубля, 00 копеек_" },
    });
}

void tst_NumberToWords::german_data()
{
    columns();
    rows("GER", code("GER"), {
        { 0, "null" }, { 1, "eins" }, { 1.9, "eins" }, { 11, "elf" }, { 20.5, "zwanzig" },
        { 21, "einundzwanzig" }, { 30, "dreissig" }, { 66, "sechsundsechzig" }, { 100, "einhundert" },
        { 101, "einhunderteins" }, { 1001, "eintausendeins" },
        { 1234, "eintausendzweihundertvierunddreissig" }, { 1000000, "einemillion" },
        { 1000001, "einemillioneins" }, { 2500000, "zweimillionenfünfhunderttausend" },
        { 1000000000, "einemilliarde" }, { 5000000000, "fünfmilliarden" },
        { 1e12, "eintausendmilliarden" }, { -1, "" }, { -0.5, "null" },
    });
}

void tst_NumberToWords::italian_data()
{
    columns();
    rows("ITA", code("ITA"), {
        { 0, "zero" }, { 12.5, "dodici" }, { 17, "diciassette" }, { 21, "ventuno" }, { 28, "ventotto" },
        { 23, "ventitre" }, { 100, "cento" }, { 101, "centouno" }, { 1000, "mille" },
        { 1500, "millecinquecento" }, { 2000, "duemila_" }, { 2345, "duemila trecentoquarantacinque" },
        { 1000000, "un milione_" }, { 3000000, "tre milioni_" }, { 1000001, "un milione uno" },
        { 200000, "duecentomila_" }, { -1, "" }, { 180, "centottanta" }, { 808, "ottocentotto" },
        { 21000, "ventunmila_" },
    });
}

void tst_NumberToWords::spanish_data()
{
    columns();
    rows("ESP", code("ESP"), {
        { 0, "" }, { 1, "uno_" }, { 16, "diez y seis_" }, { 21, "veinte y uno_" }, { 30, "treinta_" },
        { 100, "cien_" }, { 101, "ciento uno_" }, { 120, "ciento veinte_" }, { 500, "quinientos_" },
        { 999, "novecientos noventa y nueve_" }, { 1000, "mil_" }, { 1100, "mil cien_" },
        { 21000, "veinte y un mil_" }, { 100000, "cien mil_" }, { 1000000, "un millón_" },
        { 2001000, "dos millones mil_" }, { 1000000000, "un millardo_" }, { 2e12, "dos billones_" },
    });
    rows("hundredths", [](double a) { return numberToWordsEsp(a, true); }, {
        { 12.5, "doce con cincuenta_" }, { 0.5, "con cincuenta_" }, { 0.29, "con veinte y nueve_" },
    });
}

void tst_NumberToWords::french_data()
{
    columns();
    rows("FR_FR", code("FR_FR"), {
        { 0, "zéro" }, { 1, "un" }, { 16, "seize" }, { 17, "dix-sept" }, { 21, "vingt-et-un" },
        { 70, "soixante-dix" }, { 71, "soixante-et-onze" }, { 80, "quatre-vingts" },
        { 81, "quatre-vingt-un" }, { 90, "quatre-vingt-dix" }, { 91, "quatre-vingt-onze" },
        { 99, "quatre-vingt-dix-neuf" }, { 100, "cent" }, { 101, "cent-un" }, { 180, "cent-quatre-vingts" },
        { 200, "deux-cents" }, { 999, "neuf-cent-quatre-vingt-dix-neuf" }, { 1000, "mille" },
        { 1001, "mille-un" }, { 2000, "deux-mille" }, { 80000, "quatre-vingt-mille" },
        { 200000, "deux-cent-mille" }, { 1000000, "un-million" },
        { 2500000, "deux-millions-cinq-cent-mille" }, { 2000000000, "deux-milliards" },
    });
    rows("FR_BE", code("FR_BE"), {
        { 70, "septante" }, { 71, "septante-et-un" }, { 80, "quatre-vingts" }, { 85, "quatre-vingt-cinq" },
        { 90, "nonante" }, { 97, "nonante-sept" },
    });
    rows("FR_CH", code("FR_CH"), { { 80, "huitante" }, { 88, "huitante-huit" }, { 91, "nonante-et-un" } });
    rows("Euros BE", moneyToWordsFraBe, { { 2.5, "deux Euros cinquante Centime(s)" } });
    rows("Euros FR", moneyToWordsFraFr, { { 3, "trois Euros_" }, { 1.75, "un Euro soixante-quinze Centime(s)" } });
    rows("Francs CH", moneyToWordsFraCh, { { 1, "un Franc_" }, { -1, "" } });
}

QTEST_APPLESS_MAIN(tst_NumberToWords)
#include "tst_numbertowords.moc"
