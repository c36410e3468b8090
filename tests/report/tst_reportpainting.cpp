#include "chart.h"
#include "crosstabgrid.h"
#include "fieldgraphics.h"
#include "picturecache.h"

#include <QBuffer>
#include <QDataStream>
#include <QDomDocument>
#include <QPainter>
#include <QTextDocument>
#include <QTransform>
#include <QtTest>

#include <cmath>

// Painting of the graphic report fields on image painters at scale 1.0:
// bar charts, cross-table grids, shapes, pictures and rich text.
class tst_ReportPainting : public QObject
{
    Q_OBJECT

private slots:
    void chartShares();
    void chartDefaultsAndData();
    void chartBarGeometry();
    void degenerateChartsPaintNoBars_data();
    void degenerateChartsPaintNoBars();
    void chartStream();
    void crossTabTotals();
    void crossTabHeadersAndSubtotals();
    void crossTabPaging();
    void degenerateCrossTabs_data();
    void degenerateCrossTabs();
    void shapesAndPictures();
    void richTextValues_data();
    void richTextValues();
};

namespace {

GraphParam graph(float value, QColor color = Qt::red)
{
    GraphParam g;
    g.value = value;
    g.color = color;
    return g;
}

QImage whiteImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage paint(Chart& chart, QSize size)
{
    chart.resize(size);
    QImage image = whiteImage(qMax(size.width(), 10), qMax(size.height(), 10));
    QPainter painter(&image);
    chart.paintChart(&painter);
    return image;
}

QRect pixelsOf(const QImage& image, QColor color = Qt::red)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == color.rgb())
                found |= QRect(x, y, 1, 1);
    return found;
}

QString valueOf(const CrossTabGrid& g, const QString& name)
{
    for (const CrossTabCell& cell : g.cells)
        if (cell.name == name)
            return cell.value;
    return QStringLiteral("missing");
}

CrossTabGrid grid(int width, int height, int colCount)
{
    CrossTabGrid g;
    g.rect = QRect(10, 0, width, height);
    g.colCount = colCount;
    g.totalByColVisible = g.totalByRowVisible = true;
    return g;
}

} // namespace

void tst_ReportPainting::chartShares()
{
    for (float reference : {0.f, 440.f}) {
        Chart chart;
        chart.clearData();
        for (float v : {150.f, 70.f, 220.f})
            chart.addGraph(graph(v), reference);
        const float divisor = reference == 0 ? 220 : reference;
        const GraphParamList graphs = chart.getGraphParamList();
        QCOMPARE(graphs.at(0).share, 150.f / divisor);
        QCOMPARE(graphs.at(2).share, 220.f / divisor);
        QCOMPARE(chart.correctValue(), reference == 0 ? 1.f : 2.f);
    }
}

void tst_ReportPainting::chartDefaultsAndData()
{
    Chart chart;
    const GraphParamList demo = chart.getGraphParamList();
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

    QDomDocument doc;
    doc.setContent(QStringLiteral("<f><g color='rgba(1,2,3,255)' value='7' caption='a'/><!-- c --><g value='x'/></f>"));
    chart.setData(doc.documentElement());
    const GraphParamList read = chart.getGraphParamList();
    QCOMPARE(read.size(), 2);
    QCOMPARE(read.at(0).color, QColor(1, 2, 3));
    QCOMPARE(read.at(1).valueText, QStringLiteral("x"));
    QCOMPARE(read.at(1).value, 0.f);
}

void tst_ReportPainting::chartBarGeometry()
{
    // 300 x 200 without legend: right space 30, left 20, top 50, bottom 10;
    // one bar 250 wide from x 21 rises P = 140 rows above row 189.
    Chart chart;
    chart.setParams(false, false, false, false, false, QString(), false);
    chart.clearData();
    chart.addGraph(graph(10), 0);
    QCOMPARE(pixelsOf(paint(chart, QSize(300, 200))), QRect(21, 49, 250, 140));
    // A reference of twice the largest value changes no bar.
    chart.clearData();
    chart.addGraph(graph(10), 20);
    chart.addGraph(graph(5, Qt::blue), 20);
    const QImage image = paint(chart, QSize(300, 200));
    QCOMPARE(pixelsOf(image), QRect(21, 49, 125, 140));
    QCOMPARE(pixelsOf(image, Qt::blue), QRect(146, 119, 125, 70));

    // A field painting: its own graphs, or the program's when it fills none.
    DiagramOptions options;
    options.showLegend = options.showGrid = options.showCaption = options.showGraphCaption = false;
    options.autoFillData = true;
    QImage field = whiteImage(400, 300);
    QPainter painter(&field);
    const auto program = [](Chart& c) { c.addGraph(graph(3, Qt::blue), 0); };
    paintDiagramField(&painter, "d", options, QFont(), 1.f, 1.f, QRect(50, 20, 300, 200), {graph(10)}, program);
    options.autoFillData = false;
    paintDiagramField(&painter, "d", options, QFont(), 1.f, 1.f, QRect(0, 0, 100, 200), {graph(10)}, program);
    painter.end();
    QCOMPARE(pixelsOf(field), QRect(71, 69, 250, 140));
    QCOMPARE(pixelsOf(field, Qt::blue), QRect(21, 49, 50, 140));
}

