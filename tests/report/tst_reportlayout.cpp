// Whole reports laid out and written: pages, bands, breaks, groups and
// ranges read back from the PDF with poppler; the HTML file; the painting
// of one field; the application's four templates.
#include "filesizelimit.h"
#include "messagecatcher.h"
#include "operatorclick.h"
#include "pdfprobe.h"
#include "programend.h"
#include "reportbandobject.h"
#include "reportdatabase.h"
#include "reportengine.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"
#include "reportpreview.h"
#include "reportsql.h"
#include "scopedhook.h"
#include "timedscript.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QToolBar>
#include <QBuffer>
#include <QFileDialog>
#include <QPainter>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QWindow>
#include <QtTest>

#include <sys/stat.h> // umask
#include <unistd.h>

namespace {

QString labelField(const QString& value, int top = 0, const QString& extra = QString())
{
    return QStringLiteral("<F value=\"%1\" left=\"0\" top=\"%2\" width=\"760\" height=\"20\" fontSize=\"9\" %3/>")
        .arg(value.toHtmlEscaped()).arg(top).arg(extra);
}

QString band(const QString& type, int height, const QString& fields, const QString& extra = QString())
{
    return QStringLiteral("<ReportBand type=\"%1\" height=\"%2\" %3>%4</ReportBand>").arg(type).arg(height).arg(extra, fields);
}

QString page(const QString& bands)
{
    return QStringLiteral("<P pageWidth=\"840\" pageHeight=\"1188\" marginsLeft=\"40\" marginsRight=\"40\" "
                          "marginsTop=\"40\" marginsBottom=\"40\">%1</P>").arg(bands);
}

const QString kStandardBands = band("ReportTitle", 60, labelField("TITLE")) + band("PageHeader", 40, labelField("HEADER"))
                               + band("MasterHeader", 30, labelField("COLUMNS")) + band("MasterData", 25, labelField("row [n]"))
                               + band("PageFooter", 30, labelField("Page <Page> of <TotalPages>"));

int count(const QString& text, const QString& pattern)
{
    return int(text.count(QRegularExpression(pattern)));
}

// The bytes SQLite's temporary files hold now: open, their names already gone.
qint64 sqliteTempBytes()
{
    qint64 bytes = 0;
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const QByteArray path = QFile::encodeName(descriptors.filePath(fd));
        const ssize_t length = readlink(path.constData(), target, sizeof target - 1);
        struct stat status;
        if (length > 0 && QByteArray(target, int(length)).contains("etilqs_") && stat(path.constData(), &status) == 0)
            bytes += status.st_size;
    }
    return bytes;
}

} // namespace

class TestReportLayout : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void overflowAndPages();
    void reportPagesAndRange();
    void dataGroups();
    void totals_data();
    void totals();
    void borderOnEveryPage();
    void bandsClearOfPageFooter_data();
    void bandsClearOfPageFooter();
    void ownFootersAndTruePageCount_data();
    void ownFootersAndTruePageCount();
    void continuedFieldPrintsEveryLine_data();
    void continuedFieldPrintsEveryLine();
    void richTextFromDataLoadsNothing();
    void badPages();
    void numbersPastBounds_data();
    void numbersPastBounds();
    void autoHeightRows();
    void html();
    void exportsAndFailures();
    void exportFailureNamesCause_data();
    void exportFailureNamesCause();
    void embeddedPictures();
    void previewShowsPrints();
    void previewTakesInputWhileRendering();
    void noPagesToldByWarningAlone();
    void stopWhileRendering_data();
    void stopWhileRendering();
    void sourceReasonOnPage_data();
    void sourceReasonOnPage();
    void sourcesHoldTemporaryStorageTogether();
    void programPageBesideSqlPage();
    void fieldPainting();
    void alarmStateColumns();
    void applicationTemplates_data();
    void applicationTemplates();

private:
    void load(const QString& pages, QList<int> counts);
    QString pdf(const QString& name = QStringLiteral("out.pdf"));
    std::unique_ptr<ReportEngine> m_engine;
    QHash<int, QString> m_sources;
    QTemporaryDir m_dir;
};

void TestReportLayout::init()
{
    m_engine = std::make_unique<ReportEngine>();
    m_sources.clear();
    connect(m_engine.get(), &ReportEngine::setValue, [this](int recNo, QString name, QVariant& value, int) {
        if (name == QLatin1String("n"))
            value = QStringLiteral("R%1").arg(recNo, 3, 10, QLatin1Char('0'));
        else if (name == QLatin1String("source"))
            value = m_sources.value(recNo);
        else if (name == QLatin1String("amount"))
            value = QString::number((recNo + 1) * 1.5);
        else
            value = QStringLiteral("%1-%2").arg(name).arg(recNo);
    });
}

void TestReportLayout::load(const QString& pages, QList<int> counts)
{
    QDomDocument doc;
    QVERIFY(doc.setContent(QStringLiteral("<Reports>%1</Reports>").arg(pages)));
    m_engine->recordsCount = counts;
    QVERIFY(m_engine->loadReportDocument(doc));
}

QString TestReportLayout::pdf(const QString& name)
{
    const QString path = m_dir.filePath(name);
    return m_engine->printPDF(path, false) ? path : QString();
}

void TestReportLayout::overflowAndPages()
{
    load(page(kStandardBands), {100});
    const QString file = pdf();
    QCOMPARE(PdfProbe::pageCount(file), 3);
    QCOMPARE(PdfProbe::pageSize(file), QStringLiteral("595 x 842 pts (A4)"));
    const QList<int> rows{37, 40, 23};
    int first = 0;
    for (int p = 1; p <= 3; ++p) {
        const QString text = PdfProbe::text(file, p);
        QCOMPARE(count(text, QStringLiteral("row R\\d\\d\\d")), rows.at(p - 1));
        QVERIFY(text.contains(QStringLiteral("row R%1").arg(first, 3, 10, QLatin1Char('0'))));
        first += rows.at(p - 1);
        QCOMPARE(text.contains(QStringLiteral("TITLE")), p == 1);
        QVERIFY(text.contains(QStringLiteral("HEADER")) && text.contains(QStringLiteral("COLUMNS")));
        QVERIFY(text.contains(QStringLiteral("Page %1 of 3").arg(p)));
    }
}

void TestReportLayout::reportPagesAndRange()
{
    const QString rich = QStringLiteral("<F type=\"textRich\" value=\"&lt;b&gt;Rich [n] here&lt;/b&gt;\" "
                                        "left=\"0\" top=\"30\" width=\"760\" height=\"30\"/>");
    load(page(band("ReportTitle", 60, labelField("FIRST [n]") + rich) + band("MasterData", 25, labelField("one [n]")))
             + page(band("ReportTitle", 60, labelField("SECOND")) + band("MasterData", 25, labelField("two [n]"))),
         {2, 3});
    QSignalSpy pages(m_engine.get(), &ReportEngine::newPage);
    const QString file = pdf();
    QCOMPARE(PdfProbe::pageCount(file), 2);
    QCOMPARE(pages.count(), 1);
    QCOMPARE(pages.first().first().toInt(), 2);
    QVERIFY(PdfProbe::text(file, 2).contains(QStringLiteral("SECOND")));
    QVERIFY(PdfProbe::text(file, 1).contains(QStringLiteral("Rich R000 here")));
    QCOMPARE(count(PdfProbe::text(file, 2), QStringLiteral("two R")), 3);

    // Only printed page 2 of three reaches the device.
    load(page(kStandardBands), {100});
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_dir.filePath(QStringLiteral("range.pdf")));
    printer.setFromTo(2, 2);
    m_engine->printPreview(&printer);
    QCOMPARE(m_engine->totalPage, 3);
    QCOMPARE(PdfProbe::pageCount(printer.outputFileName()), 1);
    QVERIFY(PdfProbe::text(printer.outputFileName()).contains(QStringLiteral("Page 2 of 3")));
}

