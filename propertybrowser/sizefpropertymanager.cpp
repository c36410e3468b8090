#include "sizefpropertymanager.h"

#include "doublepropertymanager.h"
#include "sizemanagercore.h"

#include <cmath>

namespace {
bool hasNaN(const QSizeF &size)
{
    return std::isnan(size.width()) || std::isnan(size.height());
}
} // namespace

class SizeFPropertyManagerPrivate : public SizeManagerCore<SizeFPropertyManager, QSizeF, DoublePropertyManager>
{
public:
    using SizeManagerCore::SizeManagerCore;
};

SizeFPropertyManager::SizeFPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<SizeFPropertyManagerPrivate>(this))
{
    d->subManager = new DoublePropertyManager(this);
    connect(d->subManager, &DoublePropertyManager::valueChanged, this, &SizeFPropertyManager::slotDoubleChanged);
    connect(d->subManager, &DoublePropertyManager::propertyDestroyed, this,
            &SizeFPropertyManager::slotPropertyDestroyed);
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
    if (!hasNaN(val))
        d->setValue(property, val);
}

void SizeFPropertyManager::setMinimum(Property *property, const QSizeF &minVal)
{
    Data *record = d->values.find(property);
    if (record && !hasNaN(minVal))
        d->announceRangeChange(property, record->setMinimum(minVal));
}

void SizeFPropertyManager::setMaximum(Property *property, const QSizeF &maxVal)
{
    Data *record = d->values.find(property);
    if (record && !hasNaN(maxVal))
        d->announceRangeChange(property, record->setMaximum(maxVal));
}

void SizeFPropertyManager::setRange(Property *property, const QSizeF &minVal, const QSizeF &maxVal)
{
    Data *record = d->values.find(property);
    if (record && !hasNaN(minVal) && !hasNaN(maxVal))
        d->announceRangeChange(property, record->setRange(minVal, maxVal));
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

void SizeFPropertyManager::slotDoubleChanged(Property *sub, double value)
{
    d->subPropertyChanged(sub, value);
}

void SizeFPropertyManager::slotPropertyDestroyed(Property *sub)
{
    d->forget(sub);
}

void SizeFPropertyManager::initializeProperty(Property *property)
{
    d->initialize(property, [this](Property *sub) { d->subManager->setDecimals(sub, 2); });
}

void SizeFPropertyManager::uninitializeProperty(Property *property)
{
    d->uninitialize(property);
}
