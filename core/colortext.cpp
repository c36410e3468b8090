#include "colortext.h"

#include <algorithm>
#include <limits>

QString colorToText(const QColor& color)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

namespace {

// A field's number as QString::toInt reads it in base 10 once the field is
// trimmed: 0 where it reads none, as for a number beyond an int.
int fieldNumber(const QChar* begin, const QChar* end)
{
    while (begin != end && begin->isSpace())
        ++begin;
    while (end != begin && (end - 1)->isSpace())
        --end;
    bool negative = false;
    if (begin != end && (*begin == QLatin1Char('+') || *begin == QLatin1Char('-'))) {
        negative = *begin == QLatin1Char('-');
        ++begin;
    }
    if (begin == end)
        return 0;
    constexpr qint64 Beyond = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (; begin != end; ++begin) {
        const ushort digit = begin->unicode() - ushort('0');
        if (digit > 9)
            return 0;
        value = value * 10 + digit;
        if (value > Beyond)
            return 0;
    }
    if (negative)
        return int(-value);
    return value == Beyond ? 0 : int(value);
}

} // namespace

QColor textToColor(const QString& text)
{
    if (text.isEmpty())
        return {};

    const int open = text.indexOf(QLatin1Char('('));
    const int from = open < 0 ? 0 : open + 1;
    const int close = text.indexOf(QLatin1Char(')'), from);
    // Read in place: a map of thousands of items reads three colours per
    // item, and the fields' copies showed in an open.
    const QChar* const end = text.constData() + (close < 0 ? text.size() : close);
    int components[4] = {0, 0, 0, 0};
    const QChar* field = text.constData() + from;
    for (int& component : components) {
        const QChar* fieldEnd = std::find(field, end, QLatin1Char(','));
        // QColor takes components 0 to 255 only; anything else is clamped
        // rather than left to wrap.
        component = qBound(0, fieldNumber(field, fieldEnd), 255);
        if (fieldEnd == end)
            break;
        field = fieldEnd + 1;
    }
    return QColor(components[0], components[1], components[2], components[3]);
}
