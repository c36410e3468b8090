#pragma once

#include "alarmcondition.h"

#include <optional>

class QSettings;

// One array of alarm conditions in setting.ini, read with every key checked,
// for the window and for the settings dialog alike.
namespace AlarmConditionArray {

// The keys a condition can watch: the energizer parameters up to the key of
// the no-alarm colour, and the TW sensor state classes (inactive, ready,
// alarm, maintenance).
constexpr int LastEnergizerKey = 53;
constexpr int LastSensorKey = 3;
// One condition per key of either part is all an array needs.
constexpr int MaxEntries = LastEnergizerKey + 1 + LastSensorKey + 1;

// The entries of array `name` inside the group of the same name, each with
// the part it names; the array's `part` (AlarmCondition::EnergizerPart or
// SensorPart) decides the keys an entry may watch. Absent keys take their defaults (part 0, 0, empty
// text, false, no colour); a colour that does not parse is no colour. An
// array of more than MaxEntries entries, or one whose part, key or status is
// not a number in its range, gives nothing, with one warning: the caller
// takes its defaults.
std::optional<AlarmConditionList> read(QSettings& settings, const QString& name, int part);

} // namespace AlarmConditionArray
