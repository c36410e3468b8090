#include "reportbandobject.h"

#include "reportfieldobject.h"

ReportBandObject::~ReportBandObject()
{
    qDeleteAll(fieldList);
}

void ReportBandObject::addField(ReportFieldObject* field)
{
    if (!field)
        return;
    field->parentBand = this;
    field->engine = engine;
    fieldList.append(field);
}
