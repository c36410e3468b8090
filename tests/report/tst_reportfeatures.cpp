// Whole reports using the formula functions, number formats, highlighting,
// SQL data sources and every field kind, read back from PDF and HTML.
#include "messagecatcher.h"
#include "pdfprobe.h"
#include "reportdatabase.h"
#include "chart.h"
#include "reportengine.h"
#include "reportfieldobject.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTextCodec>
#include <QtCharts/QChart>
#include <QtCharts/QPieSeries>
#include <QtTest>

class TestReportFeatures : public QObject
{
    Q_OBJECT
private slots:
    void formulasFormatsAndHighlighting();
    void sqlSourceEveryFieldKind();
    void crossTableContinuesOnNextPage_data();
    void crossTableContinuesOnNextPage();

private:
    QTemporaryDir m_dir;
};

void TestReportFeatures::formulasFormatsAndHighlighting()
{
    QDomDocument doc;
    const QString field = QStringLiteral("<F value=\"%1\" format=\"%2\" highlighting=\"%3\" left=\"0\" top=\"0\" "
                                         "width=\"760\" height=\"25\" fontSize=\"9\"/>");
    QVERIFY(doc.setContent(QStringLiteral(
        "<R><P pageWidth='840' pageHeight='1188' marginsLeft='40' marginsRight='40' marginsTop='40' marginsBottom='40'>"
        "<ReportBand type='MasterData' height='25'>%1</ReportBand><ReportBand type='ReportSummary' height='75'>%2%3</ReportBand>"
        "</P></R>").arg(field.arg("[v]", "N#,###.##2", "[v]&gt;5;bold=;fontColor=?rgba(255,0,0,255)"),
                        field.arg("Total &lt;Sum([v])&gt; of &lt;Count([v])&gt;, max &lt;Max([v])&gt;", "N#,###.##1", ""),
                        field.arg("&lt;ToUpper(NumberToWords('ENG', Sum([v])))&gt;", "", "").replace("top=\"0\"", "top=\"30\""))));
    ReportEngine engine;
    const QStringList values{"1234.5", "2", "7"};
    connect(&engine, &ReportEngine::setValue, [&](int recNo, QString, QVariant& value, int) { value = values.value(recNo); });
    engine.recordsCount = {3};
    QVERIFY(engine.loadReportDocument(doc));
    const QString pdf = m_dir.filePath(QStringLiteral("formulas.pdf"));
    QVERIFY(engine.printPDF(pdf, false));
    const QString text = PdfProbe::text(pdf).simplified();
    QVERIFY2(text.contains(QStringLiteral("1,234.50 2.00 7.00 Total 1,243.5 of 3.0, max 1,234.5")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("ONE THOUSAND TWO HUNDRED FORTY-THREE")));

    // Rows above 5 turn bold and red; the others keep the template's font and colour.
    const QString html = m_dir.filePath(QStringLiteral("formulas.html"));
    QVERIFY(engine.printHTML(html, false));
    QFile file(html);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')).filter(QStringLiteral("<div"));
    QCOMPARE(rows.size(), 5);
    for (int r = 0; r < 3; ++r)
        QCOMPARE(rows.at(r).count(QRegularExpression("color:#ff0000;|font-weight: bold;")), r == 1 ? 0 : 2);
}

