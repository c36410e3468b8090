// Field texts: references asked from the program, built-in variables,
// formulas in the report's one script engine, and collected values.
#include "reportbandobject.h"
#include "reportengine.h"
#include "reportfieldobject.h"
#include "operatorclick.h"
#include "pdfprobe.h"
#include "scopedhook.h"
#include "timedscript.h"

#include <QDate>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

class TestReportExpressions : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void processValue_data();
    void processValue();
    void expressionMode_data();
    void expressionMode();
    void builtins();
    void highlightingTimeLimit();
    void slowFormulaIsNotInterrupted();
    void timedOutRunsOnce_data();
    void timedOutRunsOnce();
    void collecting();

private:
    std::optional<ScopedHook> m_timeLimit; // shortened for every test function
    std::unique_ptr<ReportEngine> m_engine;
    QHash<QString, QString> m_answers;
    QStringList m_asked;
};

void TestReportExpressions::init()
{
    m_timeLimit.emplace(&ReportEngine::setScriptTimeLimit, 300, TimedScript::DefaultTimeLimitMs);
    m_engine = std::make_unique<ReportEngine>();
    m_asked.clear();
    m_answers = {{"name", "Ann"}, {"a", "21"}, {"quote", "O'Brien"}, {"evil", "x');while(1){}//"},
                 {"loop", "(function(){while(true){}})()"}, {"brackets", "<[b]>"}};
    connect(m_engine.get(), &ReportEngine::setValue, [this](int recNo, QString name, QVariant& value, int page) {
        QVERIFY(!value.isValid());
        m_asked << QStringLiteral("%1/%2/%3").arg(recNo).arg(name).arg(page);
        if (m_answers.contains(name))
            value = m_answers.value(name);
        else if (name == QLatin1String("record"))
            value = recNo;
    });
}

void TestReportExpressions::processValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "abc" << "" << "abc";
    QTest::newRow("number, no brackets") << "12.5" << "N#,###.##2" << "12.5";
    QTest::newRow("pages") << "Page <Page> of <TotalPages>" << "" << "Page 3 of 7";
    QTest::newRow("line no") << "<LineNo>" << "" << "5";
    QTest::newRow("line count") << "<LineCount>" << "" << "1";
    QTest::newRow("unclosed") << "<1+2" << "" << "<1+2";
    QTest::newRow("reference") << "[name]" << "" << "Ann";
    QTest::newRow("unanswered") << "[nobody]" << "" << "";
    QTest::newRow("around") << "x[name]y" << "" << "xAnny";
    QTest::newRow("formula") << "<1+2>" << "" << "3";
    QTest::newRow("formula with reference") << "<[a]*2>" << "" << "42";
    QTest::newRow("script error") << "<'a'+>" << "" << "SyntaxError: Parse error";
    QTest::newRow("text in quotes") << "<'[name]' + '!'>" << "" << "Ann!";
    QTest::newRow("quote in data") << "<'Mr [quote]'>" << "" << "Mr O'Brien";
    QTest::newRow("break-out in data") << "<'[evil]'>" << "" << "x');while(1){}//";
    QTest::newRow("code in data") << "<[loop]>" << "" << "(function(){while(true){}})()";
    QTest::newRow("brackets in data") << "<'[brackets]'>" << "" << "<[b]>";
    QTest::newRow("loop in template") << "<while(true){}>" << "" << "Error: formula stopped after 300 ms";
    QTest::newRow("quoted reference, product") << "<'[a]'*2>" << "" << "42";
    QTest::newRow("quoted reference, member") << "<'[name]'.length>" << "" << "3";
    QTest::newRow("quoted reference, call") << "<'x[name]'.toUpperCase()>" << "" << "XANN";
    QTest::newRow("function overwritten") << "<this.ToUpper = null><ToUpper('[name]')>" << "" << "nullANN";
    QTest::newRow("method replaced") << "<String.prototype.toUpperCase = function(){return 'x'}; 1><'abc'.toUpperCase()>" << "" << "1ABC";
    QTest::newRow("Math replaced") << "<Math.round = function(){return 7}; 1><Math.round(2.4)>" << "" << "12";
    QTest::newRow("prototype extended") << "<Object.prototype.zz = 5><typeof zz>" << "" << "5undefined";
    QTest::newRow("join nulled") << "<Array.prototype.join = null><new Array(1, 2).join('-')>" << "" << "null1-2";
    QTest::newRow("pushed to") << "<Array.prototype.push(9)><Array.prototype.length>" << "" << "10";
    QTest::newRow("global prototype") << "<this.__proto__ = {a: 1}; 2><typeof a>" << "" << "2undefined";
    QTest::newRow("loop variable") << "<for (Round in {a: 1}) {}; 1><Round(2.6)>" << "" << "13";
    QTest::newRow("member as loop variable") << "<for (Math.round in {a: 1}) {}; 1><Math.round(2.4)>" << "" << "12";
    QTest::newRow("deleted") << "<delete Round; delete Math.round; 1><Round(2.6) + Math.round(2.4)>" << "" << "15";
    QTest::newRow("defined anew") << "<Object.defineProperty(this, 'Round', {value: 0}); 1><Round(2.6)>" << "" << "13";
    QTest::newRow("defined on a built-in") << "<Object.defineProperty(String.prototype, 'x', {value: 1}); 1><typeof 'a'.x>"
                                           << "" << "TypeError: built-in objects cannot be extendedundefined";
    QTest::newRow("name built") << "<eval('this.Ro' + 'und = 0'); 1><Round(2.6)>" << "" << "13";
}

