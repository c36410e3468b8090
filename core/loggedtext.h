#pragma once

#include <QString>

// A value read from a file an operator may edit, as a diagnostic line shows
// it. A refused value may be megabytes long, and one line of the log must
// not be: a longer value is cut to LoggedTextChars characters, followed by
// how long the whole was.
constexpr int LoggedTextChars = 200;

QString loggedText(const QString& text);
