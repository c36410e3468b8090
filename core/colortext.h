#pragma once

#include <QColor>
#include <QString>

// Colours are kept as "rgba(r,g,b,a)" text in settings, project files and
// style sheets.
QString colorToText(const QColor& color);
// Lenient with what files hold: a missing or non-numeric component counts
// as 0. A text without any number ("", "none") gives an invalid colour, so
// that a reader can tell a colour from none.
QColor textToColor(const QString& text);
