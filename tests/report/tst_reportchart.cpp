#include "chart.h"

#include <QDataStream>
#include <QDomDocument>
#include <QPainter>
#include <QtTest>

#include <cmath>

// The bar chart of report diagram fields: shares, the plot geometry on an
// image painter at scale 1.0, degenerate charts and the stream form.
class tst_ReportChart : public QObject
{
    Q_OBJECT

private slots:
    void shares_data();
    void shares();
    void demonstrationAndParams();
    void barGeometry();
    void degenerateChartsPaintNoBars_data();
    void degenerateChartsPaintNoBars();
    void streamRoundTrip();

private:
    static ChartGraph graph(float value, QColor color = Qt::red);
    static QImage paint(Chart& chart, QSize size);
    static QRect pixelsOf(const QImage& image, QColor color);
};

ChartGraph tst_ReportChart::graph(float value, QColor color)
{
    ChartGraph g;
    g.value = value;
    g.color = color;
    g.caption = QString::number(value);
    return g;
}

QImage tst_ReportChart::paint(Chart& chart, QSize size)
{
    chart.resize(size);
    QImage image(qMax(size.width(), 10), qMax(size.height(), 10), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    chart.paintChart(&painter);
    return image;
}

QRect tst_ReportChart::pixelsOf(const QImage& image, QColor color)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == color.rgb())
                found |= QRect(x, y, 1, 1);
    return found;
}

void tst_ReportChart::shares_data()
{
    QTest::addColumn<float>("reference");
    QTest::addColumn<QList<float>>("shares");
    QTest::addColumn<float>("correct");
    QTest::newRow("largest") << 0.f << QList<float>{150.f / 220, 70.f / 220, 1.f} << 1.f;
    QTest::newRow("440") << 440.f << QList<float>{150.f / 440, 70.f / 440, 0.5f} << 2.f;
}

void tst_ReportChart::shares()
{
    QFETCH(float, reference);
    Chart chart;
    chart.clearData();
    for (float v : {150.f, 70.f, 220.f})
        chart.addGraph(graph(v), reference);
    const ChartGraphList graphs = chart.getGraphParamList();
    QFETCH(QList<float>, shares);
    for (int i = 0; i < shares.size(); ++i)
        QCOMPARE(graphs.at(i).share, shares.at(i));
    QTEST(chart.correctValue(), "correct");
}

void tst_ReportChart::demonstrationAndParams()
{
    Chart chart;
    const ChartGraphList demo = chart.getGraphParamList();
    QCOMPARE(demo.size(), 4);
    QCOMPARE(demo.at(3).caption, QStringLiteral("Graph 4"));
    QCOMPARE(demo.at(3).color, QColor(0, 128, 128));
    QCOMPARE(chart.getParam(Caption).toString(), QStringLiteral("Example 1"));
    chart.clearData();
    QCOMPARE(chart.correctValue(), 150.f / 220);

    chart.setParams(true, false, true, false, true, QStringLiteral("T"), false);
    QCOMPARE(chart.rightSpaceWidth(), 30);
    QCOMPARE(chart.getParam(DrawHistory).toBool(), false);
    QCOMPARE(chart.getParam(DrawCaption).toBool(), true);
    QVERIFY(!chart.getParam(ChartParam(7)).isValid());

    QDomDocument doc;
    doc.setContent(QStringLiteral("<f><g color='rgba(1,2,3,255)' value='7' caption='a'/><!-- c --><g value='x'/></f>"));
    chart.setData(doc.documentElement());
    const ChartGraphList read = chart.getGraphParamList();
    QCOMPARE(read.size(), 2);
    QCOMPARE(read.at(0).color, QColor(1, 2, 3));
    QCOMPARE(read.at(1).valueText, QStringLiteral("x"));
    QCOMPARE(read.at(1).value, 0.f);
}

