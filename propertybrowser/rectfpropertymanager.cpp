#include "rectfpropertymanager.h"

#include "doublepropertymanager.h"
#include "property.h"
#include "rectconstraint.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"

#include <cmath>
#include <QScopedValueRollback>

#include <limits>

namespace {
struct RectFData
{
    QRectF val{0, 0, 0, 0};
    QRectF constraint{0, 0, 0, 0};
    int decimals = 2;
};

bool hasNaN(const QRectF &rect)
{
    return std::isnan(rect.x()) || std::isnan(rect.y()) || std::isnan(rect.width()) || std::isnan(rect.height());
}

// The sub-property borders are kept in single precision, as the spin boxes
// that show them are.
double singlePrecision(double value)
{
    return double(float(value));
}

} // namespace

class RectFPropertyManagerPrivate
{
public:
    PropertyValueMap<RectFData> values;
    DoublePropertyManager *doubleManager = nullptr;
    SubPropertyMap x;
    SubPropertyMap y;
    SubPropertyMap width;
    SubPropertyMap height;
    // Set while the manager pushes ranges and values into the sub-properties:
    // a new range clamps a sub-property's old value, and that echo must not
    // move the rectangle that is being stored.
    bool pushing = false;

    void pushValue(const Property *property, const QRectF &rect)
    {
        doubleManager->setValue(x.sub(property), rect.x());
        doubleManager->setValue(y.sub(property), rect.y());
        doubleManager->setValue(width.sub(property), rect.width());
        doubleManager->setValue(height.sub(property), rect.height());
    }

    void pushRanges(const Property *property, const QRectF &constraint)
    {
        constexpr double lowest = double(std::numeric_limits<float>::lowest());
        constexpr double highest = double(std::numeric_limits<float>::max());
        if (constraint.isNull()) {
            doubleManager->setRange(x.sub(property), lowest, highest);
            doubleManager->setRange(y.sub(property), lowest, highest);
            doubleManager->setRange(width.sub(property), 0, highest);
            doubleManager->setRange(height.sub(property), 0, highest);
        } else {
            doubleManager->setRange(x.sub(property), singlePrecision(constraint.left()),
                                    singlePrecision(constraint.left() + constraint.width()));
            doubleManager->setRange(y.sub(property), singlePrecision(constraint.top()),
                                    singlePrecision(constraint.top() + constraint.height()));
            doubleManager->setRange(width.sub(property), 0, singlePrecision(constraint.width()));
            doubleManager->setRange(height.sub(property), 0, singlePrecision(constraint.height()));
        }
    }
};

RectFPropertyManager::RectFPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<RectFPropertyManagerPrivate>())
{
    d->doubleManager = new DoublePropertyManager(this);
    connect(d->doubleManager, &DoublePropertyManager::valueChanged, this, &RectFPropertyManager::slotDoubleChanged);
    connect(d->doubleManager, &DoublePropertyManager::propertyDestroyed, this,
            &RectFPropertyManager::slotPropertyDestroyed);
}

RectFPropertyManager::~RectFPropertyManager()
{
    clear();
}

DoublePropertyManager *RectFPropertyManager::doubleSubManager() const
{
    return d->doubleManager;
}

QRectF RectFPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &RectFData::val);
}

QRectF RectFPropertyManager::constraint(const Property *property) const
{
    return d->values.field(property, &RectFData::constraint);
}

int RectFPropertyManager::decimals(const Property *property) const
{
    return d->values.field(property, &RectFData::decimals);
}

void RectFPropertyManager::setDecimals(Property *property, int prec)
{
    RectFData *record = d->values.find(property);
    prec = qBound(0, prec, DoublePropertyManager::MaxDecimals);
    if (!record || record->decimals == prec)
        return;
    for (SubPropertyMap *map : {&d->x, &d->y, &d->width, &d->height})
        d->doubleManager->setDecimals(map->sub(property), prec);
    d->values.find(property)->decimals = prec;
    emit decimalsChanged(property, prec);
}

QString RectFPropertyManager::valueText(const Property *property) const
{
    const RectFData *record = d->values.find(property);
    if (!record)
        return QString();
    const QRectF &r = record->val;
    const auto number = [record](double value) { return QString::number(value, 'f', record->decimals); };
    return tr("[(%1, %2), %3 x %4]").arg(number(r.x()), number(r.y()), number(r.width()), number(r.height()));
}

void RectFPropertyManager::setValue(Property *property, const QRectF &val)
{
    RectFData *record = d->values.find(property);
    if (!record || hasNaN(val))
        return;
    QRectF rect = val.normalized();
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

void RectFPropertyManager::setConstraint(Property *property, const QRectF &constraint)
{
    RectFData *record = d->values.find(property);
    const QRectF normalized = constraint.normalized();
    if (!record || hasNaN(constraint) || record->constraint == normalized)
        return;
    const QRectF old = record->val;
    record->constraint = normalized;
    record->val = fitIntoConstraint(old, normalized);
    const QRectF rect = record->val;

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

void RectFPropertyManager::slotDoubleChanged(Property *sub, double value)
{
    if (d->pushing)
        return;
    Property *owner = nullptr;
    QRectF rect;
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

void RectFPropertyManager::slotPropertyDestroyed(Property *sub)
{
    d->x.forget(sub) || d->y.forget(sub) || d->width.forget(sub) || d->height.forget(sub);
}

void RectFPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
    for (SubPropertyMap *map : {&d->x, &d->y, &d->width, &d->height}) {
        const bool isSize = map == &d->width || map == &d->height;
        const QString name = map == &d->x ? tr("X") : map == &d->y ? tr("Y") : map == &d->width ? tr("Width")
                                                                                              : tr("Height");
        Property *sub = SubPropertyMap::create(d->doubleManager, name);
        d->doubleManager->setDecimals(sub, 2);
        d->doubleManager->setValue(sub, 0);
        if (isSize)
            d->doubleManager->setMinimum(sub, 0);
        map->attach(property, sub);
    }
}

void RectFPropertyManager::uninitializeProperty(Property *property)
{
    for (SubPropertyMap *map : {&d->x, &d->y, &d->width, &d->height})
        map->removeOwner(property);
    d->values.remove(property);
}
