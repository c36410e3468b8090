#include "collectedvalues.h"
#include "fieldhighlighting.h"
#include "numberformat.h"
#include "reportaggregates.h"
#include "reportfunctions.h"
#include "timedscript.h"

#include <QScriptEngine>
#include <QtTest>

// The functions of report formulas run in a real script engine over values
// collected the way the engine collects them; number formats; highlighting.
class tst_ReportFunctions : public QObject, public CollectedValues
{
    Q_OBJECT

public:
    int collectedCount() const override { return m_values.size(); }
    CollectedValue collectedAt(int index) const override { return m_values.at(index); }
    QList<int> groupRecords() const override { return m_group; }

private slots:
    void formulas_data();
    void formulas();
    void totalsFollowNewValuesAndGroups();
    void formatNumber_data();
    void formatNumber();
    void highlighting_data();
    void highlighting();

private:
    QString evaluate(const QString& formula, bool showInGroup);
    void collect(const QString& name, const QString& value, int recNo) { m_values.append({ name, value, recNo }); }

    QList<CollectedValue> m_values;
    QList<int> m_group;
};

QString tst_ReportFunctions::evaluate(const QString& formula, bool showInGroup)
{
    ReportAggregates aggregates(*this);
    QScriptEngine script;
    ReportFunctions::install(script, &aggregates);
    script.globalObject().setProperty(QStringLiteral("showInGroup"), showInGroup);
    script.pushContext(); // as the engine evaluates, so formulas leave nothing behind
    const QString result = script.evaluate(ReportFunctions::rewriteAggregateCalls(formula)).toString();
    script.popContext();
    return result;
}

using Entries = QList<QStringList>; // name, value, record

void tst_ReportFunctions::formulas_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QList<int>>("group");
    QTest::addColumn<bool>("showInGroup");
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("expected");

    const Entries v123 = { { "[v]", "1", "0" }, { "[v]", "2", "1" }, { "[v]", "3", "2" } };
    const struct {
        const char* formula;
        const char* expected;
    } over123[] = { { "Sum('[v]')", "6" }, { "Avg('[v]')", "2" }, { "Count('[v]')", "3" }, { "Max('[v]')", "3" },
                    { "Min('[v]')", "1" }, { "sum('[v]')", "6" }, { "SUM('[v]')", "6" },
                    { "Avg('[w]')", "0" }, { "Count('[w]')", "0" } };
    for (const auto& row : over123)
        QTest::newRow(row.formula) << v123 << QList<int>() << false << row.formula << row.expected;

    const Entries negative = { { "[v]", "-5", "0" }, { "[v]", "-2", "1" } };
    QTest::newRow("max of negative values") << negative << QList<int>() << false << "Max('[v]')" << "-2";
    const Entries other = { { "[w]", "3", "0" }, { "[v]", "5", "0" }, { "[v]", "7", "1" } };
    QTest::newRow("min of its own values") << other << QList<int>() << false << "Min('[v]')" << "5";
    QTest::newRow("nothing collected") << Entries() << QList<int>() << false << "Sum('[v]')" << "0";

    const Entries gaps = { { "[v]", "1", "0" }, { "[v]", "", "1" }, { "[v]", "4", "2" } };
    QTest::newRow("group count") << gaps << QList<int> { 0, 1 } << true << "Count('[v]')" << "2";
    QTest::newRow("group sum") << gaps << QList<int> { 0, 1 } << true << "Sum('[v]')" << "1";
    QTest::newRow("not in group") << gaps << QList<int> { 0, 1 } << false << "Count('[v]')" << "2";
    QTest::newRow("not in group sum") << gaps << QList<int> { 0, 1 } << false << "Sum('[v]')" << "5";

    const struct {
        const char* formula;
        const char* expected;
    } functions[] = {
        { "Frac(2.999)", "100" }, { "Frac(-1.25)", "75" }, { "Round(2.5)", "3" }, { "Round(-2.5)", "-2" },
        { "Floor(-1.5)", "-2" }, { "Ceil(-1.5)", "-1" }, { "Floor(3e9)", "-2147483648" }, { "Ceil(-3e9)", "-2147483648" },
        { "Floor('abc')", "0" }, { "Frac(3e9)", "0" }, { "Round(1/0)", "0" }, { "Round('nan')", "-2147483648" }, { "Frac('-inf')", "-2147483648" }, { "ToUpper('abc')", "ABC" },
        { "ToLower('ÄB')", "äb" }, { "NumberToWords('ENG', 21)", "twenty-one" }, { "NumberToWords('ENG', 'x')", "zero" },
    };
    for (const auto& row : functions)
        QTest::newRow(row.formula) << Entries() << QList<int>() << false << row.formula << QString::fromUtf8(row.expected);
}