void TestReportLayout::dataGroups()
{
    m_sources = {{0, "A"}, {1, "B"}, {2, "A"}};
    const QString groupHeader = band("DataGroupHeader", 30, labelField("Group [source]"), "groupingField=\"[source]\"");
    const QString data = band("MasterData", 25, labelField("[source]") + labelField("rec [n] line <LineNo>", 0, "name=\"x\""));
    load(page(groupHeader + data), {3});
    const QString text = PdfProbe::text(pdf()).simplified();
    const QRegularExpression order(QStringLiteral(
        "Group A.*rec R000 line 1.*rec R002 line 2.*Group B.*rec R001 line 3"));
    QVERIFY2(order.match(text).hasMatch(), qPrintable(text));

    load(page(band("DataGroupHeader", 30, labelField("Group [source]"), "groupingField=\"[source]\" startNewPage=\"1\"") + data), {3});
    const QString file = pdf(QStringLiteral("groups.pdf"));
    QCOMPARE(PdfProbe::pageCount(file), 2);
    QVERIFY(PdfProbe::text(file, 2).contains(QStringLiteral("Group B")));

    // Groups of three: the eighth group's header and the column header shown
    // with it would fit above the footer, its first record not. All three
    // begin the next page.
    for (int r = 0; r < 24; ++r)
        m_sources.insert(r, QString::number(r / 3));
    load(page(band("ReportTitle", 60, labelField("TITLE")) + groupHeader
              + band("MasterHeader", 30, labelField("COLUMNS"), "showInGroup=\"1\"") + data
              + band("PageFooter", 30, labelField("FOOTER"))),
         {24});
    const QString grouped = pdf(QStringLiteral("grouped.pdf"));
    QVERIFY(!PdfProbe::text(grouped, 1).contains(QStringLiteral("Group 7")));
    const QString second = PdfProbe::text(grouped, 2).simplified();
    QVERIFY2(second.startsWith(QStringLiteral("Group 7 COLUMNS")) && second.contains(QStringLiteral("rec R021")), qPrintable(second));
}

// Totals read the values collected in the counting pass, kept only for them.
void TestReportLayout::totals_data()
{
    QTest::addColumn<QString>("bands");
    QTest::addColumn<QString>("expected");
    const QString data = band("MasterData", 25, labelField("[n]") + labelField("[amount]", 0, "name=\"a\""));
    const auto summary = [](const char* text) { return band("ReportSummary", 25, labelField(text)); };
    QTest::newRow("summary") << data + summary("sum <Sum([amount])> avg <Avg([amount])> of <count( [amount] )>")
                             << "sum 9 avg 3 of 3";
    QTest::newRow("minimum of its values") << data + summary("min <Min([amount])>") << "min 1.5";
    QTest::newRow("line count") << data + summary("lines <LineCount>") << "lines 3";
    QTest::newRow("groups") << band("DataGroupHeader", 30, labelField("Group [source]"), "groupingField=\"[source]\"")
                                   + band("MasterData", 25, labelField("[amount]"))
                                   + band("DataGroupFooter", 25, labelField("subtotal <Sum([amount])>"), "showInGroup=\"1\"")
                            << "Group A 1.5 4.5 subtotal 6 Group B 3 subtotal 3";
    QTest::newRow("SQL source without a name")
        << "<DataSource type='SQL' dbType='QSQLITE' dbName=':memory:'>SELECT 1 AS x, 'one' AS b UNION ALL SELECT 2, 'two'</DataSource>"
               + band("MasterData", 25, labelField("[x] [b] <[x]*2>")) + summary("Sum <Sum([x])> Count <Count([x])>")
        << "1 one 2 2 two 4 Sum 3 Count 2";
}

void TestReportLayout::totals()
{
    QFETCH(QString, bands);
    QFETCH(QString, expected);
    m_sources = {{0, "A"}, {1, "B"}, {2, "A"}};
    load(page(bands), bands.contains(QStringLiteral("DataSource")) ? QList<int>() : QList<int>{3});
    const QString text = PdfProbe::text(pdf()).simplified();
    QVERIFY2(text.contains(expected), qPrintable(text));
}

// The border's left side is all the strip left of the margin holds, on every page.
void TestReportLayout::borderOnEveryPage()
{
    load(page(kStandardBands).replace(QStringLiteral("<P "), QStringLiteral("<P border=\"1\" ")), {100});
    const QString file = pdf();
    for (int p = 1; p <= 3; ++p) {
        const QImage image = PdfProbe::pageImage(file, p, 50);
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < 10; ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY2(dark > image.height() / 2, qPrintable(QString::number(p)));
    }
}

double pointsFromPageEdge(int units);

// 37 rows leave 23 units above the 30-unit page footer: a 30-unit summary or
// master footer goes to the next page; so does one that 30 rows leave room
// for but whose words make it grow. One whose words need more than a page,
// or such a record, goes on over the following pages. A master header shown
// in each group goes with its group header. A band every page repeats, or a
// title, leaving no room is cut to the room the bands above it leave, logged;
// a record goes whole to the next page or is cut between lines, and a line
// no page holds is left out, logged. No word lies over another band's, and
// every page carries its numbered footer.
void TestReportLayout::bandsClearOfPageFooter_data()
{
    QTest::addColumn<QString>("bands");
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("closing");
    QTest::addColumn<QString>("logged");
    QStringList words;
    for (int i = 1; i <= 59; ++i)
        words << QStringLiteral("w%1").arg(i);
    const QString field = QStringLiteral("<F value=\"%1\" width=\"120\" height=\"20\" fontSize=\"9\" autoHeight=\"1\"/>");
    const QString grown = field.arg(words.join(' '));
    for (int i = 60; i <= 320; ++i)
        words << QStringLiteral("w%1").arg(i);
    const QString tall = field.arg(words.join(' '));
    for (const char* type : {"ReportSummary", "MasterFooter"}) {
        QTest::addRow("%s", type) << kStandardBands + band(type, 30, labelField("CLOSING")) << 37 << "CLOSING" << "";
        QTest::addRow("%s, grown", type) << kStandardBands + band(type, 30, grown) << 30 << words.mid(0, 59).join(' ') << "";
        QTest::addRow("%s, taller than a page", type) << kStandardBands + band(type, 30, tall) << 3 << words.join(' ') << "";
    }
    QTest::newRow("record taller than a page") << QString(kStandardBands).replace(labelField("row [n]"), tall) << 2 << words.join(' ') << "record 1 is";
    const QString footer = band("PageFooter", 30, labelField("Page <Page> of <TotalPages>"));
    const QString rows = band("MasterData", 25, labelField("row [n]")) + footer;
    const QString allRows = "HEAD R000 R001 R002 R003 R004";
    for (const char* type : {"PageHeader", "MasterHeader"})
        QTest::addRow("%s taller than a page", type) << band(type, 1200, labelField("HEAD")) + rows << 5 << allRows << QString("band \"%1\" is").arg(type);
    QTest::newRow("title taller than a page") << band("ReportTitle", 1200, labelField("HEAD")) + band("ReportSummary", 30, labelField("CLOSING")) + rows
                                              << 0 << "HEAD CLOSING" << "band \"ReportTitle\" is";
    QTest::newRow("header and record taller than a page")
        << band("PageHeader", 1200, labelField("HEAD")) + band("MasterData", 1200, labelField("row [n]") + labelField("END", 1150)) + footer
        << 5 << allRows + " END" << "band \"PageHeader\" is";
    // Every 20 units of these bands hold their name: two printed over each other have words over each other.
    const auto filledBand = [](const QString& type, int height) {
        QString fields;
        for (int top = 0; top + 20 <= height; top += 20)
            fields += labelField(type, top);
        return band(type, height, fields);
    };
    const QString data = band("MasterData", 25, labelField("[n]"));
    const QString headers = filledBand("PageHeader", 400) + filledBand("PageFooter", 300);
    QTest::newRow("title and headers") << filledBand("ReportTitle", 500) + headers + filledBand("MasterHeader", 100) + data
                                       << 40 << "R000 R039" << "band \"PageHeader\" is 400 units high";
    QTest::newRow("title past the page") << filledBand("ReportTitle", 1200) + headers + data << 40 << "R039" << "band \"PageHeader\" is 400";
    QTest::newRow("master header below a group header")
        << headers + band("DataGroupHeader", 600, labelField("GROUP"), "groupingField=\"[source]\"")
               + filledBand("MasterHeader", 100).replace("<ReportBand ", "<ReportBand showInGroup=\"1\" ") + data
        << 40 << "R000 R039" << "";
    QTest::newRow("headers fitting alone") << filledBand("PageHeader", 600) + filledBand("MasterHeader", 600) + rows << 5
                                           << "R000 R004" << "band \"MasterHeader\" is 600 units high";
    QTest::newRow("grown record") << filledBand("PageHeader", 600) + filledBand("PageFooter", 500)
                                         + band("MasterData", 25, QString(field).replace("120", "760").replace("9", "40").arg("[n]"))
                                  << 3 << "R000 R001 R002" << "band \"PageHeader\" is 600 units high";
    QTest::newRow("line past the page") << page(data).replace("1188", "90") << 3 << "" << "record 2 has a line taller than";
    // Beside a line no page holds, the lines that fit go on whole below it.
    const QString beside = QStringLiteral("<F value=\"BIG\" width=\"300\" height=\"20\" fontSize=\"40\"/><F value=\"b1 b2 b3 b4 b5 b6\" "
                                          "left=\"400\" width=\"30\" height=\"20\" fontSize=\"9\" autoHeight=\"1\"/>");
    QTest::newRow("line past the page beside lines") << page(band("MasterData", 20, beside)).replace("1188", "130") << 1
                                                     << "b1 b2 b3 b4 b5 b6" << "record 0 has a line taller than";
    for (int i = 321; i <= 6000; ++i)
        words << QStringLiteral("w%1").arg(i);
    const QString below = QStringLiteral("<F value=\"%1\" top=\"20\" width=\"760\" height=\"20\" fontSize=\"9\" autoHeight=\"1\"/>");
    QTest::newRow("below the band's top, over pages") << kStandardBands + band("ReportSummary", 30, below.arg(words.join(' ')))
                                                      << 3 << words.join(' ') << "";
    QTest::newRow("master header in group")
        << band("ReportTitle", 90, labelField("TITLE")) + band("DataGroupHeader", 30, labelField("Group [source]"), "groupingField=\"[source]\"")
               + band("MasterHeader", 30, labelField("COLUMNS"), "showInGroup=\"1\"") + rows
        << 24 << "Group COLUMNS" << "";
    // Page 1 keeps its footer where the first group with what keeps with it goes to page 2, and where no group is.
    const auto group = [](int height) { return band("DataGroupHeader", height, labelField("Group [source]"), "groupingField=\"[source]\""); };
    for (const char* shown : {"1", "0"})
        QTest::addRow("group past page 1, master header in group %s", shown) << band("ReportTitle", 200, labelField("TITLE")) + group(700)
            + band("MasterHeader", 200, labelField("COLUMNS"), QString("showInGroup=\"%1\"").arg(shown)) + rows << 9 << "Group COLUMNS R008" << "";
    QTest::newRow("title over a group past page 1") << band("ReportTitle", 1000, labelField("TITLE")) + band("MasterHeader", 30, labelField("COLUMNS"))
                                                           + group(40) + rows << 9 << "Group R008" << "";
    QTest::newRow("group without records") << group(40) + band("ReportSummary", 30, labelField("CLOSING")) + rows << 0 << "CLOSING" << "";
}