void TestReportExpressions::processValue()
{
    QFETCH(QString, text);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    m_engine->curPage = 3;
    m_engine->totalPage = 7;
    m_engine->recNo = 4;
    QCOMPARE(m_engine->processValue(nullptr, text, false, false, format), expected);
}

void TestReportExpressions::expressionMode_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("number") << "12.5" << "12.5";
    QTest::newRow("negative number") << "-5" << "(-5)";
    QTest::newRow("text") << "abc" << "'abc'";
    QTest::newRow("empty") << "" << "''";
    QTest::newRow("apostrophe") << "O'Brien" << "'O\\'Brien'";
    QTest::newRow("break-out") << "x');while(1){}//" << "'x\\');while(1){}//'";
    QTest::newRow("backslash and line") << "a\\\nb" << "'a\\\\\\nb'";
}

void TestReportExpressions::expressionMode()
{
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    m_answers.insert(QStringLiteral("v"), answer);
    const QString script = m_engine->processValue(nullptr, QStringLiteral("[v]"), true, false, QString());
    QCOMPARE(script, expected);
    // The script is the value, nothing more.
    QCOMPARE(m_engine->evaluateScript(script), answer);
}

void TestReportExpressions::highlightingTimeLimit()
{
    ReportFieldObject field;
    field.engine = m_engine.get();
    // Were it not stopped, the condition would give 1 after a minute.
    field.highlighting = "(function(t){while(Date.now()-t<60000){} return 1})(Date.now());bold=";
    QCOMPARE(m_engine->processHighlighting(&field, 0).toInt(), 0);
}

// While a formula runs to its time limit the program's events go on, but neither the
// operator's input nor another output of the report: both would render inside this one.
void TestReportExpressions::slowFormulaIsNotInterrupted()
{
    QDomDocument doc;
    QVERIFY(doc.setContent(QStringLiteral("<R><P pageWidth='840' pageHeight='1188'><ReportBand type='MasterData' "
                                          "height='25'><F width='99' height='25' value='&lt;while(true){}&gt;'/>"
                                          "</ReportBand></P></R>")));
    m_engine->recordsCount = {1};
    QVERIFY(m_engine->loadReportDocument(doc));
    QPushButton button;
    QSignalSpy clicks(&button, &QPushButton::clicked);
    QTemporaryDir dir;
    bool nested = true;
    const auto meanwhile = [&] {
        QVERIFY(operatorClick(&button));
        nested = m_engine->printToFile(dir.filePath(QStringLiteral("nested.pdf")));
    };
    QMetaObject::invokeMethod(this, meanwhile, Qt::QueuedConnection);
    QVERIFY(m_engine->printToFile(dir.filePath(QStringLiteral("report.pdf"))));
    QVERIFY(!nested);
    QCOMPARE(clicks.count(), 0);
}

