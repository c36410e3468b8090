#pragma once

#include "property.h"
#include "propertyvaluemap.h"
#include "sizerecord.h"
#include "subpropertymap.h"

// The shared body of the integer and floating-point size managers: the value
// records, the "Width" and "Height" sub-properties of the sub-manager, and
// the rules that keep them in step. Manager is the QObject that owns this
// core and whose signals it emits.
template <class Manager, class SizeT, class SubManager>
class SizeManagerCore
{
public:
    using Data = typename Manager::Data;

    explicit SizeManagerCore(Manager *manager) : q(manager) {}

    Manager *const q;
    PropertyValueMap<Data> values;
    SubManager *subManager = nullptr;
    SubPropertyMap width;
    SubPropertyMap height;

    QList<SubPropertyMap *> maps() { return {&width, &height}; }

    void setValue(Property *property, const SizeT &val)
    {
        Data *record = values.find(property);
        if (!record || sizesEqual(record->val, val))
            return;
        const SizeT bounded = record->bounded(val);
        if (sizesEqual(record->val, bounded))
            return;
        record->val = bounded;
        subManager->setValue(width.sub(property), bounded.width());
        subManager->setValue(height.sub(property), bounded.height());
        emit q->propertyChanged(property);
        emit q->valueChanged(property, bounded);
    }

    // rangeChanged first, then the sub-property borders and values, then the
    // value signals when the value moved.
    void announceRangeChange(Property *property, RangeChange change)
    {
        if (change == RangeChange::None)
            return;
        const Data record = values.value(property);
        emit q->rangeChanged(property, record.minVal, record.maxVal);
        subManager->setRange(width.sub(property), record.minVal.width(), record.maxVal.width());
        subManager->setValue(width.sub(property), record.val.width());
        subManager->setRange(height.sub(property), record.minVal.height(), record.maxVal.height());
        subManager->setValue(height.sub(property), record.val.height());
        if (change == RangeChange::RangeAndValue) {
            emit q->propertyChanged(property);
            emit q->valueChanged(property, record.val);
        }
    }

    template <class Coordinate>
    void subPropertyChanged(Property *sub, Coordinate value)
    {
        static void (SizeT::*const setters[])(Coordinate) = {&SizeT::setWidth, &SizeT::setHeight};
        takeSubValue(q, maps(), setters, sub, value);
    }

    void forget(const Property *sub) { SubPropertyMap::forgetIn(maps(), sub); }

    // prepare sets a new sub-property's attributes before its value.
    template <class Prepare>
    void initialize(Property *property, Prepare prepare)
    {
        values.reset(property);
        for (SubPropertyMap *map : maps()) {
            Property *sub = SubPropertyMap::create(
                subManager, map == &width ? Manager::tr("Width") : Manager::tr("Height"));
            prepare(sub);
            subManager->setValue(sub, 0);
            subManager->setMinimum(sub, 0);
            map->attach(property, sub);
        }
    }

    void uninitialize(Property *property)
    {
        SubPropertyMap::removeOwnerIn(maps(), property);
        values.remove(property);
    }
};
