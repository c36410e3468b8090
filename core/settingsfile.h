#pragma once

#include "apppaths.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>

class QSettings;

// Writes setting.ini so that a failed write never costs the operator the
// file: the new content goes into a temporary file beside it, is read back
// in full, and only then replaces the old file. QSettings alone reports
// success when only its final flush fails (a full disk), leaving an empty
// or cut-short file behind. Writes take the file's lock, so that writes of
// two processes never cross; what a write killed half-way leaves beside the
// file is removed by the next write, and by the first read of a run.
namespace SettingsFile {

// How long a write waits for another one to finish, and the age after
// which a lock counts as left behind whoever owns it. Qt takes a lock of
// that age from a live owner too, so it lies far above the longest write;
// the lock of an owner that has died is taken over at once, by its process
// id, and one left empty (a write killed while it made the lock names no
// owner) once it is EmptyLockStaleMs old.
constexpr int LockWaitMs = 3000;
constexpr int StaleLockMs = 30000;
constexpr int EmptyLockStaleMs = 2000;
// What a write made beside the file to find why a write failed writes:
// more than the file and its lock take.
constexpr int WriteProbeBytes = 64 * 1024;

// The largest file read. The program's own stay far below it: some
// kilobytes for a site, about 1 MB with every count it keeps filled (a
// thousand sound alarms with paths of 260 characters, every alarm
// condition, the recent files, the window and column layouts). A larger
// file, which only a hand or another program makes, is never parsed: each
// read parses the file whole, and tens of megabytes of keys make the start
// and the end take minutes. The first read keeps it aside as an unreadable
// one is, and the settings start from their defaults. A write that would
// make the file larger fails, the file left as it was.
constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

inline QString path()
{
    return AppPaths::settings();
}

// For reading. A file that exists but cannot be parsed whole is reported
// once per run, naming the file; the values it still gives (keys of a
// damaged section included) are read as they stand, and a write keeps them
// (see `write`), so that the whole run has them. One larger than
// MaxFileBytes is kept aside first, without being read, and the set-aside
// notice told: every setting takes its default.
std::unique_ptr<QSettings> open(const QString& path = AppPaths::settings());

// The one way the program writes the file as a whole: `fill` sets the keys
// on a copy, which replaces the file only once it reads back complete.
// False, with one warning naming the file, when it could not be written;
// the previous file is then left as it was.
//
// A write begins from the file, so one that cannot be read (no INI reader
// parses it) would cost every later setting: the write keeps it beside
// itself as "<file>.unreadable" (".unreadable.2", … when that is taken),
// and writes a new file with every value the old one still gave, which
// the reads before had, and its own keys; the log and the set-aside notice
// say so.
bool write(const std::function<void(QSettings&)>& fill, const QString& path = AppPaths::settings());

// Tells the operator that the file at `path` could not be read and is kept
// as `keptAs`. `written` names what the new file written in its place holds
// (its keys and groups at the top level), with the values this run had for
// them; empty when no new file was written. `carried` when the new file
// keeps the values the old one still gave; else none of them was used (a
// file too large to read). None by default: the window installs its own;
// tests replace it.
using SetAsideNotice =
    std::function<void(const QString& path, const QString& keptAs, const QStringList& written, bool carried)>;
void setSetAsideNotice(SetAsideNotice notice);

// Sets `values` (keys as QSettings takes them, "Group/key" included) in the
// INI file at `path`, keeping every other key. False, with one warning in
// the diagnostic log, when the file could not be written completely; the
// previous file is then left as it was.
bool setValues(const QVariantMap& values, const QString& path = AppPaths::settings());

inline bool setValue(const QString& key, const QVariant& value, const QString& path = AppPaths::settings())
{
    return setValues({{key, value}}, path);
}

// Typed reads of keys an operator may have edited by hand: a value that is
// absent, not of the key's type or out of its range gives `fallback`; one
// that is present and refused is named in the log with the key.
int intValue(const QSettings& settings, const QString& key, int fallback, int min, int max);
// "true", "false", "1" or "0".
bool boolValue(const QSettings& settings, const QString& key, bool fallback);
// Text as written, also where the INI reader split it at unquoted commas.
QString textValue(const QSettings& settings, const QString& key, const QString& fallback = QString());
// One of `choices`, as written.
QString choiceValue(const QSettings& settings, const QString& key, const QStringList& choices,
                    const QString& fallback);

// Enters array `name` for reading, as QSettings::beginReadArray, and gives
// its entry count. A count above `max`, more than the program can hold,
// gives -1 and one warning naming the key: the caller takes its defaults.
// The caller ends the array in either case.
int beginReadArray(QSettings& settings, const QString& name, int max);

// A colour kept as "rgba(r,g,b,a)". Written by hand without quotes, the INI
// reader splits it at the commas into a list; that list is joined back.
// Gives `fallback` when the key is absent or holds no valid colour.
QColor colorValue(const QSettings& settings, const QString& key, const QColor& fallback);

} // namespace SettingsFile
