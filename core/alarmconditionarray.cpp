#include "alarmconditionarray.h"
#include "corelogging.h"

#include "settingsfile.h"

#include <QDebug>
#include <QSettings>

namespace AlarmConditionArray {

namespace {

// The statuses a condition can raise: OK to tamper, and off.
constexpr int LastAlarmStatus = 4;
constexpr int OffStatus = 7;
constexpr int Invalid = -1;

// The entry at the array index, or nothing when one of its numbers is bad.
std::optional<AlarmCondition> readEntry(const QSettings& settings, int part)
{
    // Absent: 0; present: a number from 0 to `max`, else Invalid.
    const auto number = [&settings](const char* key, int max) {
        const QString name = QLatin1String(key);
        return settings.contains(name) ? SettingsFile::intValue(settings, name, Invalid, 0, max) : 0;
    };
    AlarmCondition condition;
    condition.AlarmPart = number("AlarmPart", AlarmCondition::SensorPart);
    if (condition.AlarmPart == Invalid)
        return std::nullopt;
    condition.EnergParam =
        number("EnergParam", part == AlarmCondition::EnergizerPart ? LastEnergizerKey : LastSensorKey);
    condition.AlarmStatus = number("AlarmStatus", OffStatus);
    if (condition.EnergParam == Invalid || condition.AlarmStatus == Invalid
        || (condition.AlarmStatus > LastAlarmStatus && condition.AlarmStatus != OffStatus))
        return std::nullopt;
    condition.EnergParamName = SettingsFile::textValue(settings, QStringLiteral("EnergParamName"));
    condition.AlarmStatusName = SettingsFile::textValue(settings, QStringLiteral("AlarmStatusName"));
    condition.Active = SettingsFile::boolValue(settings, QStringLiteral("Active"), false);
    condition.AlarmColor = SettingsFile::colorValue(settings, QStringLiteral("AlarmColor"), QColor());
    return condition;
}

} // namespace

std::optional<AlarmConditionList> read(QSettings& settings, const QString& name, int part)
{
    settings.beginGroup(name);
    const int size = SettingsFile::beginReadArray(settings, name, MaxEntries);
    std::optional<AlarmConditionList> conditions = size < 0 ? std::nullopt : std::make_optional(AlarmConditionList());
    for (int i = 0; conditions && i < size; ++i) {
        settings.setArrayIndex(i);
        if (const std::optional<AlarmCondition> condition = readEntry(settings, part)) {
            conditions->append(*condition);
        } else {
            qCWarning(lcCore).noquote() << QStringLiteral("Entry %1 of %2 in %3 is not a valid alarm condition; "
                                                          "the defaults are used")
                                               .arg(i + 1)
                                               .arg(name, settings.fileName());
            conditions.reset();
        }
    }
    settings.endArray();
    settings.endGroup();
    return conditions;
}

} // namespace AlarmConditionArray
