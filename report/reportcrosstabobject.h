#pragma once

#include "crosstabgrid.h"

#include <QColor>
#include <QDomElement>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

class ReportFieldObject;

// The grid of a crossTab field. Its attributes sit on the field's own
// element; the grid decides the kinds of cells and their totals, and each
// of its cells is painted as a label field this record owns.
class ReportCrossTabObject : public CrossTabGrid
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

    void loadXml(const QDomElement& e);
    void saveXml(QDomElement e) const;
    void clearCells();
    // Rebuilds the grid and a label field for each of its cells.
    void buildMatrix();

    QList<ReportFieldObject*> fieldList; // parallel to the grid's cells
    ReportFieldObject* parentField = nullptr;
    std::vector<CellRecord> cellRecords;
};

Q_DECLARE_METATYPE(ReportCrossTabObject*)
