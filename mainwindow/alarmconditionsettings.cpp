#include "alarmconditionsettings.h"
#include "mainwindowlogging.h"

#include "apppaths.h"
#include "colortext.h"
#include "settingsfile.h"
#include "windowsettings.h"

#include <QDebug>
#include <QFile>
#include <QSettings>
#include <QXmlStreamReader>

#include <optional>

namespace AlarmConditionSettings {

static QString arrayName(int part)
{
    return part == AlarmCondition::EnergizerPart ? EnergizerArray : SensorArray;
}

static AlarmCondition readEntry(const QSettings& settings)
{
    AlarmCondition condition;
    condition.AlarmPart = settings.value(QStringLiteral("AlarmPart"), 0).toInt();
    condition.EnergParam = settings.value(QStringLiteral("EnergParam")).toInt();
    condition.EnergParamName = settings.value(QStringLiteral("EnergParamName")).toString();
    condition.AlarmStatus = settings.value(QStringLiteral("AlarmStatus")).toInt();
    condition.AlarmStatusName = settings.value(QStringLiteral("AlarmStatusName")).toString();
    condition.Active = settings.value(QStringLiteral("Active")).toBool();
    condition.AlarmColor = SettingsFile::colorValue(settings.value(QStringLiteral("AlarmColor")), QColor());
    return condition;
}

// Entries of the other part in the array are skipped.
static int readArray(QSettings& settings, int part, AlarmConditionList& conditions)
{
    const QString name = arrayName(part);
    settings.beginGroup(name);
    const int size = settings.beginReadArray(name);
    for (int i = 0; i < size; ++i) {
        settings.setArrayIndex(i);
        if (settings.value(QStringLiteral("AlarmPart"), 0).toInt() == part)
            conditions.append(readEntry(settings));
    }
    settings.endArray();
    settings.endGroup();
    return size;
}

void writeArray(QSettings& settings, int part, const AlarmConditionList& conditions)
{
    const QString name = arrayName(part);
    settings.beginGroup(name);
    settings.beginWriteArray(name);
    int index = 0;
    for (const AlarmCondition& condition : conditions) {
        if (condition.AlarmPart != part)
            continue;
        settings.setArrayIndex(index++);
        settings.setValue(QStringLiteral("AlarmPart"), condition.AlarmPart);
        settings.setValue(QStringLiteral("EnergParam"), condition.EnergParam);
        settings.setValue(QStringLiteral("EnergParamName"), condition.EnergParamName);
        settings.setValue(QStringLiteral("AlarmStatus"), condition.AlarmStatus);
        settings.setValue(QStringLiteral("AlarmStatusName"), condition.AlarmStatusName);
        settings.setValue(QStringLiteral("Active"), condition.Active);
        settings.setValue(QStringLiteral("AlarmColor"), colorToText(condition.AlarmColor));
    }
    settings.endArray();
    settings.endGroup();
}

static AlarmCondition conditionOf(const QXmlStreamAttributes& attributes, int part)
{
    AlarmCondition condition;
    condition.AlarmPart = part;
    condition.EnergParam = attributes.value(QLatin1String("param")).toInt();
    condition.EnergParamName = attributes.value(QLatin1String("name")).toString();
    condition.AlarmStatus = attributes.value(QLatin1String("status")).toInt();
    condition.AlarmStatusName = attributes.value(QLatin1String("statusName")).toString();
    condition.Active = attributes.value(QLatin1String("active")).toInt() != 0;
    condition.AlarmColor = textToColor(attributes.value(QLatin1String("color")).toString());
    return condition;
}

bool readDefaults(const QString& fileName, int part, AlarmConditionList& conditions)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcMainWindow).noquote() << QStringLiteral("%1 could not be opened (%2); no default alarm conditions")
                                    .arg(fileName, file.errorString());
        return false;
    }
    const QString wanted = part == AlarmCondition::EnergizerPart ? EnergizerDefaultElement : SensorDefaultElement;
    // Only the root's direct children count; the whole document must be
    // well-formed before any of it is used.
    AlarmConditionList found;
    QXmlStreamReader reader(&file);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 2 && reader.name() == wanted)
                found.append(conditionOf(reader.attributes(), part));
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (reader.hasError()) {
        qCWarning(lcMainWindow).noquote() << QStringLiteral("%1 is not well-formed (line %2: %3); no default alarm conditions")
                                    .arg(fileName)
                                    .arg(reader.lineNumber())
                                    .arg(reader.errorString());
        return false;
    }
    for (const AlarmCondition& condition : found) {
        if (part == AlarmCondition::EnergizerPart)
            qCDebug(lcMainWindow).noquote() << colorToText(condition.AlarmColor);
    }
    conditions.append(found);
    return true;
}

AlarmConditionList load()
{
    AlarmConditionList conditions;
    std::optional<bool> defaultsReadable;
    for (int part : {AlarmCondition::EnergizerPart, AlarmCondition::SensorPart}) {
        {
            auto settings = SettingsFile::open();
            if (readArray(*settings, part, conditions) > 0)
                continue;
        }
        // A broken defaults file is reported once, not once per part.
        if (defaultsReadable == false)
            continue;
        defaultsReadable = readDefaults(AppPaths::defaultParams(), part, conditions);
        if (*defaultsReadable)
            WindowSettings::write([&](QSettings& settings) { writeArray(settings, part, conditions); });
    }
    return conditions;
}

} // namespace AlarmConditionSettings