void tst_ReportFunctions::formulas()
{
    QFETCH(Entries, entries);
    QFETCH(QList<int>, group);
    QFETCH(bool, showInGroup);
    QFETCH(QString, formula);
    QFETCH(QString, expected);
    m_values.clear(); // also after a row that failed
    for (const QStringList& entry : entries)
        collect(entry.at(0), entry.at(1), entry.at(2).toInt());
    m_group = group;
    QCOMPARE(evaluate(formula, showInGroup), expected);
    QCOMPARE(ReportFunctions::rewriteAggregateCalls("Math.max(1,2)"), QStringLiteral("Math.Sum(3,1,2)"));
    QCOMPARE(ReportFunctions::floor(qQNaN()), INT_MIN);
}

// One aggregates object read over a whole report: totals follow every value
// collected after the last call, and group totals follow the group.
void tst_ReportFunctions::totalsFollowNewValuesAndGroups()
{
    ReportAggregates aggregates(*this);
    double running = 0;
    for (int record = 0; record < 6; ++record) {
        collect("[v]", QString::number(record), record);
        running += record;
        QCOMPARE(aggregates.aggregate(ReportAggregates::SumKind, "[v]", false).toDouble(), running);
        m_group.append(record);
        QCOMPARE(aggregates.aggregate(ReportAggregates::CountKind, "[v]", true).toInt(), m_group.size());
        if (record % 3 == 2)
            m_group.clear();
    }
    m_group = { 4, 4 }; // a record counts as often as it stands in the group
    QCOMPARE(aggregates.aggregate(ReportAggregates::SumKind, "[v]", true).toDouble(), 8.0);
    m_values.clear();
    m_group.clear();
    collect("[v]", "9", 0);
    QCOMPARE(aggregates.aggregate(ReportAggregates::MaxKind, "[v]", false).toDouble(), 9.0);
    QCOMPARE(aggregates.aggregate(7, "[v]", false), QVariant(0));
    m_values.clear();
}

void tst_ReportFunctions::formatNumber_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    const QString narrowBlank(QChar(0x202F));
    QTest::newRow("commas") << "1234567.89" << "N#,###.##2" << "1,234,567.89";
    QTest::newRow("short") << "123.45" << "N#,###.##2" << "123.45";
    QTest::newRow("minus") << "-1234.5" << "N#,###.##1" << "-1,234.5";
    QTest::newRow("minus short") << "-123.45" << "N#,###.##2" << "-123.45";
    QTest::newRow("no decimals") << "1234567.89" << "N#,###.##x" << "1,234,568";
    QTest::newRow("blanks") << "1234567.89" << "N# ###.##2" << "1 234 567.89";
    QTest::newRow("german") << "1234567.89" << "N#.###,##2" << "1.234.567,89";
    QTest::newRow("french") << "1234567.89" << "N# ###,##2" << "1" + narrowBlank + "234" + narrowBlank + "567,89";
    QTest::newRow("no number") << "abc" << "N#,###.##2" << "0.00";
    QTest::newRow("not N") << "1234.5" << "X#,###.##2" << "1234.5";
    QTest::newRow("unknown pattern") << "1234.5" << "N#'###.##2" << "1234.5";
    QTest::newRow("no format") << "1234.5" << "" << "1234.5";
    QTest::newRow("just N") << "1234.5" << "N" << "1234.5";
    QTest::newRow("infinite") << "inf" << "N#,###.##2" << "inf";
}

