#pragma once

#include <QString>
#include <QtGlobal>

#include <cmath>
#include <limits>

// What the amounts-in-words routines share: their limits and table look-ups.
// Whole parts are handled as 64-bit integers; a double above 2^53 no longer
// holds every whole number, so the routines that count in 64 bits stop well
// below it.
namespace NumberToWordsCommon {

// The largest whole part the 64-bit routines write (fifteen digits).
constexpr qint64 LargestWholePart = 999999999999999LL;

// The whole part of an amount, cut toward zero, when it is finite and within
// ±LargestWholePart; false otherwise (the caller then writes nothing).
inline bool wholePart(double amount, qint64* whole)
{
    if (!std::isfinite(amount))
        return false;
    const double cut = std::trunc(amount);
    if (std::fabs(cut) > double(LargestWholePart))
        return false;
    *whole = qint64(cut);
    return true;
}

// The whole part as a signed 32-bit integer, for the routines whose callers
// pass one; false when it does not fit.
inline bool wholePart32(double amount, int* whole)
{
    if (!std::isfinite(amount))
        return false;
    const double cut = std::trunc(amount);
    if (cut < double(std::numeric_limits<int>::min()) || cut > double(std::numeric_limits<int>::max()))
        return false;
    *whole = int(cut);
    return true;
}

// 10^power for the small powers the routines use (0 to 15).
inline qint64 powerOfTen(int power)
{
    qint64 result = 1;
    while (power-- > 0)
        result *= 10;
    return result;
}

// The largest of the given scale powers whose count is not 0, found the way
// every routine here walks its scale table: in ascending order, stopping at
// the first power whose count is 0. powers must start with one that n
// reaches. Returns the power; *count receives n div 10^power.
template <int N>
int largestScale(qint64 n, const int (&powers)[N], qint64* count)
{
    int found = powers[0];
    *count = n / powerOfTen(found);
    for (int power : powers) {
        const qint64 q = n / powerOfTen(power);
        if (q == 0)
            break;
        found = power;
        *count = q;
    }
    return found;
}

// The word of a number from 0 to 20 or of a whole ten up to 90, from the two
// tables of a language (UTF-8); any other number has none.
inline QString tableWord(qint64 n, const char* const (&small)[21], const char* const (&tens)[10])
{
    if (n < 0)
        return QString();
    if (n <= 20)
        return QString::fromUtf8(small[n]);
    if (n < 100 && n % 10 == 0)
        return QString::fromUtf8(tens[n / 10]);
    return QString();
}

} // namespace NumberToWordsCommon
