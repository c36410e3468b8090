#pragma once

#include "projectlimits.h"

#include <QList>
#include <QString>

class Node;
class QSettings;

// The sound alarms as setting.ini keeps them: array "sounds" inside group
// "sounds", one entry per alarm with its name, identifier and three files.
namespace SoundAlarmSettings {

inline const QString Group = QStringLiteral("sounds");
// As many as a project file may hold; a bigger array gives the built-ins.
constexpr int MaxSoundAlarms = ProjectLimits::MaxChildElements;

// New parentless sound-alarm nodes (node type 7) with the columns name,
// SoundPath and identifier; the two built-in alarms, with fresh
// identifiers, when the file holds none or more than MaxSoundAlarms. The
// caller owns the nodes.
QList<Node*> load();

void write(QSettings& settings, const QList<Node*>& soundAlarms);

} // namespace SoundAlarmSettings
