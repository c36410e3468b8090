#include "dottedquad.h"

#include <QVector>

namespace {
constexpr int PartCount = 4;
constexpr int MaxPartDigits = 3;
constexpr int MaxPartValue = 255;
}

bool isDottedQuad(const QString& text)
{
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char('.'));
    if (parts.size() != PartCount)
        return false;
    for (const QStringRef& part : parts) {
        if (part.isEmpty() || part.size() > MaxPartDigits || (part.size() > 1 && part.at(0) == QLatin1Char('0')))
            return false;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        if (part.toInt() > MaxPartValue)
            return false;
    }
    return true;
}
