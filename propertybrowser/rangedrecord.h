#pragma once

#include <utility>

class Property;

// What a border change did to a bordered value record.
enum class RangeChange { None, Range, RangeAndValue };

// Value with a lower and an upper border (integer, double and date records).
// The border that is set always wins: it drags the other border and the
// value along, so minVal <= val <= maxVal holds after every change.
template <class T>
struct RangedRecord
{
    T val;
    T minVal;
    T maxVal;

    T minimumValue() const { return minVal; }
    T maximumValue() const { return maxVal; }

    void setMinimumValue(const T &v)
    {
        minVal = v;
        if (maxVal < minVal)
            maxVal = minVal;
        if (val < minVal)
            val = minVal;
    }

    void setMaximumValue(const T &v)
    {
        maxVal = v;
        if (maxVal < minVal)
            minVal = maxVal;
        if (maxVal < val)
            val = maxVal;
    }

    // Asking for the current value is a no-op even when it lies outside the
    // borders; a request beyond a border the value already sits on is too.
    bool setBoundedValue(const T &requested)
    {
        if (val == requested)
            return false;
        T bounded = requested;
        if (maxVal < bounded)
            bounded = maxVal;
        if (bounded < minVal)
            bounded = minVal;
        if (bounded == val)
            return false;
        val = bounded;
        return true;
    }

    RangeChange setRange(T low, T high)
    {
        if (high < low)
            std::swap(low, high);
        if (minVal == low && maxVal == high)
            return RangeChange::None;
        const T old = val;
        setMinimumValue(low);
        setMaximumValue(high);
        return old == val ? RangeChange::Range : RangeChange::RangeAndValue;
    }

    RangeChange setMinimum(const T &v)
    {
        if (minVal == v)
            return RangeChange::None;
        const T old = val;
        setMinimumValue(v);
        return old == val ? RangeChange::Range : RangeChange::RangeAndValue;
    }

    RangeChange setMaximum(const T &v)
    {
        if (maxVal == v)
            return RangeChange::None;
        const T old = val;
        setMaximumValue(v);
        return old == val ? RangeChange::Range : RangeChange::RangeAndValue;
    }
};

// Emits the signals of a border change in their fixed order: rangeChanged
// first, then propertyChanged and valueChanged when the value moved. The
// record is copied first so that slots may change the manager's map.
template <class Manager, class Record>
void announceRangeChange(Manager *manager, Property *property, RangeChange change, Record record)
{
    if (change == RangeChange::None)
        return;
    emit manager->rangeChanged(property, record.minVal, record.maxVal);
    if (change == RangeChange::RangeAndValue) {
        emit manager->propertyChanged(property);
        emit manager->valueChanged(property, record.val);
    }
}
