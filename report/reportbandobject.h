#pragma once

#include <QList>
#include <QString>

class ReportFieldObject;
class ReportPageObject;
class ReportEngine;

enum BandType {
    ReportTitle = 1,
    PageHeader = 2,
    DataGroupHeader = 3,
    MasterHeader = 4,
    MasterData = 5,
    MasterFooter = 6,
    DataGroupFooter = 7,
    ReportSummary = 8,
    PageFooter = 9,
};

// One band of a report page; owns its fields.
class ReportBandObject
{
public:
    ReportBandObject() = default;
    ~ReportBandObject();

    ReportBandObject(const ReportBandObject&) = delete;
    ReportBandObject& operator=(const ReportBandObject&) = delete;

    void addField(ReportFieldObject* field);

    QString name = QStringLiteral("ReportTitle");
    int height = 0;
    BandType type = ReportTitle;
    QList<ReportFieldObject*> fieldList;
    ReportPageObject* parentPage = nullptr;
    ReportEngine* engine = nullptr;
};