void TestReportLayout::bandsClearOfPageFooter()
{
    QFETCH(QString, bands);
    QFETCH(int, records);
    QFETCH(QString, closing);
    QFETCH(QString, logged);
    for (int r = 0; r < records; ++r)
        m_sources.insert(r, QString::number(r / 3));
    load(bands.startsWith("<P") ? bands : page(bands), {records});
    MessageCatcher catcher;
    const QString file = pdf();
    QCOMPARE(catcher.contains(QStringLiteral("printed cut")), logged.startsWith("band"));
    QVERIFY2(logged.isEmpty() || catcher.contains(logged), qPrintable(logged));
    // Words inside the printable area, above a 30-unit footer but its own.
    const double bottom = pointsFromPageEdge(m_engine->pageList.first()->pageHeight - 80) + 0.5;
    const double footerTop = qMin(bottom, pointsFromPageEdge(1108 - 30) + 0.5);
    const QRegularExpression footerWord(QStringLiteral("^(Page|of|\\d+|PageFooter)$"));
    QSet<QString> printed;
    const int pages = PdfProbe::pageCount(file);
    for (int p = 1; p <= pages; ++p) {
        QVERIFY(!bands.contains(labelField("Page <Page> of <TotalPages>")) || PdfProbe::text(file, p).contains(QStringLiteral("Page %1 of %2").arg(p).arg(pages)));
        const QList<PdfProbe::Word> words = PdfProbe::words(file, p);
        for (int i = 0; i < words.size(); ++i) {
            const PdfProbe::Word& word = words.at(i);
            printed << word.text;
            const QString where = QStringLiteral("%1 on page %2 at %3").arg(word.text).arg(p).arg(word.box.bottom());
            QVERIFY2(word.box.top() > pointsFromPageEdge(0) - 0.5 && word.box.bottom() <= (footerWord.match(word.text).hasMatch() ? bottom : footerTop),
                     qPrintable(where));
            for (int j = 0; j < i; ++j)
                QVERIFY2(words.at(j).text == word.text || !words.at(j).box.intersects(word.box), qPrintable(where + " " + words.at(j).text));
        }
    }
    for (const QString& word : closing.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        QVERIFY2(printed.contains(word), qPrintable(word));
}

// Each printed page ends with its own report page's footer, or without one,
// numbered "Page p of N", N the pages there are; a second render the same.
void TestReportLayout::ownFootersAndTruePageCount_data()
{
    QTest::addColumn<QString>("pages");
    QTest::addColumn<QStringList>("ends");
    const auto foot = [](const QString& more) { return band("PageFooter", 60, labelField("FOOT Page <Page> of <TotalPages>") + more); };
    const QString data = band("MasterData", 25, labelField("[n]")), second = page(data + foot({})),
                  table = "<F type=\"crossTab\" top=\"20\" width=\"400\" height=\"40\" colCount=\"2\"/>";
    QTest::newRow("groups on pages of their own") << page(band("DataGroupHeader", 30, labelField("G[source]"), "groupingField=\"[source]\" startNewPage=\"1\"") + foot({})) + second
        << QStringList{"G0 FOOT Page 1 of 4", "G1 FOOT Page 2 of 4", "G2 FOOT Page 3 of 4", "R004 FOOT Page 4 of 4"};
    QTest::newRow("cross table in a page footer") << page(data + foot(table)) << QStringList{"R029 FOOT Page 1 of 2 0 0", "FOOT Page 2 of 2 0 0"};
    QTest::newRow("cross table in a page footer, finished before the records") << page(band("MasterData", 100, labelField("[n]")) + foot(table)) << QStringList{"R009 FOOT Page 1 of 3 0 0", "R019 FOOT Page 2 of 3 0 0", "R029 FOOT Page 3 of 3"};
    QTest::newRow("no footer on report page 1, a cross table in its page header")
        << page(band("PageHeader", 60, table) + data) + second << QStringList{"R029", "0 0", "R004 FOOT Page 3 of 3"};
    const QString top = band("ReportTitle", 500, labelField("TITLE")) + band("PageHeader", 133, labelField("HEAD")), group = band("DataGroupHeader", 540, labelField("G[source]"), "groupingField=\"[source]\"");
    QTest::newRow("page header fitting below a title, no record band") << page(top + band("ReportSummary", 540, labelField("SUM")) + foot({})) << QStringList{"TITLE HEAD FOOT Page 1 of 2", "HEAD SUM FOOT Page 2 of 2"};
    QTest::newRow("groups below a title, no record band") << page(top + group + band("MasterHeader", 100, labelField("COLS"), "showInGroup=\"1\"") + foot({})) << QStringList{"TITLE HEAD FOOT Page 1 of 4", "HEAD G0 COLS FOOT Page 2 of 4", "HEAD G1 COLS FOOT Page 3 of 4", "HEAD G2 COLS FOOT Page 4 of 4"};
}

void TestReportLayout::ownFootersAndTruePageCount()
{
    QFETCH(QString, pages);
    QFETCH(QStringList, ends);
    for (int r = 0; r < 30; ++r)
        m_sources.insert(r, QString::number(r / 10));
    load(pages, {30, 5});
    const QString first = pdf(), second = pdf(QStringLiteral("again.pdf"));
    QCOMPARE(PdfProbe::pageCount(first), ends.size());
    for (int p = 1; p <= ends.size(); ++p) {
        const QString text = PdfProbe::text(first, p).simplified();
        QVERIFY2(text.endsWith(ends.at(p - 1)) && PdfProbe::text(second, p).simplified() == text, qPrintable(text));
    }
}

// A record taller than a page loses no line where it goes on to the next
// page, wherever its text stands in its box, at the PDF export's resolution
// and at printers' others.
void TestReportLayout::continuedFieldPrintsEveryLine_data()
{
    QTest::addColumn<QString>("alignment");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("dpi");
    for (const char* alignment : {"vTop", "vCenter", "vBottom"}) {
        for (const int top : {0, 20})
            QTest::addRow("%s, top %d", alignment, top) << alignment << top << 1200;
        QTest::addRow("%s, 96 dpi", alignment) << alignment << 0 << 96;
    }
}

void TestReportLayout::continuedFieldPrintsEveryLine()
{
    QFETCH(QString, alignment);
    QFETCH(int, top);
    QFETCH(int, dpi);
    QStringList words;
    for (int i = 1; i <= 2500; ++i)
        words << QStringLiteral("w%1").arg(i);
    load(page(band("MasterData", 25, labelField("[n] " + words.join(' '), top, "autoHeight=\"1\" aligmentV=\"" + alignment + "\""))), {2});
    QPrinter printer(QPrinter::HighResolution); // as the preview prints, and the export
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_dir.filePath(QStringLiteral("printed.pdf")));
    printer.setResolution(dpi);
    m_engine->printPreview(&printer);
    const QStringList printed = PdfProbe::text(printer.outputFileName()).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    QCOMPARE(printed, QStringList(QStringList{"R000"} + words + QStringList{"R001"} + words));
}