void tst_ReportPainting::degenerateChartsPaintNoBars_data()
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

void tst_ReportPainting::degenerateChartsPaintNoBars()
{
    QFETCH(QList<float>, values);
    QFETCH(float, reference);
    QFETCH(QSize, size);
    Chart chart;
    chart.setParams(true, false, true, true, true, QStringLiteral("T"), false);
    chart.clearData();
    for (float v : values)
        chart.addGraph(graph(v, Qt::green), reference);
    for (const GraphParam& g : chart.getGraphParamList())
        QVERIFY(std::isfinite(g.share));
    QVERIFY(std::isfinite(chart.correctValue()));
    QCOMPARE(pixelsOf(paint(chart, size), Qt::green), QRect());
}

void tst_ReportPainting::chartStream()
{
    Chart chart;
    chart.setParams(true, false, true, true, false, QStringLiteral("Volts"), true);
    chart.clearData();
    GraphParam g = graph(42, Qt::blue);
    g.formula = g.valueText = QStringLiteral("42");
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
    QCOMPARE(copy.getParam(AutoFillData).toBool(), true);
    QCOMPARE(copy.correctValue(), 2.f);
    const GraphParamList graphs = copy.getGraphParamList();
    QCOMPARE(graphs.size(), 1);
    QCOMPARE(graphs.at(0).share, 0.5f);
    QCOMPARE(graphs.at(0).valueText, QStringLiteral("42"));
    QCOMPARE(graphs.at(0).formula, QString()); // not part of the stream
}

void tst_ReportPainting::crossTabTotals()
{
    CrossTabGrid g = grid(200, 60, 4);
    g.totalBackgroundColor = Qt::yellow;
    g.buildMatrix();
    QCOMPARE(g.rowsPerPage(), 3);
    QCOMPARE(g.cells.size(), 12);
    QCOMPARE(g.cells.at(7).name, QStringLiteral("f31"));
    QCOMPARE(g.cells.at(5).rect, QRect(60, 20, 50, 20));
    QCOMPARE(g.cells.at(9).backgroundColor, QColor(Qt::yellow));
    QVERIFY(!g.cells.at(5).backgroundColor.isValid());
    QStringList asked;
    QCOMPARE(g.layoutNextBlock(100, [&](CrossTabCell& cell) {
        asked << cell.name;
        cell.value = QString::number(cell.column + 10 * cell.row + 1); // f00 1, f10 2, f01 11 ...
    }, nullptr), 3);
    QCOMPARE(asked, QStringList({"f00", "f10", "f20", "f01", "f11", "f21"}));
    QCOMPARE(valueOf(g, "f30"), QStringLiteral("6"));
    QCOMPARE(valueOf(g, "f02"), QStringLiteral("12"));
    QCOMPARE(valueOf(g, "f32"), QStringLiteral("42")); // 12 + 14 + 16, not itself
    QCOMPARE(g.cells.at(11).rect.top(), 140);

    // Without a total column the last column totals its column too.
    CrossTabGrid single = grid(50, 80, 1);
    single.totalByRowVisible = false;
    single.rowCount = 4;
    single.buildMatrix();
    const QStringList values{"1.5", "2", "abc"};
    single.layoutNextBlock(0, [&](CrossTabCell& cell) { cell.value = values.at(cell.row); }, nullptr);
    QCOMPARE(valueOf(single, "f03"), QStringLiteral("3.5"));
}

void tst_ReportPainting::crossTabHeadersAndSubtotals()
{
    CrossTabGrid g = grid(90, 60, 3);
    g.headerIsVisible = g.subtotalIsVisible = true;
    g.headerBackgroundColor = Qt::cyan;
    g.colHeaders = QStringList{"A", "B"};
    g.buildMatrix();
    QCOMPARE(g.cells.at(1).value, QStringLiteral("B"));
    QVERIFY(g.isHeaderCell(2) && g.isTotalCell(2));
    QCOMPARE(g.cells.at(2).backgroundColor, QColor(Qt::cyan));
    QVERIFY(g.isTotalCell(3) && !g.isHeaderCell(3) && g.isTotalCell(6));
    g.layoutNextBlock(0, [](CrossTabCell& cell) { cell.value = QStringLiteral("1"); }, nullptr);
    QCOMPARE(g.cells.at(2).value, QString());
    QCOMPARE(g.cellColumn(99), -1);
}

