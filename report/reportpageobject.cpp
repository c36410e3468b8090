#include "reportpageobject.h"

#include "reportbandobject.h"

ReportPageObject::ReportPageObject(ReportEngine* engine)
    : engine(engine)
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
    band->engine = engine;
    bandList.append(band);
}
