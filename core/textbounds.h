#pragma once

#include <QString>

// Free text is bounded where it comes in and cut where it is shown: a text
// read from a file or typed costs the window no more than a screen shows.

// The longest free text of a project (a caption, a name, an address, a
// path): what a line edit takes, so every text the program let an
// operator type reads back.
constexpr int MaxFreeTextLength = 32767;

// A name shown whole where its length costs layout (a tab, a tree row, a
// panel row) is cut to this, longer than any of them shows.
constexpr int MaxShownNameLength = 256;

// `text` cut to `length` UTF-16 units, never between the two halves of a character.
QString leftWhole(const QString& text, int length);

// `name` as a tab, a tree row or a panel row shows it: cut to
// MaxShownNameLength, with "…" where it was cut.
QString shownName(const QString& name);

// The most characters a line `width` pixels wide can show: each takes at
// least half a pixel (marks that combine with the one before take none;
// there are few), one more for the character the line ends in.
int lineCapacity(qreal width);
