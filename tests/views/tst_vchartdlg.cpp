#include "operatorclick.h"
#include "scopedhook.h"
#include "voltagesite.h"

#include "reportbandobject.h"
#include "reportengine.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"
#include "pdfprobe.h"
#include "testhome.h"
#include "vchartdlg.h"

#include <QPointer>
#include <QPushButton>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QTemporaryDir>
#include <QtTest>

QT_CHARTS_USE_NAMESPACE

class tst_VChartDlg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void axes_data();
    void axes();
    void names_data();
    void names();
    void points();
    void printedReport();
    void printedChart();
    void printedPage();
    void closeDeletes();

private:
    // A chart window of 6 March 2026 (or the given range), left open.
    VChartDlg* openChart(const QDate& from, const QDate& to, int energizerNo, int sector, const QString& name);
    static QChart* chartOf(VChartDlg* dlg) { return dlg->findChild<QChartView*>()->chart(); }

    std::unique_ptr<TestHome> home;
    QList<QPointer<VChartDlg>> opened;
};

void tst_VChartDlg::init()
{
    home = std::make_unique<TestHome>();
    QVERIFY(home->isValid());
    QVERIFY(home->openDatabase());
}

void tst_VChartDlg::cleanup()
{
    for (const auto& dlg : qAsConst(opened))
        delete dlg.data();
    opened.clear();
    home.reset();
}

VChartDlg* tst_VChartDlg::openChart(const QDate& from, const QDate& to, int energizerNo, int sector,
                                    const QString& name)
{
    auto* dlg = new VChartDlg;
    opened.append(dlg);
    dlg->showChart(QDateTime(from, QTime(0, 0)), QDateTime(to, QTime(0, 0)), energizerNo, sector, name);
    return dlg;
}

void tst_VChartDlg::axes_data()
{
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("sector");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("xTitle");
    QTest::addColumn<QDateTime>("xMax");
    QTest::addColumn<QString>("yTitle");
    QTest::addColumn<int>("yMax");
    QTest::addColumn<QString>("title");

    const QDate day(2026, 3, 6);
    QTest::newRow("one day battery")
        << day << -1 << 25 << "hh" << "Hour" << QDateTime(QDate(2026, 3, 7), QTime(0, 0)) << "Battery Voltage" << 20
        << "Battery Voltage diagram (Energ3) 2026-03-06";
    QTest::newRow("two days output")
        << day.addDays(1) << 0 << 3 << "d/MM" << "Date" << QDateTime(QDate(2026, 3, 8), QTime(0, 0))
        << "Output Voltage" << 10000 << "Output Voltage diagram (Energ3) From 2026-03-06 to 2026-03-08";
    QTest::newRow("a week sector 2")
        << day.addDays(6) << 1 << 8 << "d/MM" << "Date" << QDateTime(QDate(2026, 3, 13), QTime(0, 0))
        << "Output Voltage" << 10000 << "Output Voltage diagram (Energ3) From 2026-03-06 to 2026-03-13";
}

void tst_VChartDlg::axes()
{
    QFETCH(QDate, to);
    QFETCH(int, sector);
    QFETCH(int, ticks);
    QFETCH(QString, format);
    QFETCH(QString, xTitle);
    QFETCH(QDateTime, xMax);
    QFETCH(QString, yTitle);
    QFETCH(int, yMax);
    QFETCH(QString, title);

    const QDateTime read(to, QTime(17, 30)); // a reading of the end date's afternoon: drawn within the plot
    VoltageSite::insert(read.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), 5, sector, 3);
    VChartDlg* dlg = openChart(QDate(2026, 3, 6), to, 3, sector, QStringLiteral("Energ3"));
    QVERIFY(QTest::qWaitForWindowExposed(dlg));
    QCOMPARE(dlg->windowTitle(), title);
    QCOMPARE(dlg->size(), QSize(1200, 600));
    QChart* chart = chartOf(dlg);
    QVERIFY(chart->plotArea().contains(chart->mapToPosition(QPointF(read.toMSecsSinceEpoch(), 5), chart->series().first())));
    QCOMPARE(chart->title(), title);
    QVERIFY(!chart->legend()->isVisible());

    auto* x = qobject_cast<QDateTimeAxis*>(chart->axes(Qt::Horizontal).value(0));
    QVERIFY(x);
    QCOMPARE(x->tickCount(), ticks);
    QCOMPARE(x->format(), format);
    QCOMPARE(x->titleText(), xTitle);
    QCOMPARE(x->min(), QDateTime(QDate(2026, 3, 6), QTime(0, 0)));
    QCOMPARE(x->max(), xMax);

    auto* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
    QVERIFY(y);
    QCOMPARE(y->labelFormat(), QStringLiteral("%i"));
    QCOMPARE(y->min(), 0.0);
    QCOMPARE(y->titleText(), yTitle);
    QCOMPARE(y->max(), double(yMax));
}

