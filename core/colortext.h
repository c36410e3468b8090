#pragma once

#include <QColor>
#include <QString>

// Colours are kept as "rgba(r,g,b,a)" text in settings, project files and
// style sheets.
QString colorToText(const QColor& color);
// Never fails: a missing or non-numeric component counts as 0, an empty text
// gives an invalid colour.
QColor textToColor(const QString& text);
