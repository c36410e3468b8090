#include "alarmconditionsettings.h"
#include "mainwindowlogging.h"

#include "alarmconditionarray.h"
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
        std::optional<AlarmConditionList> stored;
        {
            auto settings = SettingsFile::open();
            stored = AlarmConditionArray::read(*settings, arrayName(part), part);
        }
        // Entries of the other part in the array are skipped.
        if (stored && !stored->isEmpty()) {
            for (const AlarmCondition& condition : qAsConst(*stored)) {
                if (condition.AlarmPart == part)
                    conditions.append(condition);
            }
            continue;
        }
        // A broken defaults file is reported once, not once per part.
        if (defaultsReadable == false)
            continue;
        defaultsReadable = readDefaults(AppPaths::defaultParams(), part, conditions);
        // An array refused is left as it stands in the file, for whoever looks into it.
        if (*defaultsReadable && stored)
            WindowSettings::write([&](QSettings& settings) { writeArray(settings, part, conditions); });
    }
    return conditions;
}

} // namespace AlarmConditionSettings