void tst_VChartDlg::names_data()
{
    QTest::addColumn<int>("energizerNo");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("number twice") << 3 << "3 Fence 3 North" << "Fence North";
    QTest::newRow("inside a longer number") << 3 << "Gate 13 North" << "Gate 1North";
    QTest::newRow("case and no blank") << 3 << "Fence 3" << "Fence 3";
    QTest::newRow("output row caption") << 12 << "12 West, Sector 1" << "West, Sector 1";
}

void tst_VChartDlg::names()
{
    QFETCH(int, energizerNo);
    QFETCH(QString, name);
    QFETCH(QString, shown);
    VChartDlg* dlg = openChart(QDate(2026, 3, 6), QDate(2026, 3, 6), energizerNo, 0, name);
    QCOMPARE(dlg->windowTitle(), QStringLiteral("Output Voltage diagram (%1) 2026-03-06").arg(shown));
}

void tst_VChartDlg::points()
{
    VoltageSite::insert(QStringLiteral("2026-03-05 23:59:59"), 12, -1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 00:00:00"), 12.5, -1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 08:00:00"), 13, -1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 08:00:00"), 8000, 0, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 08:00:00"), 11, -1, 4);
    VoltageSite::insert(QStringLiteral("2026-03-06 09:30:00"), 0, 0, 0);
    VoltageSite::insert(QStringLiteral("2026-03-06 23:59:59"), 12.625, -1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-07 00:00:00"), 14, -1, 3);

    VChartDlg* dlg = openChart(QDate(2026, 3, 6), QDate(2026, 3, 6), 3, -1, QStringLiteral("Energ3"));
    auto* series = qobject_cast<QLineSeries*>(chartOf(dlg)->series().value(0));
    QVERIFY(series);
    const auto at = [](int hour, int minute, int second) {
        return double(QDateTime(QDate(2026, 3, 6), QTime(hour, minute, second)).toMSecsSinceEpoch());
    };
    const QVector<QPointF> expected{{at(0, 0, 0), 12.5}, {at(8, 0, 0), 13}, {at(9, 30, 0), 0}, {at(23, 59, 59), 12.625}};
    QCOMPARE(series->pointsVector(), expected);

    // The check point drops every chart of its span to 0 V.
    VChartDlg* output = openChart(QDate(2026, 3, 6), QDate(2026, 3, 6), 3, 0, QStringLiteral("Energ3"));
    auto* outputSeries = qobject_cast<QLineSeries*>(chartOf(output)->series().value(0));
    QCOMPARE(outputSeries->pointsVector(), (QVector<QPointF>{{at(8, 0, 0), 8000}, {at(9, 30, 0), 0}}));

    // A start after the end selects nothing.
    VChartDlg* empty = openChart(QDate(2026, 3, 7), QDate(2026, 3, 6), 3, -1, QStringLiteral("Energ3"));
    QCOMPARE(qobject_cast<QLineSeries*>(chartOf(empty)->series().value(0))->count(), 0);
}

