#pragma once

#include <QColor>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class QSettings;

// setting.ini beside the program. Every operation opens it afresh and lets
// it go when done, so the file on disk is always the one truth.
namespace SettingsFile {

QString path();

// For reading. A file that exists but cannot be parsed is reported once per
// run, naming the file; every key then takes its default.
std::unique_ptr<QSettings> open();

// The one way this window writes the file: `write` fills the keys, then the
// store is flushed and its status checked. A write that did not reach the
// disk gives a warning naming the file and false; nothing else changes.
bool write(const std::function<void(QSettings&)>& write);

// A colour kept as "rgba(r,g,b,a)". Written by hand without quotes, the INI
// reader splits it at the commas into a list; that list is joined back.
// Gives `fallback` when the key is absent or holds no valid colour.
QColor colorValue(const QVariant& value, const QColor& fallback);

} // namespace SettingsFile
