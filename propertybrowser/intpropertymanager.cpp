#include "intpropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"

class IntPropertyManagerPrivate
{
public:
    PropertyValueMap<IntPropertyManager::Data> values;
};

IntPropertyManager::IntPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<IntPropertyManagerPrivate>())
{
}

IntPropertyManager::~IntPropertyManager()
{
    clear();
}

int IntPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &Data::val);
}

int IntPropertyManager::minimum(const Property *property) const
{
    return d->values.field(property, &Data::minVal);
}

int IntPropertyManager::maximum(const Property *property) const
{
    return d->values.field(property, &Data::maxVal);
}

int IntPropertyManager::singleStep(const Property *property) const
{
    return d->values.field(property, &Data::singleStep);
}

bool IntPropertyManager::isReadOnly(const Property *property) const
{
    return d->values.field(property, &Data::readOnly);
}

QString IntPropertyManager::valueText(const Property *property) const
{
    const Data *record = d->values.find(property);
    return record ? QString::number(record->val) : QString();
}

void IntPropertyManager::setValue(Property *property, int val)
{
    Data *record = d->values.find(property);
    if (!record || !record->setBoundedValue(val))
        return;
    const int stored = record->val;
    emit propertyChanged(property);
    emit valueChanged(property, stored);
}

void IntPropertyManager::setMinimum(Property *property, int minVal)
{
    if (Data *record = d->values.find(property))
        announceRangeChange(this, property, record->setMinimum(minVal), *record);
}

void IntPropertyManager::setMaximum(Property *property, int maxVal)
{
    if (Data *record = d->values.find(property))
        announceRangeChange(this, property, record->setMaximum(maxVal), *record);
}

void IntPropertyManager::setRange(Property *property, int minVal, int maxVal)
{
    if (Data *record = d->values.find(property))
        announceRangeChange(this, property, record->setRange(minVal, maxVal), *record);
}

void IntPropertyManager::setSingleStep(Property *property, int step)
{
    step = qMax(step, 0);
    if (storeChangedField(d->values, property, &Data::singleStep, step))
        emit singleStepChanged(property, step);
}

void IntPropertyManager::setReadOnly(Property *property, bool readOnly)
{
    if (!storeChangedField(d->values, property, &Data::readOnly, readOnly))
        return;
    emit propertyChanged(property);
    emit readOnlyChanged(property, readOnly);
}

void IntPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
}

void IntPropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