void tst_VChartDlg::printedReport()
{
    VChartDlg* dlg = openChart(QDate(2026, 3, 6), QDate(2026, 3, 6), 3, -1, QStringLiteral("Energ3"));

    QPointer<ReportEngine> printed;
    int pages = 0;
    QStringList fields;
    const ScopedHook preview(&ReportEngine::setPreviewHook, [&](ReportEngine& report) {
        printed = &report;
        pages = report.pageList.size();
        const ReportPageObject* page = report.pageList.value(0);
        QVERIFY(page);
        QCOMPARE(page->pageNo, 0);
        QCOMPARE(page->pageWidth, 840);
        QCOMPARE(page->pageHeight, 1188);
        QCOMPARE(page->orientation, 0);
        QCOMPARE(page->bandList.size(), 1);
        const ReportBandObject* band = page->bandList.first();
        QCOMPARE(band->name, QStringLiteral("ReportTitle"));
        QCOMPARE(band->type, ReportTitle);
        QCOMPARE(band->height, 1108);
        QCOMPARE(band->parentPage, page);
        for (const ReportFieldObject* field : band->fieldList) {
            QCOMPARE(field->parentBand, band);
            QCOMPARE(field->borderTop, QColor(Qt::white));
            QCOMPARE(field->borderBottom, QColor(Qt::white));
            QCOMPARE(field->borderLeft, QColor(Qt::white));
            QCOMPARE(field->borderRight, QColor(Qt::white));
            QCOMPARE(field->alignment, 132);
            QVERIFY(!field->autoHeight);
            const QRect& r = field->rect;
            fields << QStringLiteral("%1|%2|%3,%4,%5,%6|%7|%8|%9|%10|%11")
                          .arg(field->name)
                          .arg(field->fieldType)
                          .arg(r.left())
                          .arg(r.top())
                          .arg(r.width())
                          .arg(r.height())
                          .arg(field->font.weight())
                          .arg(field->font.pointSize())
                          .arg(field->rotate)
                          .arg(field->value)
                          .arg(field->textWrap);
        }
        QCOMPARE(band->fieldList.last()->ignoreAspectRatio, 0);
    });
    QVERIFY(operatorClick(dlg->findChild<QPushButton*>())); // "Print" comes first

    QCOMPARE(pages, 1);
    const QFont defaultFont = ReportFieldObject().font;
    QCOMPARE(fields, (QStringList{
                         QStringLiteral("field1|0|0,0,760,100|75|22|0|Voltage Diagram|1"),
                         QStringLiteral("field2|0|0,100,760,40|75|14|0|From 2026-03-06 to 2026-03-07|1"),
                         QStringLiteral("image|14|0,140,610,968|%1|%2|3||1")
                             .arg(defaultFont.weight())
                             .arg(defaultFont.pointSize()),
                     }));
    // The report goes once its preview has closed.
    QVERIFY(printed.isNull());
}

void tst_VChartDlg::printedChart()
{
    VoltageSite::insert(QStringLiteral("2026-03-06 08:00:00"), 13, -1, 3);
    VChartDlg* dlg = openChart(QDate(2026, 3, 6), QDate(2026, 3, 6), 3, -1, QStringLiteral("3 Fence 3 North"));
    // A row logged after the window opened shows in the printout.
    VoltageSite::insert(QStringLiteral("2026-03-06 09:00:00"), 12, -1, 3);

    QString chartName;
    QSizeF chartSize;
    int pointCount = -1;
    QString chartTitle;
    QImage image;
    QImage otherImage;
    const ScopedHook preview(&ReportEngine::setPreviewHook, [&](ReportEngine& report) {
        ReportFieldObject* field = report.pageList.value(0)->bandList.value(0)->fieldList.value(2);
        QChart chart;
        chart.setObjectName(QStringLiteral("nullptr"));
        emit report.setChart(*field, chart);
        chartName = chart.objectName();
        chartSize = chart.size();
        chartTitle = chart.title();
        if (auto* series = qobject_cast<QLineSeries*>(chart.series().value(0)))
            pointCount = series->count();
        emit report.setValueImage(0, QStringLiteral("image"), image, 0);
        emit report.setValueImage(0, QStringLiteral("Image"), otherImage, 0);
    });
    dlg->print();

    QCOMPARE(chartName, QStringLiteral("ffff"));
    QCOMPARE(chartSize, QSizeF(610, 968));
    QCOMPARE(pointCount, 2);
    QCOMPARE(chartTitle, QStringLiteral("Battery Voltage diagram (Fence North) 2026-03-06"));
    QCOMPARE(dlg->windowTitle(), chartTitle);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), dlg->findChild<QChartView*>()->size() * dlg->devicePixelRatioF());
    QVERIFY(otherImage.isNull());
}

