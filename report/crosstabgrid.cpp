#include "crosstabgrid.h"

#include <cmath>

bool CrossTabGrid::hasLayout() const
{
    return colCount > 0 && rowCount > 0 && rowHeight > 0 && rowsPerPage() > 0;
}

int CrossTabGrid::rowsPerPage() const
{
    return rowHeight > 0 ? rect.height() / rowHeight : 0;
}

int CrossTabGrid::columnWidth() const
{
    return colCount > 0 ? rect.width() / colCount : 0;
}

void CrossTabGrid::buildMatrix()
{
    cells.clear();
    paintedCells = 0;
    if (!hasLayout())
        return;
    const int width = columnWidth();
    cells.reserve(rowCount * colCount);
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; c < colCount; ++c) {
            CrossTabCell cell;
            cell.name = QStringLiteral("f%1%2").arg(c).arg(r);
            cell.column = c;
            cell.row = r;
            cell.rect = QRect(rect.left() + c * width, rect.top() + r * rowHeight, width, rowHeight);
            if (isTotalAt(c, r))
                cell.backgroundColor = totalBackgroundColor;
            cells.append(cell);
            if (isHeaderAt(r)) {
                // A cell that is both keeps the header's look.
                cells.last().backgroundColor = headerBackgroundColor;
                setHeaderText(cells.size() - 1);
            }
        }
    }
}

int CrossTabGrid::cellRow(int index, bool raw) const
{
    if (index < 0 || index >= cells.size())
        return -1;
    const int r = cells.at(index).row;
    if (raw)
        return r;
    const int b = rowsPerPage();
    if (b < 1)
        return r;
    return r - r / b - (headerIsVisible ? r / b + 1 : 0);
}

// Cells stand row by row, left to right, as buildMatrix lays them out.
int CrossTabGrid::indexAt(int column, int row) const
{
    const int index = row * colCount + column;
    return index < cells.size() && cells.at(index).row == row && cells.at(index).column == column ? index : -1;
}

int CrossTabGrid::cellColumn(int index) const
{
    return index >= 0 && index < cells.size() ? cells.at(index).column : -1;
}

bool CrossTabGrid::isHeaderAt(int row) const
{
    const int b = rowsPerPage();
    return headerIsVisible && b > 0 && row >= 0 && row % b == 0;
}

bool CrossTabGrid::isTotalAt(int column, int row) const
{
    if (column < 0 || row < 0)
        return false;
    const int b = rowsPerPage();
    if (totalByRowVisible && column == colCount - 1)
        return true;
    if (totalByColVisible && row + 1 == rowCount)
        return true;
    if (!subtotalIsVisible)
        return false;
    if (b > 0 && row % b == b - 1)
        return true;
    return totalByColVisible ? row + 2 == rowCount : row + 1 == rowCount;
}

bool CrossTabGrid::isHeaderCell(int index) const
{
    return isHeaderAt(cellRow(index, true));
}

bool CrossTabGrid::isTotalCell(int index) const
{
    return isTotalAt(cellColumn(index), cellRow(index, true));
}

// Each total reads only the cells that can count for it, its row, its block
// or its column, so all totals together read each cell at most three times:
// the grid's totals cost grows with its cells, not with their square.
void CrossTabGrid::calculateTotal(int index)
{
    const int b = rowsPerPage();
    if (b < 1 || !isTotalCell(index) || isHeaderCell(index))
        return;
    const int c = cellColumn(index);
    const int r = cellRow(index, true);
    double sum = 0.0;
    const auto add = [&](int i) {
        if (i != index && i >= 0 && i < cells.size())
            sum += cells.at(i).value.toDouble(); // a text that is no number adds 0
    };
    // The last column adds up its row only when it is the row-total column;
    // otherwise it is a data column like the others and totals its column.
    if (totalByRowVisible && c == colCount - 1) {
        for (int column = 0; column < colCount; ++column)
            add(indexAt(column, r));
    } else {
        // The grand total takes the whole column, a subtotal its block;
        // neither counts the totals in between.
        const bool grandTotal = r + 1 == rowCount;
        const int first = grandTotal ? 0 : r / b * b;
        const int last = grandTotal ? rowCount - 1 : qMin(rowCount - 1, first + b - 1);
        for (int row = first; row <= last; ++row) {
            if (!isTotalAt(c, row))
                add(indexAt(c, row));
        }
    }
    cells[index].value = QString::number(sum, 'g', 6);
}

void CrossTabGrid::setHeaderText(int index)
{
    const int c = cellColumn(index);
    if (c >= 0 && c < colHeaders.size())
        cells[index].value = colHeaders.at(c);
}

void CrossTabGrid::setColCount(int dataColumns)
{
    colCount = dataColumns + (totalByRowVisible ? 1 : 0);
}

void CrossTabGrid::setRowCount(int dataRows)
{
    const int b = rowsPerPage();
    const int blocks = b > 0 ? int(std::ceil(double(dataRows) / b)) : 0;
    rowCount = dataRows + (subtotalIsVisible ? blocks : 0) + (headerIsVisible ? blocks : 0)
               + (totalByColVisible ? 1 : 0);
}

int CrossTabGrid::layoutNextBlock(int fieldTop, const std::function<void(CrossTabCell&)>& fillDataCell,
                                  const std::function<void(const CrossTabCell&)>& handleCell)
{
    const int b = rowsPerPage();
    if (b < 1)
        return 0;
    int line = 0;
    int previousRow = -1;
    int lines = 0;
    for (int i = paintedCells; i < cells.size(); ++i) {
        const int row = cells.at(i).row;
        if (previousRow >= 0 && row != previousRow)
            ++line;
        previousRow = row;
        if (line >= b)
            break;
        lines = line + 1;
        CrossTabCell& cell = cells[i];
        cell.rect.moveTop(fieldTop + line * rowHeight);
        cell.rect.setHeight(rowHeight);
        // Totals read the cells as they stand, which is why cells are laid
        // out row by row, left to right: a row's total follows its values.
        const bool header = isHeaderCell(i);
        if (isTotalCell(i)) {
            if (!header)
                calculateTotal(i);
        } else if (!header && fillDataCell) {
            fillDataCell(cell);
        }
        if (handleCell)
            handleCell(cell);
        paintedCells = i + 1;
    }
    return lines;
}
