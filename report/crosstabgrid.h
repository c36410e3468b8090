#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>


// One generated cell of a cross table: a centred label named "f<column><row>".
struct CrossTabCell
{
    QString name;
    int column = -1;
    int row = -1; // raw row, headers and totals counted
    QRect rect;   // band coordinates, template units; the top follows the printed line
    QString value;
    QColor backgroundColor; // invalid: none
};

// The grid of a cross-table field: which cells are headers, subtotals and
// totals, their sums, and painting one block of rows (as many as fit in the
// field) at a time, continuing where the last block stopped. Plain values;
// the field that owns it feeds in its rectangle and attributes.
//
// A grid without a sane layout (rows lower than one unit, a field lower than
// one row, no columns or rows) has no cells and paints nothing, so the page
// breaks that follow a block can never run away.
class CrossTabGrid
{
public:
    static constexpr int CellAlignment = Qt::AlignHCenter | Qt::AlignVCenter;
    // The most columns a template may ask for, each a cell on every row.
    static constexpr int MaxColumns = 1000;

    QString name;
    QRect rect = QRect(0, 0, 500, 500); // the owning field's rectangle
    QStringList colHeaders;
    QColor totalBackgroundColor = Qt::white;
    QColor headerBackgroundColor = Qt::white;
    int colCount = 3; // a total column included
    int rowCount = 3; // header, subtotal and total rows included
    int rowHeight = 20;
    int paintedCells = 0;
    bool totalByRowVisible = false;
    bool totalByColVisible = false;
    bool subtotalIsVisible = false;
    bool headerIsVisible = false;
    QVector<CrossTabCell> cells; // row by row, left to right

    bool hasLayout() const;
    int rowsPerPage() const;
    int columnWidth() const;
    void buildMatrix();

    int cellRow(int index, bool raw) const;
    int cellColumn(int index) const;
    bool isHeaderCell(int index) const;
    bool isTotalCell(int index) const;
    void calculateTotal(int index);
    void setHeaderText(int index);

    // A number of data columns or rows, made into the grid's counts.
    void setColCount(int dataColumns);
    void setRowCount(int dataRows);

    bool finished() const { return paintedCells >= cells.size(); }

    // Lays out the next block with its first line at `fieldTop`: totals are
    // summed, `fillDataCell` gives each data cell its value (the program's
    // answer) and `handleCell` receives every cell in painting order.
    // Returns the number of lines laid out; 0 when nothing was left.
    int layoutNextBlock(int fieldTop, const std::function<void(CrossTabCell&)>& fillDataCell,
                        const std::function<void(const CrossTabCell&)>& handleCell);

    // A block from a page header or footer leaves the rest for the next
    // page; only a block that printed something may ask for that page.
    bool wantsPageBreak(int linesLaidOut) const { return linesLaidOut > 0 && !finished(); }

private:
    // The index of the cell at (column, raw row); -1 when there is none.
    int indexAt(int column, int row) const;
    bool isTotalAt(int column, int row) const;
    bool isHeaderAt(int row) const;
};
