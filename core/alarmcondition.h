#pragma once

#include <QColor>
#include <QList>
#include <QMetaType>
#include <QString>

// One alarm condition: which device parameter (or TW sensor state class) it
// watches, the alarm status it raises and the colour that shows it.
struct AlarmCondition
{
    // The values of AlarmPart.
    static constexpr int EnergizerPart = 0;
    static constexpr int SensorPart = 1;

    int AlarmPart = EnergizerPart;
    int EnergParam = 0;
    QString EnergParamName;
    int AlarmStatus = 0;
    QString AlarmStatusName;
    bool Active = false;
    QColor AlarmColor;
};
Q_DECLARE_METATYPE(AlarmCondition)

using AlarmConditionList = QList<AlarmCondition>;

// The alarm conditions in force, in load order; the first matching active
// entry counts. Unit threads evaluate device states against it, so it is
// only ever replaced as a whole, under the site mutex: write it through
// setAlarmConditions() and read it through alarmConditions() (or hold the
// site mutex while touching it directly).
extern AlarmConditionList g_alarmConditions;

void setAlarmConditions(const AlarmConditionList& conditions);
AlarmConditionList alarmConditions();
