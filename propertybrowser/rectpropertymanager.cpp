#include "rectpropertymanager.h"

#include "intpropertymanager.h"
#include "property.h"
#include "rectconstraint.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"

#include <QScopedValueRollback>

#include <limits>

namespace {
struct RectData
{
    QRect val;
    QRect constraint;
};

} // namespace

class RectPropertyManagerPrivate
{
public:
    PropertyValueMap<RectData> values;
    IntPropertyManager *intManager = nullptr;
    SubPropertyMap x;
    SubPropertyMap y;
    SubPropertyMap width;
    SubPropertyMap height;
    // Set while the manager pushes ranges and values into the sub-properties:
    // a new range clamps a sub-property's old value, and that echo must not
    // move the rectangle that is being stored.
    bool pushing = false;

    void pushValue(const Property *property, const QRect &rect)
    {
        intManager->setValue(x.sub(property), rect.x());
        intManager->setValue(y.sub(property), rect.y());
        intManager->setValue(width.sub(property), rect.width());
        intManager->setValue(height.sub(property), rect.height());
    }

    void pushRanges(const Property *property, const QRect &constraint)
    {
        constexpr int lowest = std::numeric_limits<int>::min();
        constexpr int highest = std::numeric_limits<int>::max();
        if (constraint.isNull()) {
            intManager->setRange(x.sub(property), lowest, highest);
            intManager->setRange(y.sub(property), lowest, highest);
            intManager->setRange(width.sub(property), 0, highest);
            intManager->setRange(height.sub(property), 0, highest);
        } else {
            intManager->setRange(x.sub(property), constraint.left(), constraint.left() + constraint.width());
            intManager->setRange(y.sub(property), constraint.top(), constraint.top() + constraint.height());
            intManager->setRange(width.sub(property), 0, constraint.width());
            intManager->setRange(height.sub(property), 0, constraint.height());
        }
    }
};

RectPropertyManager::RectPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<RectPropertyManagerPrivate>())
{
    d->intManager = new IntPropertyManager(this);
    connect(d->intManager, &IntPropertyManager::valueChanged, this, &RectPropertyManager::slotIntChanged);
    connect(d->intManager, &IntPropertyManager::propertyDestroyed, this,
            &RectPropertyManager::slotPropertyDestroyed);
}

RectPropertyManager::~RectPropertyManager()
{
    clear();
}

IntPropertyManager *RectPropertyManager::intSubManager() const
{
    return d->intManager;
}

QRect RectPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &RectData::val);
}

QRect RectPropertyManager::constraint(const Property *property) const
{
    return d->values.field(property, &RectData::constraint);
}

QString RectPropertyManager::valueText(const Property *property) const
{
    const RectData *record = d->values.find(property);
    if (!record)
        return QString();
    const QRect &r = record->val;
    return tr("[(%1, %2), %3 x %4]").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

void RectPropertyManager::setValue(Property *property, const QRect &val)
{
    RectData *record = d->values.find(property);
    if (!record)
        return;
    QRect rect = val.normalized();
    if (!clipToConstraint(rect, record->constraint) || record->val == rect)
        return;
    record->val = rect;
    {
        const QScopedValueRollback<bool> guard(d->pushing, true);
        d->pushValue(property, rect);
    }
    emit propertyChanged(property);
    emit valueChanged(property, rect);
}

void RectPropertyManager::setConstraint(Property *property, const QRect &constraint)
{
    RectData *record = d->values.find(property);
    const QRect normalized = constraint.normalized();
    if (!record || record->constraint == normalized)
        return;
    const QRect old = record->val;
    record->constraint = normalized;
    record->val = fitIntoConstraint(old, normalized);
    const QRect rect = record->val;

    emit constraintChanged(property, normalized);
    {
        const QScopedValueRollback<bool> guard(d->pushing, true);
        d->pushRanges(property, normalized);
        d->pushValue(property, rect);
    }
    if (rect != old) {
        emit propertyChanged(property);
        emit valueChanged(property, rect);
    }
}

void RectPropertyManager::slotIntChanged(Property *sub, int value)
{
    if (d->pushing)
        return;
    Property *owner = nullptr;
    QRect rect;
    const auto start = [&](const SubPropertyMap &map) {
        owner = map.owner(sub);
        rect = this->value(owner);
        return owner != nullptr;
    };
    if (start(d->x)) {
        rect.moveLeft(value);
    } else if (start(d->y)) {
        rect.moveTop(value);
    } else if (start(d->width)) {
        rect = withWidth(rect, value, constraint(owner));
    } else if (start(d->height)) {
        rect = withHeight(rect, value, constraint(owner));
    } else {
        return;
    }
    setValue(owner, rect);
}

void RectPropertyManager::slotPropertyDestroyed(Property *sub)
{
    d->x.forget(sub) || d->y.forget(sub) || d->width.forget(sub) || d->height.forget(sub);
}

void RectPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
    for (SubPropertyMap *map : {&d->x, &d->y, &d->width, &d->height}) {
        const bool isSize = map == &d->width || map == &d->height;
        const QString name = map == &d->x ? tr("X") : map == &d->y ? tr("Y") : map == &d->width ? tr("Width")
                                                                                              : tr("Height");
        Property *sub = SubPropertyMap::create(d->intManager, name);
        d->intManager->setValue(sub, 0);
        if (isSize)
            d->intManager->setMinimum(sub, 0);
        map->attach(property, sub);
    }
}

void RectPropertyManager::uninitializeProperty(Property *property)
{
    for (SubPropertyMap *map : {&d->x, &d->y, &d->width, &d->height})
        map->removeOwner(property);
    d->values.remove(property);
}