// A picture the data names is not loaded; one the template embeds is drawn.
void TestReportLayout::richTextFromDataLoadsNothing()
{
    QImage picture(400, 400, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString local = m_dir.filePath(QStringLiteral("local.png"));
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(picture.save(local) && buffer.open(QIODevice::WriteOnly));
    picture.fill(Qt::blue);
    QVERIFY(picture.save(&buffer, "PNG"));
    m_sources = {{0, QStringLiteral("<html><body><img src=\"%1\"></body></html>").arg(local)}};
    const QString rich = QStringLiteral("<p>[source]</p><img src=\"data:image/png;base64,%1\">").arg(QString::fromLatin1(png.toBase64()));
    load(page(band("MasterData", 400, QStringLiteral("<F type=\"textRich\" value=\"%1\" width=\"760\" height=\"400\"/>").arg(rich.toHtmlEscaped()))), {1});
    const QImage image = PdfProbe::pageImage(pdf(), 1, 50);
    QHash<QRgb, int> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++colours[image.pixel(x, y) & 0xffe0e0e0]; // near enough to pure
    QCOMPARE(colours.value(qRgb(0xe0, 0, 0)), 0);
    QVERIFY(colours.value(qRgb(0, 0, 0xe0)) > 100);
}

void TestReportLayout::badPages()
{
    // An orientation past landscape's counts as landscape.
    MessageCatcher catcher;
    load(QStringLiteral("<P pageWidth=\"840\" pageHeight=\"1188\" orientation=\"7\">%1</P>")
             .arg(band("MasterData", 25, labelField("row [n]"))), {3});
    const QString landscape = pdf(QStringLiteral("landscape.pdf"));
    QVERIFY(PdfProbe::pageSize(landscape).startsWith(QStringLiteral("842 x 595 pts")));
    QCOMPARE(count(PdfProbe::text(landscape), QStringLiteral("row R")), 3);
    QVERIFY(catcher.contains(QStringLiteral("page orientation 7 outside 0 to 1")));

    // 1187 units are 296 whole millimetres, near A4 but not A4.
    load(page(band("MasterData", 25, labelField("row [n]"))).replace(QStringLiteral("1188"), QStringLiteral("1187")), {3});
    QCOMPARE(PdfProbe::pageSize(pdf(QStringLiteral("296.pdf"))), QStringLiteral("595 x 839 pts"));

    // A record taller than a page gets a page of its own, once, whatever its
    // height, an auto-height field's box reaching down to its bottom or not.
    for (const QString grown : {"", "autoHeight=\"1\""}) {
        for (const int height : {2000, 2147483647}) {
            load(page(band("PageHeader", 40, labelField("HEADER")) + band("MasterData", height, labelField("row [n]", 0, grown))), {5});
            QVERIFY(m_engine->printHTML(m_dir.filePath(QStringLiteral("tall.html")), false)); // changes no later PDF
            const QString tall = pdf(QStringLiteral("tall.pdf"));
            QCOMPARE(PdfProbe::pageCount(tall), 5);
            for (int p = 1; p <= 5; ++p)
                QCOMPARE(PdfProbe::text(tall, p).simplified(), QStringLiteral("HEADER row R00%1").arg(p - 1));
        }
    }

    // A page far smaller than the paper prints at the largest scale: a text
    // at the bottom of a box 20 units high stays near the paper's top.
    load(page(band("MasterData", 25, labelField("row [n]"))) + "<P pageWidth=\"4\" pageHeight=\"4\">"
             + band("ReportTitle", 4, labelField("SMALL", 0, "aligmentV=\"vBottom\"")) + "</P>", {1});
    QCOMPARE(PdfProbe::text(pdf(QStringLiteral("small.pdf")), 2).simplified(), QStringLiteral("SMALL"));
}

// A page size missing, or a number past its bound, is brought within it as the template is read, with a log line.
void TestReportLayout::numbersPastBounds_data()
{
    QTest::addColumn<QString>("pages");
    QTest::addColumn<QString>("logged");
    const QString rows = band("MasterData", 25, labelField("row [n]"));
    const auto field = [&rows](const QString& more) { return page(rows + band("ReportSummary", 30, "<F name=\"f\" value=\"x\" height=\"20\" " + more + "/>")); };
    const QString big = QStringLiteral("2147483647");
    QTest::newRow("no page size") << "<P>" + rows + "</P>" << QStringLiteral("printed as A4");
    QTest::newRow("page size") << page(rows).replace("1188", big) << "page pageHeight " + big + " outside 0 to 400000; the page's size is refused";
    QTest::newRow("margin") << page(rows).replace("marginsTop=\"40", "marginsTop=\"-40") << "page marginsTop -40 outside 0 to 400000";
    QTest::newRow("page frame") << page(rows).replace("<P ", "<P border=\"1\" borderWidth=\"" + big + "\" ") << "page borderWidth " + big + " outside 0 to 1000";
    QTest::newRow("band") << page(rows + band("PageFooter", -5, "")) << "band \"PageFooter\" height -5 outside 0 to 1000000";
    QTest::newRow("place") << field("left=\"" + big + "\" width=\"" + big + "\"") << "field \"f\" left " + big + " outside -400000 to 400000; it counts as the nearer bound";
    QTest::newRow("frame") << field("width=\"99\" borderTop=\"#000\" borderWidth=\"" + big + "\"") << "field \"f\" borderWidth " + big + " outside 0 to 1000";
    QTest::newRow("font") << field("width=\"99\" fontSize=\"" + big + "\"") << "field \"f\" fontSize " + big + " outside -1 to 1000";
    QTest::newRow("turn") << field("width=\"99\" rotate=\"9\"") << "field \"f\" rotate 9 outside 0 to 3";
    QTest::newRow("line") << field("type=\"line\" lineStartX=\"-" + big + "\" lineEndY=\"" + big + "\" arrowEnd=\"1\"") << "field \"f\" lineStartX -" + big + " outside -400000 to 400000";
    QTest::newRow("cross table") << field("type=\"crossTab\" width=\"400\" colCount=\"" + big + "\"") << "field \"f\" colCount " + big + " outside 0 to 1000";
    for (const char* rowHeight : {"0", "-20", "2000000000"})
        QTest::addRow("cross table row %s", rowHeight) << field("type=\"crossTab\" width=\"400\" rowHeight=\"" + QString(rowHeight) + "\"")
                                                      << "field \"f\" rowHeight " + QString(rowHeight) + " outside 1 to 20";
    QTest::newRow("page on larger paper") << page(rows) + "<P pageWidth=\"4\" pageHeight=\"4\">" + band("PageHeader", 10, labelField("x")) + "</P>" << "a unit on its paper; printed at 128 by 128";
}

void TestReportLayout::numbersPastBounds()
{
    QFETCH(QString, pages);
    QFETCH(QString, logged);
    MessageCatcher catcher;
    load(pages, {3});
    const QString file = pdf();
    QVERIFY2(catcher.contains(logged), qPrintable(logged));
    QCOMPARE(PdfProbe::pageSize(file), QStringLiteral("595 x 842 pts (A4)"));
    QCOMPARE(count(PdfProbe::text(file), QStringLiteral("row R00[0-2]")), 3);
}

// A wrapped auto-height row pushes the next record down by its grown height.
void TestReportLayout::autoHeightRows()
{
    const QString wide = QStringLiteral("<F value=\"[n] many words that need more than one line here\" left=\"0\" top=\"0\" width=\"120\" height=\"20\" "
                                        "fontSize=\"9\" autoHeight=\"1\"/>");
    load(page(band("MasterData", 20, wide)), {2});
    QMap<int, int> tops;
    connect(m_engine.get(), &ReportEngine::setField, [&tops](ReportFieldObject& field) { tops[field.recNo] = field.pageTop; });
    QVERIFY(!pdf().isEmpty());
    QCOMPARE(tops.value(0), 0);
    QVERIFY2(tops.value(1) >= 40, qPrintable(QString::number(tops.value(1))));
}

void TestReportLayout::html()
{
    m_sources = {{0, "<b>&"}, {1, QStringLiteral("Привіт Ærø")}};
    load(page(band("PageHeader", 40, labelField("HEADER")) + band("MasterData", 25, labelField("[source]"))
              + band("PageFooter", 30, labelField("FOOTER"))),
         {2});
    QTextCodec* codec = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
    const QString path = m_dir.filePath(QStringLiteral("out.html"));
    const bool written = m_engine->printHTML(path, false);
    QTextCodec::setCodecForLocale(codec);
    QVERIFY(written);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(html.startsWith(QStringLiteral("<HTML><HEAD><meta charset=\"UTF-8\"></HEAD><BODY>")));
    QVERIFY(html.endsWith(QStringLiteral("</BODY></HTML>")));
    QVERIFY(!html.contains(QStringLiteral("HEADER")) && !html.contains(QStringLiteral("FOOTER")));
    QVERIFY(html.contains(QStringLiteral(">&lt;b&gt;&amp;</div>")));
    QVERIFY(html.contains(QStringLiteral("Привіт Ærø")));
    QCOMPARE(html.count(QStringLiteral("<div style='color:")), 2);
    QCOMPARE(html.count(QStringLiteral("border-left: none;")), 2); // no border colours: no border, as in the PDF
    QCOMPARE(m_engine->printMode, int(ReportEngine::PrinterOutput));

    ReportFieldObject total;
    total.rect = QRect(10, 0, 100, 20);
    total.font.setPointSize(10);
    total.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    total.setPageTop(50);
    QCOMPARE(total.getHTMLStyle(),
             QStringLiteral("style='color:#000000;background:#ffffff;border-left: solid thin #000000;border-right: "
                            "solid thin #000000;border-top: solid thin #000000;border-bottom: solid thin #000000;"
                            "text-align:left;font-size:15px;position: absolute; left: 10;top: 50;width: 100;height: 20;'"));
    total.backgroundColor = QColor();
    QVERIFY(!total.getHTMLStyle().contains(QStringLiteral("background")));
    // Transparent paints nothing in the PDF: neither in the HTML.
    total.backgroundColor = total.borderLeft = total.borderRight = total.borderTop = QColor(0, 0, 0, 0);
    total.borderBottom = QColor(255, 0, 0, 128);
    QVERIFY(!total.getHTMLStyle().contains(QStringLiteral("background")));
    QCOMPARE(total.getHTMLStyle().count(QStringLiteral(": none;")), 3);
    QVERIFY(total.getHTMLStyle().contains(QStringLiteral("border-bottom: solid thin rgba(255,0,0,0.502);")));
    total.fieldType = image;
    total.rect = QRect(0, 0, 150, 80);
    QVERIFY(total.getHTMLStyle().contains(QStringLiteral("width: 150;height: 80;text-align:left;'><img width=148 height=80 ")));
}

void TestReportLayout::exportsAndFailures()
{
    load(page(kStandardBands), {5});
    {
        const ScopedHook preview(&ReportEngine::setPreviewHook, [](ReportEngine&) {});
        m_engine->printExec(true, false, QString());
    }
    QPrinter* preview = m_engine->printer;
    QVERIFY(preview);
    const QPrinter::OutputFormat format = preview->outputFormat();

    // HTML first does not spoil a later PDF; a PDF stays as written.
    QVERIFY(m_engine->printHTML(m_dir.filePath(QStringLiteral("a.html")), false));
    const QString first = pdf(QStringLiteral("a.pdf"));
    QCOMPARE(PdfProbe::pageCount(first), 1);
    QFile pdfFile(first);
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdfFile.readAll();
    pdfFile.close();
    QVERIFY(m_engine->printHTML(m_dir.filePath(QStringLiteral("b.html")), false));
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    QCOMPARE(pdfFile.readAll(), bytes);
    pdfFile.close();
    QCOMPARE(preview->outputFormat(), format);
    QVERIFY(preview->outputFileName().isEmpty());

    // The preview's two export actions, a name typed in the save dialog
    // without an extension: the PDF is written, the HTML written and opened,
    // and when no program opens it the operator is told (what cannot be
    // written: exportFailureNamesCause).
    QStringList opened;
    QStringList warnings;
    const ScopedHook openFile(&ReportEngine::setOpenFileHook, [&opened](const QString& name) {
        opened << name;
        return false;
    });
    const ScopedHook warning(&ReportEngine::setWarningHook,
                             [&warnings](QWidget*, const QString&, const QString& text) { warnings << text; });
    for (const char* kind : {"Pdf", "Html"}) {
        QTimer::singleShot(0, [this, kind] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setDirectory(m_dir.path());
            for (const char c : QByteArray("typed") + kind + '\r')
                QTest::keyClick(dialog->windowHandle(), c);
        });
        m_engine->exportTo(kind == QLatin1String("Pdf") ? ReportEngine::PdfExport : ReportEngine::HtmlExport);
    }
    QCOMPARE(PdfProbe::pageCount(m_dir.filePath(QStringLiteral("typedPdf.pdf"))), 1);
    const QString html = m_dir.filePath(QStringLiteral("typedHtml.html"));
    QVERIFY(QFileInfo(html).size() > 0);
    QCOMPARE(warnings, QStringList{QStringLiteral("The report was saved to %1, but no program could be found to open it.").arg(html)});
    QCOMPARE(opened, QStringList{html});

    // A partial file an earlier export left behind goes; the new file
    // follows the umask.
    QFile leftover(m_dir.filePath(QStringLiteral(".kept.pdf.Ab12Cd")));
    QVERIFY(leftover.open(QIODevice::WriteOnly) && leftover.flush());
    const mode_t mask = umask(027);
    const QString kept = pdf(QStringLiteral("kept.pdf"));
    umask(mask);
    QVERIFY(!leftover.exists());
    QCOMPARE(QFile::permissions(kept), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);

    // What could not be written is reported and leaves the earlier file whole.
    MessageCatcher catcher;
    const QString blocked = m_dir.filePath(QStringLiteral("blocked.pdf"));
    QVERIFY(QDir().mkpath(blocked + QStringLiteral("/inside")));
    QVERIFY(!m_engine->printPDF(blocked, false));
    QVERIFY(!m_engine->printHTML(blocked, false));
    QVERIFY(QFileInfo(blocked + QStringLiteral("/inside")).isDir());
    m_engine->clearPages();
    QVERIFY(!m_engine->printPDF(first, false));
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    QCOMPARE(pdfFile.readAll(), bytes);
    QVERIFY(catcher.contains(QStringLiteral("Could not write report file")));
    QCOMPARE(QDir(m_dir.path()).entryList(QStringList{QStringLiteral(".*.pdf.*")}, QDir::Files | QDir::Hidden),
             QStringList());

    // An export cancelled is logged as such.
    load(page(kStandardBands), {100});
    connect(m_engine.get(), &ReportEngine::renderProgress, m_engine.get(), &ReportEngine::cancelRendering);
    catcher.clear();
    QVERIFY(!m_engine->printPDF(m_dir.filePath(QStringLiteral("cancelled.pdf")), false));
    QVERIFY(!m_engine->printHTML(m_dir.filePath(QStringLiteral("cancelled.html")), false));
    QCOMPARE(catcher.messages().filter(QStringLiteral("export was cancelled")).size(), 2);
    QVERIFY(!catcher.contains(QStringLiteral("could not be")));
}

