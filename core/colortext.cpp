#include "colortext.h"
#include "decimaltext.h"

#include <algorithm>

QString colorToText(const QColor& color)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

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
    bool anyNumber = false;
    const QChar* field = text.constData() + from;
    for (int& component : components) {
        const QChar* fieldEnd = std::find(field, end, QLatin1Char(','));
        bool read = false;
        // QColor takes components 0 to 255 only; anything else is clamped
        // rather than left to wrap.
        component = qBound(0, decimalInt(QStringView(field, fieldEnd), &read), 255);
        anyNumber = anyNumber || read;
        if (fieldEnd == end)
            break;
        field = fieldEnd + 1;
    }
    if (!anyNumber)
        return {};
    return QColor(components[0], components[1], components[2], components[3]);
}
