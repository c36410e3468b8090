#pragma once

#include "apppaths.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

// Writes setting.ini so that a failed write never costs the operator the
// file: the new content goes into a temporary file beside it, is read back
// in full, and only then replaces the old file. QSettings alone reports
// success when only its final flush fails (a full disk), leaving an empty
// or cut-short file behind.
namespace SettingsFile {

// Sets `values` (keys as QSettings takes them, "Group/key" included) in the
// INI file at `path`, keeping every other key. False, with one warning in
// the diagnostic log, when the file could not be written completely; the
// previous file is then left as it was.
bool setValues(const QVariantMap& values, const QString& path = AppPaths::settings());

inline bool setValue(const QString& key, const QVariant& value, const QString& path = AppPaths::settings())
{
    return setValues({{key, value}}, path);
}

} // namespace SettingsFile