void TestReportLayout::exportFailureNamesCause_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("sizeLimit");
    QTest::addColumn<QString>("cause");
    for (const char* action : {"actExpToPdf", "actExpToHtml"}) {
        const bool pdf = action == QLatin1String("actExpToPdf");
        QTest::addRow("%s, in a file", action) << action << "plain/out" << 0 << qt_error_string(ENOTDIR);
        QTest::addRow("%s, a directory", action) << action << "directory" << 0
                                                 << (pdf ? qt_error_string(EISDIR) : "Filename refers to a directory");
        QTest::addRow("%s, file size limit", action) << action << "big" << 2048 << qt_error_string(EFBIG);
    }
}

// The operator reads why, as the system names it.
void TestReportLayout::exportFailureNamesCause()
{
    QFETCH(QString, action);
    QFETCH(QString, target);
    QFETCH(int, sizeLimit);
    QFETCH(QString, cause);
    load(page(kStandardBands), {100});
    QFile plain(m_dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly) && QDir().mkpath(m_dir.filePath(QStringLiteral("directory/inside"))));
    QStringList warnings;
    const ScopedHook warning(&ReportEngine::setWarningHook,
                             [&warnings](QWidget*, const QString&, const QString& text) { warnings << text; });
    const ScopedHook saveFileName(&ReportEngine::setSaveFileNameHook,
                                  [&](QWidget*, const QString&, const QString&) { return m_dir.filePath(target); });
    {
        const FileSizeLimit limit(sizeLimit > 0 ? rlim_t(sizeLimit) : RLIM_INFINITY);
        QVERIFY(limit.isSet());
        m_engine->exportTo(action == QLatin1String("actExpToPdf") ? ReportEngine::PdfExport : ReportEngine::HtmlExport);
    }
    QCOMPARE(warnings, QStringList{QStringLiteral("The report could not be saved to %1: %2.")
                                       .arg(m_dir.filePath(target), cause)});
}

