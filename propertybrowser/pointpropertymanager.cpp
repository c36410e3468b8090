#include "pointpropertymanager.h"

#include "intpropertymanager.h"
#include "property.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"

class PointPropertyManagerPrivate
{
public:
    PropertyValueMap<QPoint> values;
    IntPropertyManager *intManager = nullptr;
    SubPropertyMap x;
    SubPropertyMap y;

    QList<SubPropertyMap *> maps() { return {&x, &y}; }
};

PointPropertyManager::PointPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<PointPropertyManagerPrivate>())
{
    d->intManager = new IntPropertyManager(this);
    connect(d->intManager, &IntPropertyManager::valueChanged, this, &PointPropertyManager::slotIntChanged);
    connect(d->intManager, &IntPropertyManager::propertyDestroyed, this,
            &PointPropertyManager::slotPropertyDestroyed);
}

PointPropertyManager::~PointPropertyManager()
{
    clear();
}

IntPropertyManager *PointPropertyManager::intSubManager() const
{
    return d->intManager;
}

QPoint PointPropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString PointPropertyManager::valueText(const Property *property) const
{
    const QPoint *point = d->values.find(property);
    return point ? tr("(%1, %2)").arg(point->x()).arg(point->y()) : QString();
}

void PointPropertyManager::setValue(Property *property, const QPoint &val)
{
    if (!storeChangedValue(d->values, property, val))
        return;
    d->intManager->setValue(d->x.sub(property), val.x());
    d->intManager->setValue(d->y.sub(property), val.y());
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void PointPropertyManager::slotIntChanged(Property *sub, int value)
{
    static void (QPoint::*const setters[])(int) = {&QPoint::setX, &QPoint::setY};
    takeSubValue(this, d->maps(), setters, sub, value);
}

void PointPropertyManager::slotPropertyDestroyed(Property *sub)
{
    SubPropertyMap::forgetIn(d->maps(), sub);
}

void PointPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property, QPoint(0, 0));
    Property *x = SubPropertyMap::create(d->intManager, tr("X"));
    d->intManager->setValue(x, 0);
    d->x.attach(property, x);
    Property *y = SubPropertyMap::create(d->intManager, tr("Y"));
    d->intManager->setValue(y, 0);
    d->y.attach(property, y);
}

void PointPropertyManager::uninitializeProperty(Property *property)
{
    SubPropertyMap::removeOwnerIn(d->maps(), property);
    d->values.remove(property);
}
