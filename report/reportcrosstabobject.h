#pragma once

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
// element; the cells it generates are label fields it owns.
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

    void loadXml(const QDomElement& e);
    void saveXml(QDomElement e) const;
    void clearCells();

    QString name;
    QRect rect = QRect(0, 0, 500, 500);
    QList<ReportFieldObject*> fieldList;
    ReportFieldObject* parentField = nullptr;
    QStringList colHeaders;
    QColor totalBackgroundColor = Qt::white;
    QColor headerBackgroundColor = Qt::white;
    int colCount = 3;
    int rowCount = 3;
    int rowHeight = 20;
    int paintedCells = 0;
    bool totalByRowVisible = false;
    bool totalByColVisible = false;
    bool subtotalIsVisible = false;
    bool headerIsVisible = false;
    std::vector<CellRecord> cellRecords;
};

Q_DECLARE_METATYPE(ReportCrossTabObject*)
