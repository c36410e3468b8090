#include "textbounds.h"

#include <QtMath>

#include <limits>

QString leftWhole(const QString& text, int length)
{
    if (length >= text.size())
        return text;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(qMax(0, length));
}

QString shownName(const QString& name)
{
    if (name.size() <= MaxShownNameLength)
        return name;
    return leftWhole(name, MaxShownNameLength - 1) + QChar(0x2026);
}

int lineCapacity(qreal width)
{
    const qreal pixels = qBound<qreal>(0, width, std::numeric_limits<int>::max() / 2 - 1);
    return 2 * qCeil(pixels) + 2;
}
