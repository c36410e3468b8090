#include "pointfpropertymanager.h"

#include "doublepropertymanager.h"
#include "property.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"

#include <cmath>

namespace {
struct PointFData
{
    QPointF val;
    int decimals = 2;
};

constexpr double PointTolerance = 1e-12;
} // namespace

class PointFPropertyManagerPrivate
{
public:
    PropertyValueMap<PointFData> values;
    DoublePropertyManager *doubleManager = nullptr;
    SubPropertyMap x;
    SubPropertyMap y;

    QList<SubPropertyMap *> maps() { return {&x, &y}; }
};

PointFPropertyManager::PointFPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<PointFPropertyManagerPrivate>())
{
    d->doubleManager = new DoublePropertyManager(this);
    connect(d->doubleManager, &DoublePropertyManager::valueChanged, this,
            &PointFPropertyManager::slotDoubleChanged);
    connect(d->doubleManager, &DoublePropertyManager::propertyDestroyed, this,
            &PointFPropertyManager::slotPropertyDestroyed);
}

PointFPropertyManager::~PointFPropertyManager()
{
    clear();
}

DoublePropertyManager *PointFPropertyManager::doubleSubManager() const
{
    return d->doubleManager;
}

QPointF PointFPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &PointFData::val);
}

int PointFPropertyManager::decimals(const Property *property) const
{
    return d->values.field(property, &PointFData::decimals);
}

QString PointFPropertyManager::valueText(const Property *property) const
{
    const PointFData *record = d->values.find(property);
    if (!record)
        return QString();
    return tr("(%1, %2)")
        .arg(QString::number(record->val.x(), 'f', record->decimals))
        .arg(QString::number(record->val.y(), 'f', record->decimals));
}

void PointFPropertyManager::setValue(Property *property, const QPointF &val)
{
    PointFData *record = d->values.find(property);
    if (!record || std::isnan(val.x()) || std::isnan(val.y()))
        return;
    if (std::abs(record->val.x() - val.x()) <= PointTolerance
        && std::abs(record->val.y() - val.y()) <= PointTolerance)
        return;
    record->val = val;
    d->doubleManager->setValue(d->x.sub(property), val.x());
    d->doubleManager->setValue(d->y.sub(property), val.y());
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void PointFPropertyManager::setDecimals(Property *property, int prec)
{
    PointFData *record = d->values.find(property);
    prec = qBound(0, prec, DoublePropertyManager::MaxDecimals);
    if (!record || record->decimals == prec)
        return;
    d->doubleManager->setDecimals(d->x.sub(property), prec);
    d->doubleManager->setDecimals(d->y.sub(property), prec);
    d->values.find(property)->decimals = prec;
    emit decimalsChanged(property, prec);
}

void PointFPropertyManager::slotDoubleChanged(Property *sub, double value)
{
    static void (QPointF::*const setters[])(qreal) = {&QPointF::setX, &QPointF::setY};
    takeSubValue(this, d->maps(), setters, sub, value);
}

void PointFPropertyManager::slotPropertyDestroyed(Property *sub)
{
    SubPropertyMap::forgetIn(d->maps(), sub);
}

void PointFPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
    for (SubPropertyMap *map : d->maps()) {
        Property *sub = SubPropertyMap::create(d->doubleManager, map == &d->x ? tr("X") : tr("Y"));
        d->doubleManager->setDecimals(sub, 2);
        d->doubleManager->setValue(sub, 0);
        map->attach(property, sub);
    }
}

void PointFPropertyManager::uninitializeProperty(Property *property)
{
    SubPropertyMap::removeOwnerIn(d->maps(), property);
    d->values.remove(property);
}
