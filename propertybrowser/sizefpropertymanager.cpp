#include "sizefpropertymanager.h"

#include "doublepropertymanager.h"
#include "property.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"

#include <cmath>

namespace {
bool hasNaN(const QSizeF &size)
{
    return std::isnan(size.width()) || std::isnan(size.height());
}
} // namespace

class SizeFPropertyManagerPrivate
{
public:
    PropertyValueMap<SizeFPropertyManager::Data> values;
    DoublePropertyManager *subManager = nullptr;
    SubPropertyMap width;
    SubPropertyMap height;

    // Pushes the borders and then the value into both sub-properties.
    void pushRangeAndValue(const Property *property)
    {
        const SizeFPropertyManager::Data record = values.value(property);
        subManager->setRange(width.sub(property), record.minVal.width(), record.maxVal.width());
        subManager->setValue(width.sub(property), record.val.width());
        subManager->setRange(height.sub(property), record.minVal.height(), record.maxVal.height());
        subManager->setValue(height.sub(property), record.val.height());
    }
};

SizeFPropertyManager::SizeFPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<SizeFPropertyManagerPrivate>())
{
    d->subManager = new DoublePropertyManager(this);
    connect(d->subManager, &DoublePropertyManager::valueChanged, this, &SizeFPropertyManager::slotDoubleChanged);
    connect(d->subManager, &DoublePropertyManager::propertyDestroyed, this, &SizeFPropertyManager::slotPropertyDestroyed);
}

SizeFPropertyManager::~SizeFPropertyManager()
{
    clear();
}

DoublePropertyManager *SizeFPropertyManager::doubleSubManager() const
{
    return d->subManager;
}

QSizeF SizeFPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &Data::val);
}

QSizeF SizeFPropertyManager::minimum(const Property *property) const
{
    return d->values.field(property, &Data::minVal);
}

QSizeF SizeFPropertyManager::maximum(const Property *property) const
{
    return d->values.field(property, &Data::maxVal);
}

int SizeFPropertyManager::decimals(const Property *property) const
{
    return d->values.field(property, &Data::decimals);
}

void SizeFPropertyManager::setDecimals(Property *property, int prec)
{
    Data *record = d->values.find(property);
    prec = qBound(0, prec, DoublePropertyManager::MaxDecimals);
    if (!record || record->decimals == prec)
        return;
    d->subManager->setDecimals(d->width.sub(property), prec);
    d->subManager->setDecimals(d->height.sub(property), prec);
    d->values.find(property)->decimals = prec;
    emit decimalsChanged(property, prec);
}

QString SizeFPropertyManager::valueText(const Property *property) const
{
    const Data *record = d->values.find(property);
    if (!record)
        return QString();
    return tr("%1 x %2").arg(QString::number(record->val.width(), 'f', record->decimals),
                             QString::number(record->val.height(), 'f', record->decimals));
}

void SizeFPropertyManager::setValue(Property *property, const QSizeF &val)
{
    Data *record = d->values.find(property);
    if (!record || hasNaN(val) || sizesEqual(record->val, val))
        return;
    const QSizeF bounded = record->bounded(val);
    if (sizesEqual(record->val, bounded))
        return;
    record->val = bounded;
    d->subManager->setValue(d->width.sub(property), bounded.width());
    d->subManager->setValue(d->height.sub(property), bounded.height());
    emit propertyChanged(property);
    emit valueChanged(property, bounded);
}

void SizeFPropertyManager::applyRangeChange(Property *property, RangeChange change)
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

void SizeFPropertyManager::setMinimum(Property *property, const QSizeF &minVal)
{
    Data *record = d->values.find(property);
    if (record && !hasNaN(minVal))
        applyRangeChange(property, record->setMinimum(minVal));
}

void SizeFPropertyManager::setMaximum(Property *property, const QSizeF &maxVal)
{
    Data *record = d->values.find(property);
    if (record && !hasNaN(maxVal))
        applyRangeChange(property, record->setMaximum(maxVal));
}

void SizeFPropertyManager::setRange(Property *property, const QSizeF &minVal, const QSizeF &maxVal)
{
    Data *record = d->values.find(property);
    if (record && !hasNaN(minVal) && !hasNaN(maxVal))
        applyRangeChange(property, record->setRange(minVal, maxVal));
}

void SizeFPropertyManager::slotDoubleChanged(Property *sub, double value)
{
    if (Property *owner = d->width.owner(sub)) {
        QSizeF size = this->value(owner);
        size.setWidth(value);
        setValue(owner, size);
    } else if (Property *owner = d->height.owner(sub)) {
        QSizeF size = this->value(owner);
        size.setHeight(value);
        setValue(owner, size);
    }
}

void SizeFPropertyManager::slotPropertyDestroyed(Property *sub)
{
    d->width.forget(sub) || d->height.forget(sub);
}

void SizeFPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
    for (SubPropertyMap *map : {&d->width, &d->height}) {
        Property *sub = SubPropertyMap::create(d->subManager, map == &d->width ? tr("Width") : tr("Height"));
        d->subManager->setDecimals(sub, 2);
        d->subManager->setValue(sub, 0);
        d->subManager->setMinimum(sub, 0);
        map->attach(property, sub);
    }
}

void SizeFPropertyManager::uninitializeProperty(Property *property)
{
    d->width.removeOwner(property);
    d->height.removeOwner(property);
    d->values.remove(property);
}
