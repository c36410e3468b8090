#include "reportcrosstabobject.h"

#include "colortext.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"
#include "templatebounds.h"

#include <QDebug>

namespace {

const QString kWhite = QStringLiteral("rgba(255,255,255,255)");

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

ReportCrossTabObject::ReportCrossTabObject()
{
    qRegisterMetaType<ReportCrossTabObject*>("ReportCrossTabObject");
}

ReportCrossTabObject::~ReportCrossTabObject()
{
    clearCells();
}

void ReportCrossTabObject::clearCells()
{
    qDeleteAll(fieldList);
    fieldList.clear();
    m_index.clear();
    m_grid.cells.clear();
    m_grid.paintedCells = 0;
}

void ReportCrossTabObject::buildMatrix()
{
    clearCells();
    m_grid.buildMatrix();
    fieldList.reserve(m_grid.cells.size());
    m_index.reserve(m_grid.cells.size());
    for (const CrossTabCell& cell : qAsConst(m_grid.cells)) {
        auto* field = new ReportFieldObject;
        field->name = cell.name;
        field->fieldType = label;
        field->alignment = CrossTabGrid::CellAlignment;
        field->parentCrossTab = this;
        if (parentField) {
            field->parentBand = parentField->parentBand;
            field->engine = parentField->engine;
        }
        field->rect = cell.rect;
        field->value = cell.value;
        if (cell.backgroundColor.isValid())
            field->setDefaultBackgroundColor(cell.backgroundColor);
        m_index.insert(field, fieldList.size());
        fieldList.append(field);
    }
}

void ReportCrossTabObject::addField(ReportFieldObject* cell)
{
    if (!cell || m_index.contains(cell))
        return;
    const int index = fieldList.size();
    CrossTabCell placed;
    placed.name = cell->name;
    placed.column = m_grid.colCount > 0 ? index % m_grid.colCount : -1;
    placed.row = m_grid.colCount > 0 ? index / m_grid.colCount : -1;
    placed.rect = cell->rect;
    placed.value = cell->value;
    m_grid.cells.append(placed);
    cell->parentCrossTab = this;
    m_index.insert(cell, index);
    fieldList.append(cell);
}

void ReportCrossTabObject::addCellRecord(const CellRecord& record)
{
    cellRecords.push_back(record);
}

void ReportCrossTabObject::calculateTotal(ReportFieldObject* cell)
{
    const int index = indexOf(cell);
    if (index < 0)
        return;
    for (int i = 0; i < fieldList.size(); ++i)
        m_grid.cells[i].value = fieldList.at(i)->value;
    m_grid.calculateTotal(index);
    cell->value = m_grid.cells.at(index).value;
}

void ReportCrossTabObject::setHeaderText(ReportFieldObject* cell)
{
    const int index = indexOf(cell);
    if (index < 0)
        return;
    m_grid.setHeaderText(index);
    cell->value = m_grid.cells.at(index).value;
}

int ReportCrossTabObject::layoutNextBlock(int fieldTop, const CellHandler& fillDataCell, const CellHandler& paintCell)
{
    if (fieldList.size() != m_grid.cells.size())
        return 0;
    const auto fieldOf = [this](const CrossTabCell& cell) { return fieldList.at(int(&cell - m_grid.cells.constData())); };
    const auto fill = [&](CrossTabCell& cell) {
        ReportFieldObject* field = fieldOf(cell);
        if (fillDataCell)
            fillDataCell(field);
        cell.value = field->value;
    };
    const auto paint = [&](const CrossTabCell& cell) {
        ReportFieldObject* field = fieldOf(cell);
        field->value = cell.value;
        field->rect = cell.rect;
        if (paintCell)
            paintCell(field);
    };
    return m_grid.layoutNextBlock(fieldTop, fill, paint);
}

void ReportCrossTabObject::loadXml(const QDomElement& e)
{
    const QString owner = QStringLiteral("field \"%1\"").arg(e.attribute(QStringLiteral("name")));
    m_grid.rowHeight = e.attribute(QStringLiteral("rowHeight"), QStringLiteral("20")).toInt();
    // A row no unit high, or higher than the field, would leave the table
    // no row to print; a field of no height prints nothing anyway.
    const int fieldHeight = m_grid.rect.height();
    TemplateBounds::clamp(owner, {{"rowHeight", m_grid.rowHeight}}, 1, fieldHeight > 0 ? fieldHeight : ReportPageObject::MaxSize);
    m_grid.colCount = e.attribute(QStringLiteral("colCount"), QStringLiteral("3")).toInt();
    TemplateBounds::clamp(owner, {{"colCount", m_grid.colCount}}, 0, CrossTabGrid::MaxColumns);
    m_grid.totalByColVisible = e.attribute(QStringLiteral("totalByColVisible"), QStringLiteral("1")).toInt() != 0;
    m_grid.totalByRowVisible = e.attribute(QStringLiteral("totalByRowVisible"), QStringLiteral("1")).toInt() != 0;
    m_grid.subtotalIsVisible = e.attribute(QStringLiteral("subtotalIsVisible")).toInt() != 0;
    m_grid.headerIsVisible = e.attribute(QStringLiteral("headerIsVisible")).toInt() != 0;
    m_grid.totalBackgroundColor = textToColor(e.attribute(QStringLiteral("totalBackgroundColor"), kWhite));
    m_grid.headerBackgroundColor = textToColor(e.attribute(QStringLiteral("headerBackgroundColor"), kWhite));
}

void ReportCrossTabObject::saveXml(QDomElement e) const
{
    e.setAttribute(QStringLiteral("rowHeight"), QString::number(uint(m_grid.rowHeight)));
    e.setAttribute(QStringLiteral("colCount"), QString::number(uint(m_grid.colCount)));
    e.setAttribute(QStringLiteral("totalByColVisible"), flag(m_grid.totalByColVisible));
    e.setAttribute(QStringLiteral("totalByRowVisible"), flag(m_grid.totalByRowVisible));
    e.setAttribute(QStringLiteral("subtotalIsVisible"), flag(m_grid.subtotalIsVisible));
    e.setAttribute(QStringLiteral("headerIsVisible"), flag(m_grid.headerIsVisible));
    e.setAttribute(QStringLiteral("totalBackgroundColor"), colorToText(m_grid.totalBackgroundColor));
    e.setAttribute(QStringLiteral("headerBackgroundColor"), colorToText(m_grid.headerBackgroundColor));
}

QDebug operator<<(QDebug debug, const ReportCrossTabObject& table)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << table.name << '\n';
    return debug;
}

QDebug operator<<(QDebug debug, const ReportCrossTabObject* table)
{
    if (!table)
        return debug << static_cast<const void*>(nullptr);
    return debug << *table;
}