void tst_ReportChart::barGeometry()
{
    // 300 x 200 without legend: right space 30, left 20, top 50, bottom 10;
    // the one bar is 250 wide from x 21 and rises P = 140 rows above row 189.
    Chart chart;
    chart.setParams(false, false, false, false, false, QString(), false);
    chart.clearData();
    chart.addGraph(graph(10), 0);
    QCOMPARE(pixelsOf(paint(chart, QSize(300, 200)), Qt::red), QRect(21, 49, 250, 140));

    // A reference of twice the value halves nothing in the bars.
    chart.clearData();
    chart.addGraph(graph(10), 20);
    chart.addGraph(graph(5, Qt::blue), 20);
    const QImage image = paint(chart, QSize(300, 200));
    QCOMPARE(pixelsOf(image, Qt::red), QRect(21, 49, 125, 140));
    QCOMPARE(pixelsOf(image, Qt::blue), QRect(146, 119, 125, 70));

    // A field painting: its own graphs, or the program's when it fills none.
    DiagramOptions options;
    options.showLegend = options.showGrid = options.showCaption = options.showGraphCaption = false;
    options.autoFillData = true;
    QImage field(400, 300, QImage::Format_RGB32);
    field.fill(Qt::white);
    QPainter painter(&field);
    const auto program = [](Chart& c) { c.addGraph(graph(3, Qt::blue), 0); };
    paintDiagramField(&painter, "d", options, QFont(), 1.f, 1.f, QRect(50, 20, 300, 200), {graph(10)}, program);
    options.autoFillData = false;
    paintDiagramField(&painter, "d", options, QFont(), 1.f, 1.f, QRect(0, 0, 100, 200), {graph(10)}, program);
    painter.end();
    QCOMPARE(pixelsOf(field, Qt::red), QRect(71, 69, 250, 140));
    QCOMPARE(pixelsOf(field, Qt::blue), QRect(21, 49, 50, 140));
}

void tst_ReportChart::degenerateChartsPaintNoBars_data()
{
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<float>("reference");
    QTest::addColumn<QSize>("size");
    QTest::newRow("all zero") << QList<float>{0, 0} << 0.f << QSize(300, 200);
    QTest::newRow("all negative, reference") << QList<float>{-3, -1} << 5.f << QSize(300, 200);
    QTest::newRow("no room for columns") << QList<float>{1, 2, 3} << 0.f << QSize(52, 200);
    QTest::newRow("zero size") << QList<float>{1, 2} << 0.f << QSize(0, 0);
    QTest::newRow("lower than its margins") << QList<float>{1, 2} << 0.f << QSize(300, 20);
}

void tst_ReportChart::degenerateChartsPaintNoBars()
{
    QFETCH(QList<float>, values);
    QFETCH(float, reference);
    Chart chart;
    chart.setParams(true, false, true, true, true, QStringLiteral("T"), false);
    chart.clearData();
    for (float v : values)
        chart.addGraph(graph(v, Qt::green), reference);
    for (const ChartGraph& g : chart.getGraphParamList())
        QVERIFY(std::isfinite(g.share));
    QVERIFY(std::isfinite(chart.correctValue()));
    QFETCH(QSize, size);
    const QImage image = paint(chart, size);
    QCOMPARE(pixelsOf(image, Qt::green), QRect());
}

void tst_ReportChart::streamRoundTrip()
{
    Chart chart;
    chart.setParams(true, false, true, true, false, QStringLiteral("Volts"), true);
    chart.setKoef(2.f, 3.f, 10.f, 20.f);
    chart.clearData();
    ChartGraph g = graph(42, Qt::blue);
    g.formula = QStringLiteral("[v]");
    g.valueText = QStringLiteral("42");
    chart.addGraph(g, 84);
    chart.storeProperties();
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << chart;
    }

    Chart copy;
    QDataStream in(bytes);
    in >> copy;
    QCOMPARE(in.status(), QDataStream::Ok);
    QCOMPARE(copy.getParam(Caption).toString(), QStringLiteral("Volts"));
    QCOMPARE(copy.getParam(DrawHistory).toBool(), false);
    QCOMPARE(copy.getParam(AutoFillData).toBool(), true);
    QCOMPARE(copy.correctValue(), 2.f);
    const ChartGraphList graphs = copy.getGraphParamList();
    QCOMPARE(graphs.size(), 1);
    QCOMPARE(graphs.at(0).share, 0.5f);
    QCOMPARE(graphs.at(0).valueText, QStringLiteral("42"));
    QCOMPARE(graphs.at(0).color, QColor(Qt::blue));
    QCOMPARE(graphs.at(0).formula, QString()); // not part of the stream
}

QTEST_MAIN(tst_ReportChart)
#include "tst_reportchart.moc"