void tst_ReportPainting::crossTabPaging()
{
    CrossTabGrid g = grid(100, 40, 2);
    g.buildMatrix();
    int lines = g.layoutNextBlock(30, nullptr, nullptr);
    QCOMPARE(lines, 2);
    QCOMPARE(g.paintedCells, 4);
    QVERIFY(g.wantsPageBreak(lines));
    lines = g.layoutNextBlock(5, nullptr, nullptr);
    QCOMPARE(lines, 1);
    QCOMPARE(g.cells.at(4).rect.top(), 5);
    QVERIFY(g.finished() && !g.wantsPageBreak(lines));
    QCOMPARE(g.layoutNextBlock(5, nullptr, nullptr), 0);
}

void tst_ReportPainting::degenerateCrossTabs_data()
{
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("fieldHeight");
    QTest::addColumn<int>("colCount");
    QTest::newRow("row height 0") << 0 << 60 << 3;
    QTest::newRow("field lower than a row") << 20 << 10 << 3;
    QTest::newRow("no columns") << 20 << 60 << 0;
    QTest::newRow("negative row height") << -20 << 60 << 3;
}

void tst_ReportPainting::degenerateCrossTabs()
{
    QFETCH(int, fieldHeight);
    QFETCH(int, colCount);
    CrossTabGrid g = grid(100, fieldHeight, colCount);
    QFETCH(int, rowHeight);
    g.rowHeight = rowHeight;
    g.setRowCount(5);
    g.buildMatrix();
    QVERIFY(g.cells.isEmpty());
    const int lines = g.layoutNextBlock(0, nullptr, nullptr);
    QCOMPARE(lines, 0);
    QVERIFY(!g.wantsPageBreak(lines));
}

void tst_ReportPainting::shapesAndPictures()
{
    using namespace FieldGraphics;
    QImage image = whiteImage(150, 150);
    QPainter painter(&image);
    // No outline colour in the template: fill only, inside the corners
    // (50, 49), (100, 25), (50, 1) and (1, 25).
    paintShape(&painter, Rhombus, QRect(0, 0, 100, 50), Qt::red, QPen(QColor()));
    paintShape(&painter, Circle, QRect(0, 0, 0, 50), Qt::blue, QPen(Qt::blue)); // no width: nothing
    painter.end();
    QCOMPARE(pixelsOf(image), QRect(2, 1, 97, 48));
    QCOMPARE(pixelsOf(image, Qt::blue), QRect());

    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::red);
    image.fill(Qt::white);
    painter.begin(&image);
    QCOMPARE(paintFittedImage(&painter, picture, QRect(10, 0, 100, 100), Qt::AlignCenter).size(), QSize(100, 50));
    QVERIFY(paintFittedImage(&painter, QImage(), QRect(10, 0, 100, 100), Qt::AlignCenter).isNull());
    QVERIFY(paintFittedImage(&painter, picture, QRect(10, 0, 0, 100), Qt::AlignCenter).isNull());
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    PictureCache pictures;
    QString error;
    paintStoredImage(&painter, pictures.picture(png, "PNG", QSize(40, 40), false, &error), QRect(0, 110, 40, 40), true);
    paintStoredImage(&painter, pictures.picture(png, "PNG", QSize(40, 40), true, &error), QRect(50, 110, 40, 40), false); // 40 x 20
    paintStoredImage(&painter, pictures.picture("text", "PNG", QSize(40, 40), false, &error), QRect(100, 110, 40, 40), true);
    painter.end();
    QCOMPARE(pixelsOf(image.copy(0, 0, 150, 100)), QRect(10, 25, 100, 50));
    QCOMPARE(pixelsOf(image.copy(0, 110, 150, 40)), QRect(0, 0, 90, 40));
    QCOMPARE(image.pixelColor(60, 140), QColor(Qt::white));
}

void tst_ReportPainting::richTextValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("plain");
    QTest::newRow("value") << "42" << "Sum 42 end";
    QTest::newRow("empty") << "" << "Sum   end";
    QTest::newRow("html body") << "<html><body><b>bold</b></body></html>" << "Sum bold end";
}

void tst_ReportPainting::richTextValues()
{
    QFETCH(QString, value);
    QTextDocument document;
    document.setHtml(QStringLiteral("<p>Sum <i>[a]</i> end [b</p>"));
    QStringList asked;
    FieldGraphics::substituteFields(document, [&](const QString& text) { asked << text; return value; });
    QCOMPARE(asked, QStringList{"[a]"});
    QFETCH(QString, plain);
    QCOMPARE(document.toPlainText(), plain + QStringLiteral(" [b"));
}

QTEST_MAIN(tst_ReportPainting)
#include "tst_reportpainting.moc"