void tst_ReportFunctions::formatNumber()
{
    QFETCH(QString, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(::formatNumber(value, format), expected);
}

void tst_ReportFunctions::highlighting_data()
{
    QTest::addColumn<QString>("highlighting");
    QTest::addColumn<QString>("v");
    QTest::addColumn<int>("templateWeight");
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QColor>("fontColor");
    QTest::addColumn<QColor>("background");

    const QColor ink(10, 20, 30), paper(250, 240, 230), red(Qt::red), blue(Qt::blue);
    QTest::newRow("none, bold") << "" << "7" << 75 << 75 << false << ink << paper;
    QTest::newRow("none, 63") << "" << "7" << 63 << 75 << false << ink << paper;
    QTest::newRow("none, 25") << "" << "7" << 25 << 50 << false << ink << paper;
    QTest::newRow("bold where true") << "[v]>5;bold=" << "7" << 50 << 75 << false << ink << paper;
    QTest::newRow("not where false") << "[v]>5;bold=" << "3" << 75 << 50 << false << ink << paper;
    QTest::newRow("first bold counts") << "[v]>5;;bold=;bold=&&false" << "7" << 50 << 75 << false << ink << paper;
    QTest::newRow("case matters") << "[v]>5;Bold=" << "7" << 50 << 50 << false << ink << paper;
    QTest::newRow("failing") << "[v]>>>;bold=;italic=" << "7" << 75 << 50 << false << ink << paper;
    QTest::newRow("unnamed keeps own") << "[v]>5;italic=" << "7" << 75 << 75 << true << ink << paper;
    QTest::newRow("red where true") << "[v]>5;fontColor=?rgba(255,0,0,255)" << "7" << 50 << 50 << false << red << paper;
    QTest::newRow("template colour") << "[v]>5;fontColor=?rgba(255,0,0,255)" << "3" << 50 << 50 << false << ink << paper;
    QTest::newRow("background") << "[v]=='x';backgroundColor=?rgba(0,0,255,255)" << "'x'" << 50 << 50 << false << ink << blue;
    QTest::newRow("broken colour") << "[v]>>;fontColor=?rgba(255,0,0,255)" << "7" << 50 << 50 << false << ink << paper;
}

void tst_ReportFunctions::highlighting()
{
    QFETCH(QString, highlighting);
    QFETCH(QString, v);
    QFETCH(int, templateWeight);
    FieldHighlighting::Field field { highlighting, QFont(), QColor(10, 20, 30), QColor(250, 240, 230) };
    field.font.setWeight(templateWeight);
    TimedScript script;
    const auto resolve = [&](QString text) { return text.replace(QLatin1String("[v]"), v); };
    const FieldHighlighting::Style style = FieldHighlighting::style(field, resolve, script);
    QTEST(style.font.weight(), "weight");
    QTEST(style.font.italic(), "italic");
    QTEST(style.fontColor, "fontColor");
    QTEST(style.backgroundColor, "background");

    if (highlighting.isEmpty()) { // no background in the template stays none
        field.templateBackgroundColor = QColor();
        QVERIFY(!FieldHighlighting::style(field, resolve, script).backgroundColor.isValid());
        field.highlighting = "0;backgroundColor=?rgba(0,0,255,255)";
        QVERIFY(!FieldHighlighting::style(field, resolve, script).backgroundColor.isValid());
    }
}

QTEST_MAIN(tst_ReportFunctions)
#include "tst_reportfunctions.moc"
