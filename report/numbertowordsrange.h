#pragma once

#include <QtGlobal>

#include <cmath>
#include <limits>

// Shared limits of the amounts-in-words routines. Whole parts are handled as
// 64-bit integers; a double above 2^53 no longer holds every whole number, so
// the routines that count in 64 bits stop well below it.
namespace NumberToWordsRange {

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

} // namespace NumberToWordsRange
