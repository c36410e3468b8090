#include "reportcrosstabobject.h"

#include "colortext.h"
#include "reportfieldobject.h"

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
    cells.clear();
    paintedCells = 0;
}

void ReportCrossTabObject::buildMatrix()
{
    clearCells();
    CrossTabGrid::buildMatrix();
    for (const CrossTabCell& cell : qAsConst(cells)) {
        auto* field = new ReportFieldObject;
        field->name = cell.name;
        field->fieldType = label;
        field->alignment = CellAlignment;
        field->parentCrossTab = this;
        if (parentField) {
            field->parentBand = parentField->parentBand;
            field->engine = parentField->engine;
        }
        field->rect = cell.rect;
        field->value = cell.value;
        if (cell.backgroundColor.isValid())
            field->setDefaultBackgroundColor(cell.backgroundColor);
        fieldList.append(field);
    }
}

void ReportCrossTabObject::loadXml(const QDomElement& e)
{
    rowHeight = e.attribute(QStringLiteral("rowHeight"), QStringLiteral("20")).toInt();
    colCount = e.attribute(QStringLiteral("colCount"), QStringLiteral("3")).toInt();
    totalByColVisible = e.attribute(QStringLiteral("totalByColVisible"), QStringLiteral("1")).toInt() != 0;
    totalByRowVisible = e.attribute(QStringLiteral("totalByRowVisible"), QStringLiteral("1")).toInt() != 0;
    subtotalIsVisible = e.attribute(QStringLiteral("subtotalIsVisible")).toInt() != 0;
    headerIsVisible = e.attribute(QStringLiteral("headerIsVisible")).toInt() != 0;
    totalBackgroundColor = textToColor(e.attribute(QStringLiteral("totalBackgroundColor"), kWhite));
    headerBackgroundColor = textToColor(e.attribute(QStringLiteral("headerBackgroundColor"), kWhite));
}

void ReportCrossTabObject::saveXml(QDomElement e) const
{
    e.setAttribute(QStringLiteral("rowHeight"), QString::number(uint(rowHeight)));
    e.setAttribute(QStringLiteral("colCount"), QString::number(uint(colCount)));
    e.setAttribute(QStringLiteral("totalByColVisible"), flag(totalByColVisible));
    e.setAttribute(QStringLiteral("totalByRowVisible"), flag(totalByRowVisible));
    e.setAttribute(QStringLiteral("subtotalIsVisible"), flag(subtotalIsVisible));
    e.setAttribute(QStringLiteral("headerIsVisible"), flag(headerIsVisible));
    e.setAttribute(QStringLiteral("totalBackgroundColor"), colorToText(totalBackgroundColor));
    e.setAttribute(QStringLiteral("headerBackgroundColor"), colorToText(headerBackgroundColor));
}
