#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QSettings;

// How the window and its areas write setting.ini. A write that fails is in
// the diagnostic log every time (SettingsFile says why); the operator is
// told once per run, without a modal loop of its own, so that a full disk
// does not bring up a box at every zoom step.
namespace WindowSettings {

// As SettingsFile::write; false when the file was left as it was.
bool write(const std::function<void(QSettings&)>& fill);

// Tells the operator, as a failed write is told, that the settings file at
// `path` could not be read and is kept as `keptAs`, and what the new file
// keeps (`written`), and whether that holds what the old file still gave
// (`carried`) (SettingsFile's set-aside notice, which the program's start
// installs).
void tellSetAside(const QString& path, const QString& keptAs, const QStringList& written, bool carried);

// Shows the text to the operator; tests replace it.
using Notifier = std::function<void(const QString& text)>;
void setNotifier(Notifier notifier);
// Forgets that the operator was told (tests).
void reset();

} // namespace WindowSettings
