#pragma once

#include <QDebug>
#include <QDomElement>
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

// One band of a report page; owns its fields. A band whose type text matched
// no band type keeps type 0 and is never laid out.
class ReportBandObject
{
public:
    ReportBandObject() = default;
    ~ReportBandObject();

    ReportBandObject(const ReportBandObject&) = delete;
    ReportBandObject& operator=(const ReportBandObject&) = delete;

    void loadXml(ReportEngine* engine, const QDomElement& e);
    void addField(ReportFieldObject* field);
    ReportBandObject* clone() const;

    // The height the layout gives the band: a height past MaxHeight counts
    // as MaxHeight, taller than any paper and far from where the layout's
    // sums of places and heights would overflow; a negative one as none.
    // A template's height is brought within them as it is read, logged.
    static constexpr int MaxHeight = 1'000'000;
    int layoutHeight() const { return qBound(0, height, MaxHeight); }

    QString name;
    QString groupingField;
    bool showInGroup = false;
    bool startNewPage = false;
    bool restartLineNo = false;
    int currentHeight = 0;
    int height = 0;
    int width = 0;
    int left = 0;
    int right = 0;
    int type = 0;
    QList<ReportFieldObject*> fieldList;
    ReportPageObject* parentPage = nullptr;
    ReportEngine* engine = nullptr;
};

QDebug operator<<(QDebug debug, const ReportBandObject& band);
