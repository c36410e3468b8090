#pragma once

#include "rangedrecord.h"

#include <QSize>
#include <QSizeF>

#include <utility>

inline bool sizesEqual(const QSize &a, const QSize &b)
{
    return a == b;
}

inline bool sizesEqual(const QSizeF &a, const QSizeF &b)
{
    return qFuzzyCompare(a.width(), b.width()) && qFuzzyCompare(a.height(), b.height());
}

// A size with a lower and an upper border, kept coordinate by coordinate:
// width and height are bounded each on its own. The border that is set
// always wins, as for the scalar records.
template <class SizeT>
struct SizeRecord
{
    SizeT val;
    SizeT minVal;
    SizeT maxVal;

    SizeT minimumValue() const { return minVal; }
    SizeT maximumValue() const { return maxVal; }

    void setMinimumValue(const SizeT &v)
    {
        minVal = v;
        if (maxVal.width() < minVal.width())
            maxVal.setWidth(minVal.width());
        if (maxVal.height() < minVal.height())
            maxVal.setHeight(minVal.height());
        if (val.width() < minVal.width())
            val.setWidth(minVal.width());
        if (val.height() < minVal.height())
            val.setHeight(minVal.height());
    }

    void setMaximumValue(const SizeT &v)
    {
        maxVal = v;
        if (minVal.width() > maxVal.width())
            minVal.setWidth(maxVal.width());
        if (minVal.height() > maxVal.height())
            minVal.setHeight(maxVal.height());
        if (val.width() > maxVal.width())
            val.setWidth(maxVal.width());
        if (val.height() > maxVal.height())
            val.setHeight(maxVal.height());
    }

    SizeT bounded(const SizeT &v) const
    {
        return SizeT(qMax(minVal.width(), qMin(v.width(), maxVal.width())),
                     qMax(minVal.height(), qMin(v.height(), maxVal.height())));
    }

    // Each dimension of the bounds is put in order on its own.
    RangeChange setRange(SizeT low, SizeT high)
    {
        if (low.width() > high.width()) {
            const auto width = low.width();
            low.setWidth(high.width());
            high.setWidth(width);
        }
        if (low.height() > high.height()) {
            const auto height = low.height();
            low.setHeight(high.height());
            high.setHeight(height);
        }
        if (sizesEqual(minVal, low) && sizesEqual(maxVal, high))
            return RangeChange::None;
        const SizeT old = val;
        setMinimumValue(low);
        setMaximumValue(high);
        return outcome(old);
    }

    RangeChange setMinimum(const SizeT &v)
    {
        if (sizesEqual(minVal, v))
            return RangeChange::None;
        const SizeT old = val;
        setMinimumValue(v);
        return outcome(old);
    }

    RangeChange setMaximum(const SizeT &v)
    {
        if (sizesEqual(maxVal, v))
            return RangeChange::None;
        const SizeT old = val;
        setMaximumValue(v);
        return outcome(old);
    }

private:
    RangeChange outcome(const SizeT &old) const
    {
        return sizesEqual(old, val) ? RangeChange::Range : RangeChange::RangeAndValue;
    }
};
