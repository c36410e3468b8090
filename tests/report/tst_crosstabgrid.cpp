#include "crosstabgrid.h"

#include <QPainter>
#include <QTransform>
#include <QtTest>

// Cross-table grids: cell kinds, totals and block paging, with the data
// cells answered the way the program answers them.
class tst_CrossTabGrid : public QObject
{
    Q_OBJECT

private slots:
    void totals();
    void headersAndSubtotals();
    void columnTotalSkipsText();
    void paging();
    void degenerateGridsPaintNothing_data();
    void degenerateGridsPaintNothing();

private:
    static CrossTabGrid grid(int width, int height, int colCount);
    static QString valueOf(const CrossTabGrid& g, const QString& name);
};

CrossTabGrid tst_CrossTabGrid::grid(int width, int height, int colCount)
{
    CrossTabGrid g;
    g.rect = QRect(10, 0, width, height);
    g.colCount = colCount;
    g.totalByColVisible = g.totalByRowVisible = true;
    return g;
}

QString tst_CrossTabGrid::valueOf(const CrossTabGrid& g, const QString& name)
{
    for (const CrossTabCell& cell : g.cells)
        if (cell.name == name)
            return cell.value;
    return QStringLiteral("missing");
}

void tst_CrossTabGrid::totals()
{
    CrossTabGrid g = grid(200, 60, 4);
    g.totalBackgroundColor = Qt::yellow;
    g.buildMatrix();
    QCOMPARE(g.rowsPerPage(), 3);
    QCOMPARE(g.cells.size(), 12);
    QCOMPARE(g.cells.at(7).name, QStringLiteral("f31"));
    QCOMPARE(g.cells.at(5).rect, QRect(60, 20, 50, 20));
    QCOMPARE(g.cells.at(3).backgroundColor, QColor(Qt::yellow));
    QCOMPARE(g.cells.at(9).backgroundColor, QColor(Qt::yellow));
    QVERIFY(!g.cells.at(5).backgroundColor.isValid());

    QStringList asked;
    const int lines = g.layoutNextBlock(100, [&](CrossTabCell& cell) {
        asked << cell.name;
        cell.value = QString::number(cell.column + 10 * cell.row + 1); // f00 1, f10 2, f01 11 ...
    }, nullptr);
    QCOMPARE(lines, 3);
    QCOMPARE(asked, QStringList({"f00", "f10", "f20", "f01", "f11", "f21"}));
    QCOMPARE(valueOf(g, "f30"), QStringLiteral("6"));
    QCOMPARE(valueOf(g, "f02"), QStringLiteral("12"));
    QCOMPARE(valueOf(g, "f32"), QStringLiteral("42")); // 12 + 14 + 16, not itself
    QCOMPARE(g.cells.at(11).rect.top(), 140);
}

void tst_CrossTabGrid::headersAndSubtotals()
{
    CrossTabGrid g = grid(90, 60, 3);
    g.headerIsVisible = g.subtotalIsVisible = true;
    g.headerBackgroundColor = Qt::cyan;
    g.colHeaders = QStringList{"A", "B"};
    g.buildMatrix();
    QCOMPARE(g.cells.at(1).value, QStringLiteral("B"));
    QVERIFY(g.isHeaderCell(2) && g.isTotalCell(2));
    QCOMPARE(g.cells.at(2).backgroundColor, QColor(Qt::cyan));
    QVERIFY(g.isTotalCell(3) && !g.isHeaderCell(3)); // the row above the last
    QVERIFY(g.isTotalCell(6));
    g.layoutNextBlock(0, [](CrossTabCell& cell) { cell.value = QStringLiteral("1"); }, nullptr);
    QCOMPARE(g.cells.at(2).value, QString());
    QCOMPARE(g.cellRow(-1, true), -1);
    QCOMPARE(g.cellColumn(99), -1);
}

void tst_CrossTabGrid::columnTotalSkipsText()
{
    CrossTabGrid g = grid(50, 80, 1);
    g.totalByRowVisible = false;
    g.rowCount = 4;
    g.buildMatrix();
    const QStringList values{"1.5", "2", "abc"};
    g.layoutNextBlock(0, [&](CrossTabCell& cell) { cell.value = values.at(cell.row); }, nullptr);
    QCOMPARE(valueOf(g, "f03"), QStringLiteral("3.5"));
}

void tst_CrossTabGrid::paging()
{
    CrossTabGrid g = grid(100, 40, 2);
    g.buildMatrix();
    QCOMPARE(g.rowsPerPage(), 2);
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QTransform identity;
    int lines = g.paintNextBlock(&painter, identity, 30, nullptr);
    QCOMPARE(lines, 2);
    QCOMPARE(g.paintedCells, 4);
    QVERIFY(g.wantsPageBreak(lines));
    lines = g.paintNextBlock(&painter, identity, 5, nullptr);
    QCOMPARE(lines, 1);
    QCOMPARE(g.cells.at(4).rect.top(), 5);
    QVERIFY(g.finished() && !g.wantsPageBreak(lines));
    QCOMPARE(g.paintNextBlock(&painter, identity, 5, nullptr), 0);
    painter.end();
    QCOMPARE(image.pixelColor(10, 30), QColor(Qt::black)); // cell outline
}

void tst_CrossTabGrid::degenerateGridsPaintNothing_data()
{
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("fieldHeight");
    QTest::addColumn<int>("colCount");
    QTest::newRow("row height 0") << 0 << 60 << 3;
    QTest::newRow("field lower than a row") << 20 << 10 << 3;
    QTest::newRow("no columns") << 20 << 60 << 0;
    QTest::newRow("negative row height") << -20 << 60 << 3;
}

void tst_CrossTabGrid::degenerateGridsPaintNothing()
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

QTEST_MAIN(tst_CrossTabGrid)
#include "tst_crosstabgrid.moc"
