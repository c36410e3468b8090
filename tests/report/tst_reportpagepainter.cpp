#include "reportbandobject.h"
#include "reportengine.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"
#include "reportpagepainter.h"

#include <QTemporaryDir>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

QT_CHARTS_USE_NAMESPACE

// A report built in code: one band with a label at the top and a chart
// field below it, painted to pictures and checked pixel by pixel.
class tst_ReportPagePainter : public QObject
{
    Q_OBJECT

private slots:
    void labelAndChart_data();
    void labelAndChart();
    void unansweredChartIsNotDrawn();
    void files();

private:
    struct Report
    {
        ReportEngine engine;
        ReportFieldObject* chart = nullptr;
    };
    static void build(Report& report, int rotate);
    static void answerWithRedLine(Report& report, int* asked);
    static QRect redPixels(const QImage& image);
};

void tst_ReportPagePainter::build(Report& report, int rotate)
{
    auto* page = new ReportPageObject(nullptr);
    report.engine.pageList.append(page);
    auto* band = new ReportBandObject;
    band->height = 1108;
    page->addBand(band);

    auto* title = new ReportFieldObject;
    title->fieldType = label;
    title->rect = QRect(0, 0, 760, 100);
    title->value = QStringLiteral("Voltage Diagram");
    title->font.setPointSize(22);
    title->alignment = Qt::AlignCenter;
    band->addField(title);

    report.chart = new ReportFieldObject;
    report.chart->fieldType = QtChart;
    report.chart->rect = QRect(0, 200, 600, 300);
    report.chart->rotate = rotate;
    band->addField(report.chart);
}

void tst_ReportPagePainter::answerWithRedLine(Report& report, int* asked)
{
    QObject::connect(&report.engine, &ReportEngine::setChart, [asked](ReportFieldObject&, QChart& chart) {
        ++*asked;
        chart.setObjectName(QStringLiteral("answered"));
        chart.legend()->hide();
        // A level line across the whole width of the plot.
        auto* series = new QLineSeries;
        series->append(0, 5);
        series->append(10, 5);
        series->setPen(QPen(Qt::red, 6));
        chart.addSeries(series);
        auto* x = new QValueAxis;
        x->setRange(0, 10);
        auto* y = new QValueAxis;
        y->setRange(0, 10);
        chart.addAxis(x, Qt::AlignBottom);
        chart.addAxis(y, Qt::AlignLeft);
        series->attachAxis(x);
        series->attachAxis(y);
    });
}

QRect tst_ReportPagePainter::redPixels(const QImage& image)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                found |= QRect(x, y, 1, 1);
        }
    }
    return found;
}

void tst_ReportPagePainter::labelAndChart_data()
{
    QTest::addColumn<int>("rotate");
    QTest::newRow("upright") << 0;
    QTest::newRow("a quarter turn left") << 3;
}

void tst_ReportPagePainter::labelAndChart()
{
    QFETCH(int, rotate);
    Report report;
    build(report, rotate);
    int asked = 0;
    answerWithRedLine(report, &asked);

    // At 102 dots per inch a report unit is about one pixel.
    const QImage image = ReportPagePainter(report.engine).renderPage(0, 102);
    QCOMPARE(asked, 1);
    QCOMPARE(image.size(), QSize(843, 1193));

    // The label's text is dark, inside its rectangle below the top margin.
    QRect dark;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100 && image.pixelColor(x, y).red() < 100)
                dark |= QRect(x, y, 1, 1);
    QVERIFY(!dark.isNull());
    QVERIFY(dark.top() >= 40);

    const QRect field(40, 240, 610, 305);
    const QRect red = redPixels(image);
    QVERIFY(!red.isNull());
    QVERIFY(field.contains(red));
    if (rotate == 3) {
        // The level line stands upright once the chart is turned.
        QVERIFY2(red.height() > 4 * red.width(), qPrintable(QStringLiteral("%1x%2").arg(red.width()).arg(red.height())));
    } else {
        QVERIFY2(red.width() > 4 * red.height(), qPrintable(QStringLiteral("%1x%2").arg(red.width()).arg(red.height())));
    }
}

void tst_ReportPagePainter::unansweredChartIsNotDrawn()
{
    Report report;
    build(report, 0);
    int asked = 0;
    QObject::connect(&report.engine, &ReportEngine::setChart, [&asked](ReportFieldObject&, QChart&) { ++asked; });
    const QImage image = ReportPagePainter(report.engine).renderPage(0, 102);
    QCOMPARE(asked, 1);
    const QRect field(40, 240, 600, 300);
    for (int y = field.top(); y <= field.bottom(); y += 3)
        for (int x = field.left(); x <= field.right(); x += 3)
            QCOMPARE(image.pixelColor(x, y), QColor(Qt::white));
}

void tst_ReportPagePainter::files()
{
    QTemporaryDir dir;
    Report report;
    build(report, 3);
    int asked = 0;
    answerWithRedLine(report, &asked);

    const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
    QVERIFY(report.engine.printToFile(pdf));
    QFile pdfFile(pdf);
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    QVERIFY(pdfFile.read(5) == "%PDF-");

    const QString html = dir.filePath(QStringLiteral("chart.html"));
    QVERIFY(report.engine.printToFile(html));
    QFile htmlFile(html);
    QVERIFY(htmlFile.open(QIODevice::ReadOnly));
    QVERIFY(htmlFile.readAll().contains("data:image/png;base64,"));
    QCOMPARE(asked, 2);

    QVERIFY(!report.engine.printToFile(dir.filePath(QStringLiteral("missing/dir/chart.html"))));
}

QTEST_MAIN(tst_ReportPagePainter)
#include "tst_reportpagepainter.moc"
