#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QVariant>

#include <functional>

class TimedScript;

// Conditional highlighting of a report field: its "highlighting" text makes
// the font and colours depend on the record being printed.
//
// The text is cut at ";": the first piece is a condition (script text, may
// hold references), every later piece sets one property:
//   "bold=", "italic=", "underline=", "strikeout="    on where the condition holds
//   "fontColor=?rgba(255,0,0,255)"                     this colour where it holds,
//   "backgroundColor=?rgba(…)"                         the template colour elsewhere
// The first piece naming a property decides it (words compared
// case-sensitively); a property no piece names keeps the field's own value.
class FieldHighlighting
{
public:
    enum Property { Bold = 0, Italic = 1, Underline = 2, Strikeout = 3, FontColor = 4, BackgroundColor = 5 };

    // What a field brings: its highlighting text, its font, and the colours
    // read from the template (which painting never changes).
    struct Field
    {
        QString highlighting;
        QFont font;
        QColor templateFontColor;
        QColor templateBackgroundColor;
    };

    // The font and colours a field is painted with for the current record.
    struct Style
    {
        QFont font;
        QColor fontColor;
        QColor backgroundColor;
    };

    // Resolves the references of a condition into script text (the engine's
    // field evaluation in expression mode, values quoted as script literals).
    using Resolver = std::function<QString(const QString& scriptText)>;

    // One property for the current record: an integer (0 or not) for the four
    // font flags, a colour text for the two colours; an invalid value for an
    // unknown property number. script evaluates the conditions under the
    // report's time limit; it needs no functions of its own and may be
    // reused from call to call.
    static QVariant property(const Field& field, int property, const Resolver& resolve, TimedScript& script);

    // All six properties applied: bold gives weight 75 (else 50), the other
    // flags switch the font's style, underline and strike-out.
    static Style style(const Field& field, const Resolver& resolve, TimedScript& script);

    // A property as the field has it without rules: its own font flags and
    // template colours (empty text for a colour the template left out).
    static QVariant ownValue(const Field& field, int property);

private:
    static QVariant fromPiece(const Field& field, int property, const QString& condition, QString piece,
                              const Resolver& resolve, TimedScript& script);
};