// A picture the template embeds is decoded once for the report: the PDF
// holds it once, however many records show it. One too large to decode
// prints why in its field.
void TestReportLayout::embeddedPictures()
{
    const auto pictureField = [](const QImage& picture) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        return QStringLiteral("<F type=\"image\" picture=\"%1\" width=\"400\" height=\"25\"/>").arg(QString::fromLatin1(png.toBase64()));
    };
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::red);
    load(page(band("MasterData", 25, pictureField(picture))), {5});
    QFile file(pdf());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("/Subtype /Image"), 1);

    picture = QImage(12000, 12000, QImage::Format_Mono);
    picture.fill(0);
    MessageCatcher catcher;
    load(page(band("MasterData", 25, pictureField(picture))), {2});
    QCOMPARE(PdfProbe::text(pdf(QStringLiteral("large.pdf"))).count(QStringLiteral("Picture too large")), 2);
    QVERIFY(catcher.contains(QStringLiteral("12000 x 12000")));
}

// The preview shows the pages and prints them as the PDF export writes them.
void TestReportLayout::previewShowsPrints()
{
    load(page(kStandardBands), {100});
    const QString direct = pdf(QStringLiteral("direct.pdf"));
    const QString printed = m_dir.filePath(QStringLiteral("printed.pdf"));
    const ScopedHook printDialog(&ReportEngine::setPrintDialogHook, [&printed](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        return true;
    });
    const QString exported = m_dir.filePath(QStringLiteral("exported.pdf"));
    const ScopedHook saveFileName(&ReportEngine::setSaveFileNameHook,
                                  [&exported](QWidget*, const QString&, const QString&) { return exported; });
    int shown = 0;
    int inked = 0;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
        if (!preview || !QTest::qWaitFor([preview] { return !preview->rendering() && preview->pages()->pageCount() > 0; }))
            return;
        shown = preview->pages()->pageCount();
        const QImage view = preview->pages()->viewport()->grab().toImage();
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x)
                inked += qGray(view.pixel(x, y)) < 64;
        const QList<QAction*> actions = preview->toolBar()->actions();
        auto print = std::find_if(actions.begin(), actions.end(), [](QAction* a) { return a->text() == "Print"; });
        if (print != actions.end())
            (*print)->trigger();
        // The tool bar's "Save as PDF", clicked.
        auto save = std::find_if(actions.begin(), actions.end(), [](QAction* a) { return a->objectName() == "actExpToPdf"; });
        if (QWidget* button = save != actions.end() ? preview->toolBar()->widgetForAction(*save) : nullptr)
            QTest::mouseClick(preview->windowHandle(), Qt::LeftButton, {}, button->mapTo(preview, button->rect().center()));
        preview->accept();
    });
    m_engine->printExec(true, false, QString());
    QCOMPARE(shown, 3);
    QVERIFY2(inked > 200, qPrintable(QString::number(inked)));
    QCOMPARE(PdfProbe::pageCount(printed), 3);
    QCOMPARE(PdfProbe::text(printed), PdfProbe::text(direct));
    QCOMPARE(PdfProbe::text(exported), PdfProbe::text(direct));
}

// While the pages render, the preview takes the operator's input from the
// window system: Fit page works, and Cancel or Esc stop the rendering.
void TestReportLayout::previewTakesInputWhileRendering()
{
    for (const bool escape : {false, true}) {
        load(page(kStandardBands), {20000});
        QSignalSpy pages(m_engine.get(), &ReportEngine::newPage);
        bool sent = false;
        bool fitted = false;
        int pagesAtInput = 0;
        const auto input = [&](ReportPreview* preview) {
            QWindow* window = preview->windowHandle();
            const auto click = [&](QWidget* w) { QTest::mouseClick(window, Qt::LeftButton, {}, w->mapTo(preview, w->rect().center())); };
            click(preview->toolBar()->widgetForAction(preview->toolBar()->actions().at(1))); // Fit page
            fitted = preview->rendering() && preview->pages()->zoomMode() == PreviewPages::FitInView;
            pagesAtInput = pages.count();
            escape ? QTest::keyClick(window, Qt::Key_Escape) : click(preview->findChild<QPushButton*>());
            QTimer::singleShot(20000, preview, &QDialog::accept); // when the input was ignored
        };
        // Sent from the events the render loop lets through between its slices.
        QTimer::singleShot(0, [&] {
            auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
            connect(preview->pages(), &PreviewPages::pageCountChanged, preview, [&, preview] {
                if (!std::exchange(sent, true))
                    QTimer::singleShot(0, preview, [&, preview] { input(preview); });
            });
        });
        m_engine->printExec(true, false, QString());
        QVERIFY(fitted && m_engine->renderingCancelled());
        QVERIFY2(pages.count() - pagesAtInput < 20, qPrintable(QStringLiteral("%1, %2").arg(pagesAtInput).arg(pages.count())));
    }
}

