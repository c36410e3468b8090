#include "sizepropertymanager.h"

#include "intpropertymanager.h"
#include "sizemanagercore.h"

class SizePropertyManagerPrivate : public SizeManagerCore<SizePropertyManager, QSize, IntPropertyManager>
{
public:
    using SizeManagerCore::SizeManagerCore;
};

SizePropertyManager::SizePropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<SizePropertyManagerPrivate>(this))
{
    d->subManager = new IntPropertyManager(this);
    connect(d->subManager, &IntPropertyManager::valueChanged, this, &SizePropertyManager::slotIntChanged);
    connect(d->subManager, &IntPropertyManager::propertyDestroyed, this,
            &SizePropertyManager::slotPropertyDestroyed);
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
    return record ? tr("%1 x %2").arg(record->val.width()).arg(record->val.height()) : QString();
}

void SizePropertyManager::setValue(Property *property, const QSize &val)
{
    d->setValue(property, val);
}

void SizePropertyManager::setMinimum(Property *property, const QSize &minVal)
{
    if (Data *record = d->values.find(property))
        d->announceRangeChange(property, record->setMinimum(minVal));
}

void SizePropertyManager::setMaximum(Property *property, const QSize &maxVal)
{
    if (Data *record = d->values.find(property))
        d->announceRangeChange(property, record->setMaximum(maxVal));
}

void SizePropertyManager::setRange(Property *property, const QSize &minVal, const QSize &maxVal)
{
    if (Data *record = d->values.find(property))
        d->announceRangeChange(property, record->setRange(minVal, maxVal));
}

void SizePropertyManager::slotIntChanged(Property *sub, int value)
{
    d->subPropertyChanged(sub, value);
}

void SizePropertyManager::slotPropertyDestroyed(Property *sub)
{
    d->forget(sub);
}

void SizePropertyManager::initializeProperty(Property *property)
{
    d->initialize(property, [](Property *) {});
}

void SizePropertyManager::uninitializeProperty(Property *property)
{
    d->uninitialize(property);
}