void TestReportExpressions::timedOutRunsOnce_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("stoppedAt");
    for (const int records : {1, 20}) {
        QTest::addRow("formula, %d", records) << "value='&lt;[record] + (function(){while(true){}})()&gt;'" << records << 0;
        QTest::addRow("printing, %d", records) << "value='x' printing='[record] == -1 || (function(){while(true){}})()'"
                                               << records << 0;
    }
    QTest::newRow("formula, from record 3") << "value=\"&lt;[record] == 3 ? (function(){while(true){}})() : 'kept'&gt;\""
                                            << 6 << 3;
}

// Stopped at the limit once in the whole report, not once per record and
// pass; every record's field from the one it stopped at prints why, those
// before it what they printed.
void TestReportExpressions::timedOutRunsOnce()
{
    QFETCH(QString, field);
    QFETCH(int, records);
    QFETCH(int, stoppedAt);
    const ScopedHook timeLimit(&ReportEngine::setScriptTimeLimit, 2000, TimedScript::DefaultTimeLimitMs);
    QDomDocument doc;
    QVERIFY(doc.setContent(QStringLiteral("<R><P pageWidth='840' pageHeight='1188'><ReportBand type='MasterData' "
                                          "height='25'><F width='760' height='25' %1/></ReportBand></P></R>").arg(field)));
    m_engine->recordsCount = {records};
    QVERIFY(m_engine->loadReportDocument(doc));
    QTemporaryDir dir;
    QVERIFY(m_engine->printToFile(dir.filePath(QStringLiteral("loop.pdf"))));
    // Run, and so asked for its record, once from the record it stopped at.
    QCOMPARE(std::count_if(m_asked.cbegin(), m_asked.cend(), [stoppedAt](const QString& ask) { return ask.section('/', 0, 0).toInt() >= stoppedAt; }), 1);
    const QString text = PdfProbe::text(dir.filePath(QStringLiteral("loop.pdf")));
    QCOMPARE(text.count(QStringLiteral("Error: formula stopped after 2000 ms")), records - stoppedAt);
    QCOMPARE(text.count(QStringLiteral("kept")), stoppedAt);
}

void TestReportExpressions::builtins()
{
    // The day it is before or after the call: midnight may pass between them.
    const auto today = [] { return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")); };
    const QString before = today();
    const QString date = m_engine->processValue(nullptr, QStringLiteral("<Date>"), false, false, QString());
    QVERIFY2(date == before || date == today(), qPrintable(date));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                .match(m_engine->processValue(nullptr, QStringLiteral("<Time>"), false, false, QString()))
                .hasMatch());
    // Nothing a formula defines survives it, in the one script engine.
    QCOMPARE(m_engine->processValue(nullptr, QStringLiteral("<w = 4; var z = 5; w>"), false, false, QString()),
             QStringLiteral("4"));
    QCOMPARE(m_engine->processValue(nullptr, QStringLiteral("<typeof w + typeof z>"), false, false, QString()),
             QStringLiteral("undefinedundefined"));
    ReportBandObject band;
    band.showInGroup = true;
    QCOMPARE(m_engine->processValue(&band, QStringLiteral("<showInGroup>"), false, false, QString()),
             QStringLiteral("true"));
}

void TestReportExpressions::collecting()
{
    m_engine->reportPageNo = 1;
    m_engine->recNo = 6;
    QCOMPARE(m_engine->processValue(nullptr, QStringLiteral("[name]"), false, true, QString()), QStringLiteral("Ann"));
    QCOMPARE(m_asked, QStringList{QStringLiteral("6/name/1")});
    m_answers.insert(QStringLiteral("name"), QStringLiteral("Bob"));
    m_engine->processValue(nullptr, QStringLiteral("[name]"), false, true, QString());
    QCOMPARE(m_engine->groupEntries.size(), 1);
    const GroupEntry& entry = m_engine->groupEntries.at(0);
    QCOMPARE(entry.name, QStringLiteral("[name]"));
    QCOMPARE(entry.value.toString(), QStringLiteral("Ann"));
    QCOMPARE(entry.recNo, 6);
    QCOMPARE(entry.reportPage, 1);
    QCOMPARE(m_engine->processValue(nullptr, QStringLiteral("<LineCount>"), false, false, QString()),
             QStringLiteral("7"));
    // A reference inside a formula is not collected.
    m_engine->recNo = 8;
    m_engine->processValue(nullptr, QStringLiteral("<[a]+1>"), false, true, QString());
    QCOMPARE(m_engine->groupEntries.size(), 1);
}

QTEST_MAIN(TestReportExpressions)
#include "tst_reportexpressions.moc"
