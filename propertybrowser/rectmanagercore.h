#pragma once

#include "property.h"
#include "propertyvaluemap.h"
#include "rectconstraint.h"
#include "subpropertymap.h"

#include <QScopedValueRollback>

// The shared body of the integer and floating-point rectangle managers: the
// value records (Data with val and constraint), the "X", "Y", "Width" and
// "Height" sub-properties, and the constraint rules. Bounds gives the
// sub-property borders: lowest and highest for an open constraint, and
// border() for a coordinate of the constraint.
template <class Manager, class RectT, class SubManager, class Data, class Bounds>
class RectManagerCore
{
public:
    explicit RectManagerCore(Manager *manager) : q(manager) {}

    Manager *const q;
    PropertyValueMap<Data> values;
    SubManager *subManager = nullptr;
    SubPropertyMap x;
    SubPropertyMap y;
    SubPropertyMap width;
    SubPropertyMap height;
    // Set while the manager pushes ranges and values into the sub-properties:
    // a new range clamps a sub-property's old value, and that echo must not
    // move the rectangle that is being stored.
    bool pushing = false;

    QList<SubPropertyMap *> maps() { return {&x, &y, &width, &height}; }

    void setValue(Property *property, const RectT &val)
    {
        Data *record = values.find(property);
        if (!record)
            return;
        RectT rect = val.normalized();
        if (!clipToConstraint(rect, record->constraint) || record->val == rect)
            return;
        record->val = rect;
        {
            const QScopedValueRollback<bool> guard(pushing, true);
            pushValue(property, rect);
        }
        emit q->propertyChanged(property);
        emit q->valueChanged(property, rect);
    }

    void setConstraint(Property *property, const RectT &constraint)
    {
        Data *record = values.find(property);
        const RectT normalized = constraint.normalized();
        if (!record || record->constraint == normalized)
            return;
        const RectT old = record->val;
        record->constraint = normalized;
        record->val = fitIntoConstraint(old, normalized);
        const RectT rect = record->val;

        emit q->constraintChanged(property, normalized);
        {
            const QScopedValueRollback<bool> guard(pushing, true);
            pushRanges(property, normalized);
            pushValue(property, rect);
        }
        if (rect != old) {
            emit q->propertyChanged(property);
            emit q->valueChanged(property, rect);
        }
    }

    template <class Coordinate>
    void subPropertyChanged(Property *sub, Coordinate value)
    {
        if (pushing)
            return;
        Property *owner = nullptr;
        Data record;
        const auto start = [&](const SubPropertyMap &map) {
            owner = map.owner(sub);
            record = values.value(owner);
            return owner != nullptr;
        };
        RectT rect;
        if (start(x)) {
            rect = record.val;
            rect.moveLeft(value);
        } else if (start(y)) {
            rect = record.val;
            rect.moveTop(value);
        } else if (start(width)) {
            rect = withWidth(record.val, value, record.constraint);
        } else if (start(height)) {
            rect = withHeight(record.val, value, record.constraint);
        } else {
            return;
        }
        q->setValue(owner, rect);
    }

    void forget(const Property *sub) { SubPropertyMap::forgetIn(maps(), sub); }

    // prepare sets a new sub-property's attributes before its value.
    template <class Prepare>
    void initialize(Property *property, Prepare prepare)
    {
        values.reset(property);
        const QString names[] = {Manager::tr("X"), Manager::tr("Y"), Manager::tr("Width"), Manager::tr("Height")};
        int i = 0;
        for (SubPropertyMap *map : maps()) {
            Property *sub = SubPropertyMap::create(subManager, names[i++]);
            prepare(sub);
            subManager->setValue(sub, 0);
            if (map == &width || map == &height)
                subManager->setMinimum(sub, 0);
            map->attach(property, sub);
        }
    }

    void uninitialize(Property *property)
    {
        SubPropertyMap::removeOwnerIn(maps(), property);
        values.remove(property);
    }

    template <class Number>
    QString text(const Property *property, Number number) const
    {
        const Data *record = values.find(property);
        if (!record)
            return QString();
        const RectT &r = record->val;
        return Manager::tr("[(%1, %2), %3 x %4]")
            .arg(number(r.x()), number(r.y()), number(r.width()), number(r.height()));
    }

private:
    void pushValue(const Property *property, const RectT &rect)
    {
        subManager->setValue(x.sub(property), rect.x());
        subManager->setValue(y.sub(property), rect.y());
        subManager->setValue(width.sub(property), rect.width());
        subManager->setValue(height.sub(property), rect.height());
    }

    void pushRanges(const Property *property, const RectT &constraint)
    {
        if (constraint.isNull()) {
            subManager->setRange(x.sub(property), Bounds::lowest, Bounds::highest);
            subManager->setRange(y.sub(property), Bounds::lowest, Bounds::highest);
            subManager->setRange(width.sub(property), 0, Bounds::highest);
            subManager->setRange(height.sub(property), 0, Bounds::highest);
            return;
        }
        subManager->setRange(x.sub(property), Bounds::border(constraint.left()),
                             Bounds::border(constraint.left() + constraint.width()));
        subManager->setRange(y.sub(property), Bounds::border(constraint.top()),
                             Bounds::border(constraint.top() + constraint.height()));
        subManager->setRange(width.sub(property), 0, Bounds::border(constraint.width()));
        subManager->setRange(height.sub(property), 0, Bounds::border(constraint.height()));
    }
};
