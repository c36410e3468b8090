#pragma once

#include "alarmcondition.h"
#include "alarmconditionsettings.h"

#include <QByteArray>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

// Puts in force the alarm conditions the program starts with: the window's
// own loader (AlarmConditionSettings::load, as MainWindow::loadSettings calls
// it) over private copies of the bench home's setting.ini and
// DefaultParams.xml, so an evaluation weighs what a fresh install weighs and
// the loader may write back without touching the bench home. Gives how many
// conditions are in force, 0 when none could be read (the caller skips).
inline int installShippedConditions()
{
    QTemporaryDir home;
    for (const char* name : {"setting.ini", "DefaultParams.xml"}) {
        if (!QFile::copy(QStringLiteral(LUMETRA_RUNTIME_DIR "/") + QLatin1String(name),
                         home.filePath(QLatin1String(name))))
            return 0;
        QFile::setPermissions(home.filePath(QLatin1String(name)), QFile::ReadOwner | QFile::WriteOwner);
    }
    const QByteArray before = qgetenv("LUMETRA_HOME");
    const bool hadHome = qEnvironmentVariableIsSet("LUMETRA_HOME");
    qputenv("LUMETRA_HOME", home.path().toUtf8());
    // The loader names each default colour in the diagnostic log.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const AlarmConditionList conditions = AlarmConditionSettings::load();
    QLoggingCategory::setFilterRules(QString());
    if (hadHome)
        qputenv("LUMETRA_HOME", before);
    else
        qunsetenv("LUMETRA_HOME");
    setAlarmConditions(conditions);
    return conditions.size();
}
