#pragma once

#include "crosstabgrid.h"

#include <QColor>
#include <QDomElement>
#include <QHash>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

class QDebug;
class ReportFieldObject;

// The cross table of a crossTab field. Its attributes sit on the field's own
// element; its grid decides the kinds of cells and their totals, and each
// cell of the grid is painted as a label field this table owns. Cells are
// asked about by their field; a field that is not one of the table's cells
// is in row and column -1.
class ReportCrossTabObject
{
public:
    struct CellRecord
    {
        ReportFieldObject* field = nullptr;
        QVariant value;
        int placement[6] = {0, 0, 0, 0, 0, 0};
    };

    ReportCrossTabObject();
    ~ReportCrossTabObject();

    ReportCrossTabObject(const ReportCrossTabObject&) = delete;
    ReportCrossTabObject& operator=(const ReportCrossTabObject&) = delete;

    // Reads the attributes; the rectangle, set first, bounds the row height.
    void loadXml(const QDomElement& e);
    void saveXml(QDomElement e) const;
    // Rebuilds the grid and a label field for each of its cells.
    void buildMatrix();
    void clearCells();
    // Appends a cell at the next place of the grid, row by row; owned.
    void addField(ReportFieldObject* cell);
    void addCellRecord(const CellRecord& record);

    int rowsPerPage() const { return m_grid.rowsPerPage(); }
    int cellRow(ReportFieldObject* cell, bool raw) const { return m_grid.cellRow(indexOf(cell), raw); }
    int cellColumn(ReportFieldObject* cell) const { return m_grid.cellColumn(indexOf(cell)); }
    bool isHeaderCell(ReportFieldObject* cell) const { return m_grid.isHeaderCell(indexOf(cell)); }
    bool isTotalCell(ReportFieldObject* cell) const { return m_grid.isTotalCell(indexOf(cell)); }
    // Sums what the cells' fields hold now into a total cell's value. The
    // painter does not call it: layoutNextBlock sums as it goes.
    void calculateTotal(ReportFieldObject* cell);
    void setHeaderText(ReportFieldObject* cell);

    // Lays out the next block of rows with its first line at `fieldTop`:
    // `fillDataCell` gives each data cell its value, totals are summed, and
    // `paintCell` receives every cell's field in painting order, its place
    // and value set. Returns the lines laid out, 0 when nothing was left;
    // `wantsPageBreak` tells whether the rest asks for a page of its own.
    using CellHandler = std::function<void(ReportFieldObject* cell)>;
    int layoutNextBlock(int fieldTop, const CellHandler& fillDataCell, const CellHandler& paintCell);
    bool wantsPageBreak(int linesLaidOut) const { return m_grid.wantsPageBreak(linesLaidOut); }

    int rowHeight() const { return m_grid.rowHeight; }
    void setRowHeight(int height) { m_grid.rowHeight = height; }
    int paintedCells() const { return m_grid.paintedCells; }
    void setPaintedCells(int count) { m_grid.paintedCells = count; }
    int colCount() const { return m_grid.colCount; }
    int rowCount() const { return m_grid.rowCount; }
    // Counts of data columns and rows, made into the grid's with its totals,
    // subtotals and headers.
    void setColCount(int n) { m_grid.setColCount(n); }
    void setRowCount(int n) { m_grid.setRowCount(n); }
    bool totalByRowVisible() const { return m_grid.totalByRowVisible; }
    void setTotalByRowVisible(bool on) { m_grid.totalByRowVisible = on; }
    bool totalByColVisible() const { return m_grid.totalByColVisible; }
    void setTotalByColVisible(bool on) { m_grid.totalByColVisible = on; }
    bool subtotalIsVisible() const { return m_grid.subtotalIsVisible; }
    void setSubtotalIsVisible(bool on) { m_grid.subtotalIsVisible = on; }
    bool headerIsVisible() const { return m_grid.headerIsVisible; }
    void setHeaderIsVisible(bool on) { m_grid.headerIsVisible = on; }
    QRect rect() const { return m_grid.rect; }
    void setRect(const QRect& rect) { m_grid.rect = rect; }
    QStringList colHeaders() const { return m_grid.colHeaders; }
    void setColHeaders(const QStringList& headers) { m_grid.colHeaders = headers; }
    QColor totalBackgroundColor() const { return m_grid.totalBackgroundColor; }
    QColor headerBackgroundColor() const { return m_grid.headerBackgroundColor; }

    QString name;
    QList<ReportFieldObject*> fieldList; // the grid's cells, in its order
    ReportFieldObject* parentField = nullptr;
    std::vector<CellRecord> cellRecords;

private:
    int indexOf(const ReportFieldObject* cell) const { return m_index.value(cell, -1); }

    CrossTabGrid m_grid;
    QHash<const ReportFieldObject*, int> m_index;
};

// The table's name and a line feed; a null table writes as a null pointer.
QDebug operator<<(QDebug debug, const ReportCrossTabObject* table);
QDebug operator<<(QDebug debug, const ReportCrossTabObject& table);

Q_DECLARE_METATYPE(ReportCrossTabObject*)
