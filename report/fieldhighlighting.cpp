#include "fieldhighlighting.h"

#include "colortext.h"
#include "reportfunctions.h"
#include "timedscript.h"

#include <QScriptEngine>
#include <QScriptProgram>
#include <QStringList>

namespace {

// The word that marks a piece as setting a property, by property number.
const char* const PropertyWords[] = { "bold", "italic", "underline", "strikeout", "fontColor", "backgroundColor" };
constexpr int PropertyCount = 6;

// Evaluates one script text in its own context, so nothing it declares
// stays for the next condition. False when the script throws, runs past
// the time limit or is interrupted.
bool evaluate(TimedScript& script, const QString& text, QScriptValue* result)
{
    *result = script.evaluate(QScriptProgram(text));
    return !script.threw() && !script.stopped() && !script.interrupted();
}

// A colour the template leaves out stays "none" through its text form; the
// invalid colour would otherwise come back as opaque black.
QString colourText(const QColor& color)
{
    return color.isValid() ? colorToText(color) : QString();
}

} // namespace

QVariant FieldHighlighting::ownValue(const Field& field, int property)
{
    switch (property) {
    case Bold: return field.font.weight() > 57;
    case Italic: return field.font.style() != QFont::StyleNormal;
    case Underline: return field.font.underline();
    case Strikeout: return field.font.strikeOut();
    case FontColor: return colourText(field.templateFontColor);
    case BackgroundColor: return colourText(field.templateBackgroundColor);
    default: return QVariant();
    }
}

QVariant FieldHighlighting::fromPiece(const Field& field, int property, const QString& condition, QString piece,
                                      const Resolver& resolve, TimedScript& script)
{
    piece.remove(QLatin1String(PropertyWords[property]) + QLatin1Char('='));
    QScriptValue value;
    if (property <= Strikeout) {
        // A piece that is just the key evaluates the condition alone.
        if (!evaluate(script, resolve(condition + piece), &value))
            return 0; // a failing condition switches the flag off
        return ReportFunctions::toInt32(value.toInteger());
    }
    // "?rgba(…)" becomes: condition ? 'rgba(…)' : 'template colour'.
    const QColor templateColor = property == FontColor ? field.templateFontColor : field.templateBackgroundColor;
    if (piece.isEmpty())
        return colourText(templateColor);
    piece.insert(1, QLatin1Char('\''));
    const QString text = resolve(condition + piece) + QLatin1String("':'") + colourText(templateColor) + QLatin1Char('\'');
    // A condition that fails keeps the template colour rather than an
    // unreadable colour (the error text would read as transparent black).
    if (!evaluate(script, text, &value))
        return colourText(templateColor);
    return value.toString();
}

QVariant FieldHighlighting::property(const Field& field, int property, const Resolver& resolve, TimedScript& script)
{
    if (property < 0 || property >= PropertyCount || field.highlighting.isEmpty())
        return ownValue(field, property);
    const QString word = QLatin1String(PropertyWords[property]);
    if (property == BackgroundColor && !field.highlighting.contains(word))
        return ownValue(field, property);

    const QStringList pieces = field.highlighting.split(QLatin1Char(';'));
    for (int i = 1; i < pieces.size(); ++i) {
        if (pieces.at(i).contains(word))
            return fromPiece(field, property, pieces.first(), pieces.at(i), resolve, script);
    }
    return ownValue(field, property);
}

FieldHighlighting::Style FieldHighlighting::style(const Field& field, const Resolver& resolve, TimedScript& script)
{
    Style style;
    style.font = field.font;
    style.font.setWeight(property(field, Bold, resolve, script).toInt() != 0 ? 75 : 50);
    style.font.setStyle(property(field, Italic, resolve, script).toInt() != 0 ? QFont::StyleItalic : QFont::StyleNormal);
    style.font.setUnderline(property(field, Underline, resolve, script).toInt() != 0);
    style.font.setStrikeOut(property(field, Strikeout, resolve, script).toInt() != 0);
    style.backgroundColor = textToColor(property(field, BackgroundColor, resolve, script).toString());
    style.fontColor = textToColor(property(field, FontColor, resolve, script).toString());
    return style;
}
