#include "decimaltext.h"

#include <limits>

int decimalInt(QStringView text, bool* read)
{
    if (read)
        *read = false;
    const QChar* begin = text.begin();
    const QChar* end = text.end();
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
    // Beyond fits only as the smallest int.
    const bool fits = negative || value != Beyond;
    if (read)
        *read = fits;
    if (!fits)
        return 0;
    return negative ? int(-value) : int(value);
}
