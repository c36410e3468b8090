#pragma once

// What the program does with a whole setting.ini at a log-in and when the
// settings dialog opens, without the window: the sound alarms, the alarm
// conditions (the window's and the dialog's reading), the window's
// geometry and dock and toolbar state on a window of the program's form,
// the views' column layouts and every single key with its type and range.
// The bytes are the file; LUMETRA_HOME must name a private directory.
// Shared by the libFuzzer target and the test that replays its corpus.

#include "alarmconditionarray.h"
#include "alarmconditionsettings.h"
#include "headerstate.h"
#include "node.h"
#include "settingsfile.h"
#include "soundalarmsettings.h"
#include "textalarmsettings.h"
#include "ui_mainwindow.h"
#include "windowstatecheck.h"

#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QMainWindow>
#include <QSettings>
#include <QStandardItemModel>
#include <QTableView>

#include <memory>

namespace SettingsFileFuzz {

// The form of the program's window, docked as the window docks it.
struct FormWindow
{
    QMainWindow window;
    Ui::MainWindow form;

    FormWindow()
    {
        form.setupUi(&window);
        window.tabifyDockWidget(form.dockLogs, form.dockSensorsState);
        window.tabifyDockWidget(form.dockSensorsState, form.dockAlarmStates);
    }
};

inline void restoreHeader(const char* key, int columns)
{
    QStandardItemModel model(1, columns);
    QTableView view;
    view.setModel(&model);
    HeaderState::restore(view.horizontalHeader(), QLatin1String(key));
}

// True when the run got through with values in their ranges; a crash or
// sanitizer report is the other failure.
inline bool run(const QByteArray& bytes)
{
    {
        QFile file(SettingsFile::path());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return true;
        // QSettings reads a file again only when its size or time changed.
        static QDateTime stamp = QDateTime::currentDateTime();
        stamp = stamp.addSecs(1);
        file.setFileTime(stamp, QFileDevice::FileModificationTime);
    }
    for (Node* node : SoundAlarmSettings::load()) {
        std::unique_ptr<Node> owned(node);
        if (node->type != Node::SoundAlarm)
            return false;
    }
    for (const AlarmCondition& condition : AlarmConditionSettings::load()) {
        if (condition.EnergParam < 0 || condition.EnergParam > AlarmConditionArray::LastEnergizerKey)
            return false;
    }
    auto settings = SettingsFile::open();
    for (int part : {AlarmCondition::EnergizerPart, AlarmCondition::SensorPart}) {
        const QString& name = part == 0 ? AlarmConditionSettings::EnergizerArray : AlarmConditionSettings::SensorArray;
        const auto stored = AlarmConditionArray::read(*settings, name, part);
        if (stored && stored->size() > AlarmConditionArray::MaxEntries)
            return false;
    }
    // The single keys as the window, the zoom, the looks and the dialogs read them.
    SettingsFile::intValue(*settings, QStringLiteral("LineWidth"), 2, 0, 20);
    SettingsFile::intValue(*settings, QStringLiteral("Scale"), 2, -2, 6);
    for (const char* key : {"SoundAlarmActive", "ReverseLogic", "SensorMode", "LoadLastFile", "LastFileRefused",
                            "withTextEnerg", "withTextIOCard"})
        SettingsFile::boolValue(*settings, QLatin1String(key), false);
    SettingsFile::choiceValue(*settings, QStringLiteral("Palette"), {QStringLiteral("Dark")}, QString());
    TextAlarmSettings::read(*settings);
    settings->value(QStringLiteral("recentFileList")).toStringList();

    FormWindow window;
    WindowStateCheck::restore(window.window, settings->value(QStringLiteral("geometry")),
                              settings->value(QStringLiteral("windowState")), 0);
    window.window.saveState(0);
    restoreHeader("AlarmStatesWidgetState", 12);
    restoreHeader("AlarmLogWidgetState", 8);
    restoreHeader("SensorStatesWidgetState", 4);
    return true;
}

} // namespace SettingsFileFuzz