// A template missing or damaged opens an empty preview: Print, Save as PDF and Save as HTML are each told by a
// warning alone, the preview keeping the input, and the engine goes cleanly after it.
void TestReportLayout::noPagesToldByWarningAlone()
{
    QStringList told;
    const ScopedHook warn(&ReportEngine::setWarningHook, [&told](QWidget*, const QString&, const QString& text) { told << text; });
    const ScopedHook ask(&ReportEngine::setSaveFileNameHook, [this](QWidget*, const QString&, const QString&) { return m_dir.filePath("none"); });
    bool alone = true;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
        QTimer::singleShot(0, preview, [&, preview] { // once the preview has rendered
            for (QAction* action : preview->toolBar()->actions())
                if (action->text() == "Print" || action->text().startsWith("Save as"))
                    alone = alone && operatorClick(preview->toolBar()->widgetForAction(action))
                            && QApplication::activeModalWidget() == preview && !preview->findChild<QProgressDialog*>();
            preview->accept();
        });
    });
    m_engine->printExec(true, false, QString());
    m_engine.reset(); // a dialog freed by the preview and again by the engine would crash here
    const QString saved = QStringLiteral("The report could not be saved to %1: the report has no pages.").arg(m_dir.filePath("none"));
    QCOMPARE(told, QStringList({QStringLiteral("The report could not be printed: the report has no pages."), saved, saved}));
    QVERIFY(alone);
}

// Cancel, or the program's end, stops what runs as it comes, not after it:
// a formula, or the count of an SQL source that never ends. A formula so
// stopped is not at fault: the next output runs it in full; the source is
// stopped past the record limit there, and the page and the log say so.
void TestReportLayout::stopWhileRendering_data()
{
    QTest::addColumn<QString>("bands");
    QTest::addColumn<bool>("programEnd");
    const QString endless = QStringLiteral("<DataSource type='SQL' name='ds' dbType='QSQLITE' dbName=':memory:'>WITH RECURSIVE "
                                           "c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c</DataSource>");
    const QString formula = band("MasterData", 25, labelField("<(function () { for (var i = 0; i - [source]; ++i) {} return 'done ' + i; })()>"));
    QTest::newRow("Cancel, a formula running") << formula << false;
    QTest::newRow("the program's end, a formula running") << formula << true;
    QTest::newRow("Cancel, an endless source counted") << endless + band("MasterData", 25, labelField("[ds.x]")) << false;
}

void TestReportLayout::stopWhileRendering()
{
    QFETCH(QString, bands);
    QFETCH(bool, programEnd);
    const auto restore = qScopeGuard([] { ProgramEnd::reset(); });
    const ScopedHook timeLimit(&ReportEngine::setScriptTimeLimit, 10000, TimedScript::DefaultTimeLimitMs);
    const bool sql = bands.contains(QStringLiteral("DataSource"));
    load(page(bands), sql ? QList<int>() : QList<int>{2});
    m_sources = {{0, QStringLiteral("3")}, {1, QStringLiteral("1e12")}};
    bool running = sql; // the formula of record 1, once it asks for its value
    connect(m_engine.get(), &ReportEngine::setValue, this, [&running](int recNo) { running = running || recNo == 1; });
    QTimer input;
    connect(&input, &QTimer::timeout, [&] {
        auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
        if (!preview || !preview->rendering() || !running)
            return;
        input.stop();
        QTimer::singleShot(15000, preview, &QDialog::accept); // were the stop not taken
        QPushButton* cancel = preview->findChild<QPushButton*>();
        if (programEnd)
            ProgramEnd::begin(ProgramEnd::Cause::Signal);
        else
            QTest::mouseClick(preview->windowHandle(), Qt::LeftButton, {}, cancel->mapTo(preview, cancel->rect().center()));
    });
    input.start(0);
    MessageCatcher log;
    m_engine->printExec(true, false, QString());
    // Stopped as it ran, the source gives no reason; the formula, not at fault, runs in full below.
    QVERIFY(m_engine->renderingCancelled() && !log.contains(QStringLiteral("was stopped")));
    ProgramEnd::reset();
    m_sources[1] = QStringLiteral("3");
    const ScopedHook recordLimit(&ReportSql::setRecordLimit, 1000, ReportSql::DefaultRecordLimit);
    const QString text = PdfProbe::text(pdf());
    const QString reason = QStringLiteral("The data source ds was stopped: its query gives more than 1000 records");
    QCOMPARE(QList<bool>({text.simplified().contains(reason), log.contains(reason), count(text, "done 3") == 2}), QList<bool>({sql, sql, !sql}));
}

void TestReportLayout::sourceReasonOnPage_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a write") << "t.db" << "DELETE FROM t"
                             << "The data source ds was not read: its query does more than read, and a report only reads.";
    QTest::newRow("a second statement") << "t.db" << "SELECT 1 AS x; ATTACH DATABASE 'e.db' AS e"
                                        << "The data source ds was not read: its query holds a second statement, and a data source holds only one.";
    QTest::newRow("missing file") << "missing.db" << "SELECT 1 AS x"
                                  << "The data source ds was not read: its database %1 could not be opened (unable to open database file).";
}

// A source that gives no records says why on its page, below the title: in
// the PDF, in the log, in the HTML, and in the preview, where the page's text
// keeps its own black pen.
void TestReportLayout::sourceReasonOnPage()
{
    QFETCH(QString, database);
    QFETCH(QString, query);
    QFETCH(QString, reason);
    const QString path = m_dir.filePath(database);
    makeReportDatabase(m_dir.filePath(QStringLiteral("t.db")), {QStringLiteral("kept")}, {});
    reason.replace(QStringLiteral("%1"), path);
    const QString source = QStringLiteral("<DataSource type='SQL' name='ds' dbType='QSQLITE' dbName='%1'>%2</DataSource>")
                               .arg(path.toHtmlEscaped(), query.toHtmlEscaped());
    load(page(source + band("ReportTitle", 60, labelField("TITLE")) + band("MasterData", 25, labelField("[ds.x]"))), {});
    MessageCatcher log;
    const QString text = PdfProbe::text(pdf());
    // "ﬁ" read as "fi"; the path may wrap at any of its characters.
    const QRegularExpression space(QStringLiteral("\\s"));
    QVERIFY2(text.normalized(QString::NormalizationForm_KC).remove(space).contains(QString(reason).remove(space)), qPrintable(text));
    QVERIFY(log.contains(reason + QStringLiteral(" Query: ") + query));
    const QString html = m_dir.filePath(QStringLiteral("reason.html"));
    QFile htmlFile(html);
    QVERIFY(m_engine->printHTML(html, false) && htmlFile.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(htmlFile.readAll()).contains(QStringLiteral("position: absolute; left: 0;top: 60;width: 760;height: 60;'>")
                                                           + reason.toHtmlEscaped() + QStringLiteral("</div>")));

    int inked = -1; // the dark pixels within the white pixels' bounds: the sheet
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
        if (!preview || !QTest::qWaitFor([preview] { return !preview->rendering() && preview->pages()->pageCount() > 0; }))
            return;
        const QImage view = preview->pages()->viewport()->grab().toImage();
        QRect sheet;
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x)
                sheet |= qGray(view.pixel(x, y)) == 255 ? QRect(x, y, 1, 1) : QRect();
        inked = 0;
        for (int y = sheet.top(); y <= sheet.bottom(); ++y)
            for (int x = sheet.left(); x <= sheet.right(); ++x)
                inked += qGray(view.pixel(x, y)) < 128;
        preview->accept();
    });
    m_engine->printExec(true, false, QString());
    QVERIFY2(inked > 100, qPrintable(QString::number(inked)));
}

