#include "sizepropertymanager.h"

#include "intpropertymanager.h"
#include "property.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"


class SizePropertyManagerPrivate
{
public:
    PropertyValueMap<SizePropertyManager::Data> values;
    IntPropertyManager *subManager = nullptr;
    SubPropertyMap width;
    SubPropertyMap height;

    // Pushes the borders and then the value into both sub-properties.
    void pushRangeAndValue(const Property *property)
    {
        const SizePropertyManager::Data record = values.value(property);
        subManager->setRange(width.sub(property), record.minVal.width(), record.maxVal.width());
        subManager->setValue(width.sub(property), record.val.width());
        subManager->setRange(height.sub(property), record.minVal.height(), record.maxVal.height());
        subManager->setValue(height.sub(property), record.val.height());
    }
};

SizePropertyManager::SizePropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<SizePropertyManagerPrivate>())
{
    d->subManager = new IntPropertyManager(this);
    connect(d->subManager, &IntPropertyManager::valueChanged, this, &SizePropertyManager::slotIntChanged);
    connect(d->subManager, &IntPropertyManager::propertyDestroyed, this, &SizePropertyManager::slotPropertyDestroyed);
}

SizePropertyManager::~SizePropertyManager()
{
    clear();
}

IntPropertyManager *SizePropertyManager::intSubManager() const
{
    return d->subManager;
}

QSize SizePropertyManager::value(const Property *property) const
{
    return d->values.field(property, &Data::val);
}

QSize SizePropertyManager::minimum(const Property *property) const
{
    return d->values.field(property, &Data::minVal);
}

QSize SizePropertyManager::maximum(const Property *property) const
{
    return d->values.field(property, &Data::maxVal);
}

QString SizePropertyManager::valueText(const Property *property) const
{
    const Data *record = d->values.find(property);
    if (!record)
        return QString();
    return tr("%1 x %2").arg(record->val.width()).arg(record->val.height());
}

void SizePropertyManager::setValue(Property *property, const QSize &val)
{
    Data *record = d->values.find(property);
    if (!record || sizesEqual(record->val, val))
        return;
    const QSize bounded = record->bounded(val);
    if (sizesEqual(record->val, bounded))
        return;
    record->val = bounded;
    d->subManager->setValue(d->width.sub(property), bounded.width());
    d->subManager->setValue(d->height.sub(property), bounded.height());
    emit propertyChanged(property);
    emit valueChanged(property, bounded);
}

void SizePropertyManager::applyRangeChange(Property *property, RangeChange change)
{
    if (change == RangeChange::None)
        return;
    const Data record = d->values.value(property);
    emit rangeChanged(property, record.minVal, record.maxVal);
    d->pushRangeAndValue(property);
    if (change == RangeChange::RangeAndValue) {
        emit propertyChanged(property);
        emit valueChanged(property, record.val);
    }
}

void SizePropertyManager::setMinimum(Property *property, const QSize &minVal)
{
    Data *record = d->values.find(property);
    if (record)
        applyRangeChange(property, record->setMinimum(minVal));
}

void SizePropertyManager::setMaximum(Property *property, const QSize &maxVal)
{
    Data *record = d->values.find(property);
    if (record)
        applyRangeChange(property, record->setMaximum(maxVal));
}

void SizePropertyManager::setRange(Property *property, const QSize &minVal, const QSize &maxVal)
{
    Data *record = d->values.find(property);
    if (record)
        applyRangeChange(property, record->setRange(minVal, maxVal));
}

void SizePropertyManager::slotIntChanged(Property *sub, int value)
{
    if (Property *owner = d->width.owner(sub)) {
        QSize size = this->value(owner);
        size.setWidth(value);
        setValue(owner, size);
    } else if (Property *owner = d->height.owner(sub)) {
        QSize size = this->value(owner);
        size.setHeight(value);
        setValue(owner, size);
    }
}

void SizePropertyManager::slotPropertyDestroyed(Property *sub)
{
    d->width.forget(sub) || d->height.forget(sub);
}

void SizePropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
    for (SubPropertyMap *map : {&d->width, &d->height}) {
        Property *sub = SubPropertyMap::create(d->subManager, map == &d->width ? tr("Width") : tr("Height"));
        d->subManager->setValue(sub, 0);
        d->subManager->setMinimum(sub, 0);
        map->attach(property, sub);
    }
}

void SizePropertyManager::uninitializeProperty(Property *property)
{
    d->width.removeOwner(property);
    d->height.removeOwner(property);
    d->values.remove(property);
}
