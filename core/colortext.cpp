#include "colortext.h"

#include <QStringList>
#include <QVector>

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
    // References into the text: a map of thousands of items reads three
    // colours per item, and copies of every field showed in an open.
    const QVector<QStringRef> fields = text.midRef(from, close < 0 ? -1 : close - from).split(QLatin1Char(','));

    // QColor takes components 0 to 255 only; anything else is clamped rather
    // than left to wrap.
    const auto component = [&fields](int i) {
        return i < fields.size() ? qBound(0, fields.at(i).trimmed().toInt(), 255) : 0;
    };
    QColor color(0, 0, 0, 0);
    color.setRed(component(0));
    color.setGreen(component(1));
    color.setBlue(component(2));
    color.setAlpha(component(3));
    return color;
}
