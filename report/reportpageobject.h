#pragma once

#include <QColor>
#include <QList>
#include <QString>

class ReportBandObject;
class ReportEngine;

// One report page: paper size and margins in report units (a quarter
// millimetre) and its bands, which it owns.
class ReportPageObject
{
public:
    explicit ReportPageObject(ReportEngine* engine = nullptr);
    ~ReportPageObject();

    ReportPageObject(const ReportPageObject&) = delete;
    ReportPageObject& operator=(const ReportPageObject&) = delete;

    void addBand(ReportBandObject* band);

    int pageHeight = 1188;
    int pageWidth = 840;
    int marginsLeft = 40;
    int marginsRight = 40;
    int marginsTop = 40;
    int marginsBottom = 40;
    int orientation = 0;
    int pageNo = 0;
    bool border = false;
    int borderWidth = 1;
    QColor borderColor = Qt::black;
    QString borderStyle = QStringLiteral("solid");
    QList<ReportBandObject*> bandList;
    ReportEngine* engine = nullptr;
};
