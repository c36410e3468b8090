#pragma once

#include "alarmcondition.h"

#include <QString>

class QSettings;

// The alarm conditions as setting.ini keeps them: array "alarmCondition"
// (energizer part) and "alarmSensorCondition" (sensor part), each inside a
// group of the same name. A missing or empty array is taken from
// DefaultParams.xml and written back, so the file shows what is in force.
namespace AlarmConditionSettings {

inline const QString EnergizerArray = QStringLiteral("alarmCondition");
inline const QString SensorArray = QStringLiteral("alarmSensorCondition");
inline const QString EnergizerDefaultElement = QStringLiteral("AssignedAlarmCondition");
inline const QString SensorDefaultElement = QStringLiteral("AssignedSensorCondition");

// Energizer conditions first, then sensor conditions, each in file order.
// A defaults file that is needed but missing or not well-formed gives one
// warning naming it; its part stays empty and loading goes on.
AlarmConditionList load();

// The conditions of `part` (AlarmCondition::EnergizerPart or SensorPart)
// in the defaults file. False, with a warning naming the file, when it
// cannot be opened or is not well-formed.
bool readDefaults(const QString& fileName, int part, AlarmConditionList& conditions);

void writeArray(QSettings& settings, int part, const AlarmConditionList& conditions);

} // namespace AlarmConditionSettings
