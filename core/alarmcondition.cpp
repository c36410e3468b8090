#include "alarmcondition.h"

#include "sitemutex.h"

AlarmConditionList g_alarmConditions;

void setAlarmConditions(const AlarmConditionList& conditions)
{
    SiteLocker lock;
    g_alarmConditions = conditions;
}

AlarmConditionList alarmConditions()
{
    SiteLocker lock;
    return g_alarmConditions;
}
