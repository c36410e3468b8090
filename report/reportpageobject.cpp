#include "reportpageobject.h"

#include "reportbandobject.h"

ReportPageObject::ReportPageObject(int reportIndex)
    : reportIndex(reportIndex)
{
}

ReportPageObject::~ReportPageObject()
{
    qDeleteAll(bandList);
}

void ReportPageObject::addBand(ReportBandObject* band)
{
    if (!band)
        return;
    band->parentPage = this;
    band->reportIndex = reportIndex;
    bandList.append(band);
}
