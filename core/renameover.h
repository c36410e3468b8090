#pragma once

#include <QString>

// Puts `from` in the place of `to` in one step: `to` is replaced, never
// removed first, so a failure leaves it as it was (the C library's rename;
// QFile::rename refuses an existing target). False, with errno set, on
// failure.
bool renameOver(const QString& from, const QString& to);