void TestReportFeatures::sqlSourceEveryFieldKind()
{
    QSqlDatabase program = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    program.setDatabaseName(m_dir.filePath(QStringLiteral("program.db")));
    QVERIFY(program.open());
    QTextCodec* codec = QTextCodec::codecForLocale();
    auto engine = std::make_unique<ReportEngine>();
    QVERIFY(engine->loadReport(QStringLiteral(LUMETRA_TEST_DATA "/report-all-kinds.xml")));
    const QString db = makeReportDatabase(m_dir.filePath(QStringLiteral("report.db")), {"item1", "item2", "item3"},
                                          {encodedImage("PNG", {40, 20}), encodedImage("PNG", {40, 20}, Qt::blue), "no picture"});
    engine->setDataSource(0, QStringLiteral("ds"), QStringLiteral("QSQLITE"), db, {}, {}, {}, 0, {},
                          QStringLiteral("select a, b, img from t order by a"), {}, QStringLiteral("Windows-1251"));
    connect(engine.get(), &ReportEngine::setValueImage, [](int, QString, QImage& image, int) {
        image = QImage(200, 100, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
    });
    connect(engine.get(), &ReportEngine::setValueDiagram, [](Chart& chart) {
        for (int i = 1; i <= 4; ++i)
            chart.addGraph(GraphParam{QColor::fromHsv(i * 70, 200, 220), 0, float(i * i), {}, {}, QStringLiteral("Q%1").arg(i)}, 0);
    });
    connect(engine.get(), &ReportEngine::setField, [](ReportFieldObject& cell) {
        if (cell.isCrossTabCell())
            cell.value = QString::number(cell.name.midRef(1, 1).toInt() + 10 * cell.name.midRef(2).toInt());
    });
    connect(engine.get(), &ReportEngine::setChart, [](ReportFieldObject&, QChart& chart) {
        auto* pie = new QtCharts::QPieSeries;
        pie->append(QStringLiteral("on"), 3);
        pie->append(QStringLiteral("off"), 1);
        chart.addSeries(pie);
        chart.setObjectName(QStringLiteral("pie"));
    });
    const QString pdf = m_dir.filePath(QStringLiteral("all.pdf"));
    QVERIFY(engine->printPDF(pdf, false));
    const int connections = QSqlDatabase::connectionNames().size();
    QVERIFY(engine->printPDF(pdf, false)); // a second run replaces the source
    QCOMPARE(QSqlDatabase::connectionNames().size(), connections);
    QCOMPARE(PdfProbe::pageCount(pdf), 1);
    const QString text = PdfProbe::text(pdf).simplified();
    for (const char* shown : {"Rich text for item1", "Program bars", "Rows x 10", "Row item1: 2 Row item2: 4 Row item3: 6",
                              "0 1 2 3", "10 11 12 33", "10 12 14 36"})
        QVERIFY2(text.contains(QLatin1String(shown)), shown);
    const QImage page = PdfProbe::pageImage(pdf, 1, 60);
    QDir().mkpath(QStringLiteral(LUMETRA_ARTIFACTS));
    QVERIFY(page.save(QStringLiteral(LUMETRA_ARTIFACTS "/report-all-kinds.png")));
    // Shape fills and the stored picture at their places (60 dpi: 0.59 px per unit, margin 24 px).
    const auto at = [&](double x, double y) { return page.pixelColor(int(24 + x * 0.5906), int(24 + y * 0.5906)); };
    QCOMPARE(at(70, 595), QColor(255, 200, 0));
    QCOMPARE(at(380, 595), QColor(0, 200, 100));
    QVERIFY(at(90, 130).green() > 80 && at(90, 130).red() < 40); // the program's picture, centred

    // The program's connection, its data and the locale codec stay; the report's connection goes with it.
    engine.reset();
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList{QSqlDatabase::defaultConnection});
    QCOMPARE(QSqlDatabase::database().databaseName(), m_dir.filePath(QStringLiteral("program.db")));
    QCOMPARE(QTextCodec::codecForLocale(), codec);
}

// Two rows fit in the table: a page footer's goes on with its grand total
// row on a page of its own; a summary's leaves that row out, logged.
void TestReportFeatures::crossTableContinuesOnNextPage_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QString>("before");
    QTest::newRow("page footer") << "PageFooter" << QStringList{"7 7 7 7", "14 14"} << QString();
    QTest::newRow("summary") << "ReportSummary" << QStringList{"7 7 7 7"} << QString();
    // A table first painted after page 1 builds its grid then.
    QTest::newRow("summary on page 2") << "ReportSummary" << QStringList{"", "7 7 7 7"}
                                       << "<ReportBand type='ReportTitle' height='1108'/>";
}

void TestReportFeatures::crossTableContinuesOnNextPage()
{
    QFETCH(QString, type);
    QFETCH(QStringList, pages);
    QFETCH(QString, before);
    QDomDocument doc;
    QVERIFY(doc.setContent(QStringLiteral(
        "<R><P pageWidth='840' pageHeight='1188' marginsLeft='40' marginsRight='40' marginsTop='40' marginsBottom='40'>%2"
        "<ReportBand type='%1' height='40'><F type='crossTab' name='t' width='400' height='40' colCount='2'/></ReportBand></P></R>").arg(type, before)));
    ReportEngine engine;
    connect(&engine, &ReportEngine::setField, [](ReportFieldObject& cell) { cell.value = QStringLiteral("7"); });
    QVERIFY(engine.loadReportDocument(doc));
    const QString pdf = m_dir.filePath(QStringLiteral("table.pdf"));
    MessageCatcher log;
    QVERIFY(engine.printPDF(pdf, false));
    QCOMPARE(PdfProbe::pageCount(pdf), pages.size());
    for (int p = 1; p <= pages.size(); ++p)
        QCOMPARE(PdfProbe::text(pdf, p).simplified(), pages.at(p - 1));
    QCOMPARE(log.contains("Report page 0: cross table \"t\" in band \"" + type + "\" printed without its last 1 of 3 rows, from row 2 on"),
             type == QLatin1String("ReportSummary"));
}

QTEST_MAIN(TestReportFeatures)
#include "tst_reportfeatures.moc"