// Each page sorts 4 MB on disk: the pages of a report hold no more than
// the report's limit together, and print every record.
void TestReportLayout::sourcesHoldTemporaryStorageTogether()
{
    constexpr qint64 Limit = 6 * 1024 * 1024;
    const ScopedHook temporary(&ReportSql::setTempLimit, Limit, ReportSql::DefaultTempBytes);
    const QString sorted = QStringLiteral("<DataSource type='SQL' name='ds' dbType='QSQLITE' dbName=':memory:'>WITH RECURSIVE "
                                          "c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT 200) SELECT x, "
                                          "randomblob(20000) AS b FROM c ORDER BY b</DataSource>")
                           + band("MasterData", 25, labelField("row [ds.x]"));
    load(page(sorted) + page(sorted) + page(sorted), {});
    qint64 held = 0;
    connect(m_engine.get(), &ReportEngine::setField, [&held] { held = qMax(held, sqliteTempBytes()); });
    const QString text = PdfProbe::text(pdf());
    QCOMPARE(count(text, QStringLiteral("row \\d+")), 600);
    QVERIFY2(held > 0 && held <= Limit, qPrintable(QString::number(held)));
}

// Beside a page with an SQL source the program answers its own page, the HTML sets the next page below it, the progress counts both.
void TestReportLayout::programPageBesideSqlPage()
{
    load(page(band("MasterData", 25, labelField("rec [n]"))) + page("<DataSource type='SQL' name='ds' dbType='QSQLITE' dbName=':memory:'>"
         "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT 30) SELECT x FROM c</DataSource>"
         + band("MasterData", 25, labelField("sql [ds.x]"))), {50});
    QSignalSpy progress(m_engine.get(), &ReportEngine::renderProgress);
    QFile html(m_dir.filePath(QStringLiteral("pages.html")));
    QVERIFY(m_engine->printHTML(html.fileName(), false) && html.open(QIODevice::ReadOnly));
    const QString both = QString::fromUtf8(html.readAll());
    QCOMPARE(QList<int>({count(both, ">rec R0[0-4]\\d<"), count(both, ">sql \\d+<")}), QList<int>({50, 30}));
    const QRegularExpression below(QStringLiteral("top: (\\d+);[^>]*>rec R049<.*top: (\\d+);[^>]*>sql 1<"), QRegularExpression::DotMatchesEverythingOption);
    QVERIFY(below.match(both).captured(2).toInt() >= below.match(both).captured(1).toInt() + 20);
    QVERIFY(!progress.isEmpty() && std::all_of(progress.cbegin(), progress.cend(), [](const QList<QVariant>& step) { return step.at(1) == 160; }));
}

void TestReportLayout::fieldPainting()
{
    QImage image(300, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QVERIFY(m_engine->setPainter(&painter));
    m_engine->koefResH = m_engine->koefResV = 1.0f;
    ReportBandObject data;
    auto* field = new ReportFieldObject;
    field->rect = QRect(10, 0, 100, 20);
    field->borderBottom = field->borderLeft = field->borderRight = Qt::white;
    field->borderTop = Qt::black;
    field->backgroundColor = field->defaultBackgroundColor = QColor();
    data.addField(field);
    m_engine->drawBand(&data, 10, true);
    // A 5-pixel top line from L to L + W (W is the width less one); nothing else.
    QCOMPARE(image.pixelColor(10, 10), QColor(Qt::black));
    QCOMPARE(image.pixelColor(109, 11), QColor(Qt::black));
    QCOMPARE(image.pixelColor(112, 10), QColor(Qt::white));
    QCOMPARE(image.pixelColor(50, 20), QColor(Qt::white));

    // Wrapped text grows an auto-height band.
    field->autoHeight = true;
    field->value = QStringLiteral("many words that need more than one line in a narrow field");
    m_engine->drawBand(&data, 0, false);
    QVERIFY2(data.currentHeight > 40, qPrintable(QString::number(data.currentHeight)));
    m_engine->setPainter(nullptr);
    m_engine->painter = nullptr;
}

// Where a field's edge, in template units (0.25 mm), lies on the page in
// points, behind the 10 mm margin.
double pointsFromPageEdge(int units)
{
    return (10 + units * 0.25) / 25.4 * 72;
}

// The lowest box of a word on the first page: a heading, not the same word in a title.
QRectF lowestWord(const QString& pdf, const QString& text)
{
    QRectF box;
    for (const PdfProbe::Word& word : PdfProbe::words(pdf, 1)) {
        if (word.text == text && (box.isNull() || word.box.top() > box.top()))
            box = word.box;
    }
    return box;
}

// In the alarm states every column heading, and the longest IPv4 address
// at 9 pt, fit their columns; right-aligned ones keep five screen pixels
// (1.3 mm, 3.75 pt) from the right edge on paper too.
void TestReportLayout::alarmStateColumns()
{
    m_engine->recordsCount << 1;
    QVERIFY(m_engine->loadReport(QStringLiteral(LUMETRA_TEMPLATES "/AlarmStateReport.xml")));
    m_engine->pageList.first()->getBand(MasterData)->fieldList.first()->value = QStringLiteral("255.255.255.255");
    const QString printed = pdf();
    QList<ReportFieldObject*> fields = m_engine->pageList.first()->getBand(MasterHeader)->fieldList;
    fields << m_engine->pageList.first()->getBand(MasterData)->fieldList.first();
    for (const ReportFieldObject* field : fields) {
        const QRectF box = lowestWord(printed, field->value.section(QLatin1Char(' '), 0, 0));
        const double indent = field->alignment & Qt::AlignRight ? 3.0 : 0.0;
        QVERIFY2(box.left() > pointsFromPageEdge(field->rect.left()) && box.right() < pointsFromPageEdge(field->rect.right()) - indent,
                 qPrintable(QStringLiteral("%1: %2 to %3").arg(field->value).arg(box.left()).arg(box.right())));
    }
}

void TestReportLayout::applicationTemplates_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("variables");
    QTest::newRow("alarm states") << "AlarmStateReport.xml"
                                  << QStringList{"ip", "name", "state", "sector1", "sector2", "duration", "attemts", "lastTry"};
    QTest::newRow("alarm log") << "AlarmLogReport.xml" << QStringList{"datetime", "source", "reason", "info"};
    QTest::newRow("user actions") << "UserActionLogReport.xml" << QStringList{"datetime", "user", "subject", "info"};
    QTest::newRow("voltage log") << "VoltageLogReport.xml" << QStringList{"value1", "value2", "value3", "value4"};
}

void TestReportLayout::applicationTemplates()
{
    QFETCH(QString, file);
    QFETCH(QStringList, variables);
    m_engine->recordsCount << 3;
    QVERIFY(m_engine->loadReport(QStringLiteral(LUMETRA_TEMPLATES "/") + file));
    QCOMPARE(m_engine->pageList.size(), 1);
    const ReportPageObject* p = m_engine->pageList.first();
    QCOMPARE(QList<int>({p->pageWidth, p->pageHeight, p->marginsLeft, p->marginsTop}), QList<int>({840, 1188, 40, 40}));
    QVERIFY(m_engine->xmlDoc.elementsByTagName(QStringLiteral("DataSource")).isEmpty());
    QStringList values;
    for (const ReportFieldObject* field : p->getBand(MasterData)->fieldList)
        values << field->value;
    QStringList references;
    for (const QString& name : variables)
        references << QLatin1Char('[') + name + QLatin1Char(']');
    QCOMPARE(values, references);

    const QString text = PdfProbe::text(pdf()).simplified();
    QString expected;
    for (int r = 0; r < 3; ++r)
        expected += QStringLiteral(".*%1-%2").arg(variables.first()).arg(r);
    QVERIFY2(QRegularExpression(expected).match(text).hasMatch(), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Page 1 of 1")));
    // Nothing in these templates reads the values collected for each row.
    QCOMPARE(m_engine->groupEntries.size(), 0);
}

QTEST_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