void tst_VChartDlg::printedPage()
{
    for (int hour = 0; hour < 24; ++hour)
        VoltageSite::insert(QStringLiteral("2026-03-06 %1:00:00").arg(hour, 2, 10, QLatin1Char('0')), 8000 + hour * 50, 0, 3);
    VChartDlg* dlg = openChart(QDate(2026, 3, 6), QDate(2026, 3, 6), 3, 0, QStringLiteral("Energ3"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
    bool written = false;
    const ScopedHook preview(&ReportEngine::setPreviewHook, [&](ReportEngine& report) { written = report.printPDF(pdf, false); });
    dlg->print();
    QVERIFY(written);
    const QImage page = PdfProbe::pageImage(pdf, 1, 102);
    QVERIFY(!page.isNull());
    if (!qEnvironmentVariableIsEmpty("VCHART_PAGE"))
        page.save(qEnvironmentVariable("VCHART_PAGE"));

    // The line (the series' own blue) lies in the chart field, left of the
    // strip the field leaves free, below the two headings.
    QRect line;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.blue() > 150 && c.red() < 120 && c.blue() - c.green() > 40)
                line |= QRect(x, y, 1, 1);
        }
    }
    QVERIFY(!line.isNull());
    QVERIFY2(QRect(40, 30, 615, 1125).contains(line), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(line.x()).arg(line.y()).arg(line.width()).arg(line.height())));
    // Turned a quarter left, time runs up the page.
    QVERIFY(line.height() > 2 * line.width());

    // The headings stand clear above the chart and its axis labels (the
    // chart's turned title aside).
    const QStringList headings{"Voltage", "Diagram", "From", "2026-03-06", "to", "2026-03-07"};
    qreal headingsBottom = 0, chartTop = 1e9;
    for (const PdfProbe::Word& word : PdfProbe::words(pdf, 1)) {
        if (word.box.top() < 200 && word.box.height() < 30 && headings.contains(word.text))
            headingsBottom = qMax(headingsBottom, word.box.bottom());
        else
            chartTop = qMin(chartTop, word.box.top());
    }
    QVERIFY2(headingsBottom > 0 && chartTop > headingsBottom, qPrintable(QStringLiteral("%1 %2").arg(headingsBottom).arg(chartTop)));
}

void tst_VChartDlg::closeDeletes()
{
    QPointer<VChartDlg> dlg = openChart(QDate(2026, 3, 6), QDate(2026, 3, 6), 3, -1, QStringLiteral("Energ3"));
    QVERIFY(dlg->isVisible());
    QVERIFY(dlg->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(operatorClick(dlg->findChildren<QPushButton*>().value(1))); // "Close"
    QTRY_VERIFY_WITH_TIMEOUT(dlg.isNull(), 5000);

    // Escape closes and frees it too.
    QPointer<VChartDlg> other = openChart(QDate(2026, 3, 6), QDate(2026, 3, 6), 3, -1, QStringLiteral("Energ3"));
    QVERIFY(operatorKey(other.data(), Qt::Key_Escape));
    QTRY_VERIFY_WITH_TIMEOUT(other.isNull(), 5000);
}

QTEST_MAIN(tst_VChartDlg)
#include "tst_vchartdlg.moc"
