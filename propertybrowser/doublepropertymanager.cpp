#include "doublepropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"

#include <QLocale>

#include <cmath>

class DoublePropertyManagerPrivate
{
public:
    PropertyValueMap<DoublePropertyManager::Data> values;
};

DoublePropertyManager::DoublePropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<DoublePropertyManagerPrivate>())
{
}

DoublePropertyManager::~DoublePropertyManager()
{
    clear();
}

double DoublePropertyManager::value(const Property *property) const
{
    return d->values.field(property, &Data::val);
}

double DoublePropertyManager::minimum(const Property *property) const
{
    return d->values.field(property, &Data::minVal);
}

double DoublePropertyManager::maximum(const Property *property) const
{
    return d->values.field(property, &Data::maxVal);
}

double DoublePropertyManager::singleStep(const Property *property) const
{
    return d->values.field(property, &Data::singleStep);
}

int DoublePropertyManager::decimals(const Property *property) const
{
    return d->values.field(property, &Data::decimals);
}

bool DoublePropertyManager::isReadOnly(const Property *property) const
{
    return d->values.field(property, &Data::readOnly);
}

QString DoublePropertyManager::valueText(const Property *property) const
{
    const Data *record = d->values.find(property);
    if (!record)
        return QString();
    // The operator's regional settings, not the program's default locale.
    return QLocale::system().toString(record->val, 'f', record->decimals);
}

void DoublePropertyManager::setValue(Property *property, double val)
{
    Data *record = d->values.find(property);
    if (!record || std::isnan(val) || !record->setBoundedValue(val))
        return;
    const double stored = record->val;
    emit propertyChanged(property);
    emit valueChanged(property, stored);
}

void DoublePropertyManager::setMinimum(Property *property, double minVal)
{
    Data *record = d->values.find(property);
    if (record && !std::isnan(minVal))
        announceRangeChange(this, property, record->setMinimum(minVal), *record);
}

void DoublePropertyManager::setMaximum(Property *property, double maxVal)
{
    Data *record = d->values.find(property);
    if (record && !std::isnan(maxVal))
        announceRangeChange(this, property, record->setMaximum(maxVal), *record);
}

void DoublePropertyManager::setRange(Property *property, double minVal, double maxVal)
{
    Data *record = d->values.find(property);
    if (record && !std::isnan(minVal) && !std::isnan(maxVal))
        announceRangeChange(this, property, record->setRange(minVal, maxVal), *record);
}

void DoublePropertyManager::setSingleStep(Property *property, double step)
{
    if (std::isnan(step))
        return;
    step = qMax(step, 0.0);
    if (storeChangedField(d->values, property, &Data::singleStep, step))
        emit singleStepChanged(property, step);
}

void DoublePropertyManager::setDecimals(Property *property, int prec)
{
    prec = qBound(0, prec, MaxDecimals);
    if (storeChangedField(d->values, property, &Data::decimals, prec))
        emit decimalsChanged(property, prec);
}

void DoublePropertyManager::setReadOnly(Property *property, bool readOnly)
{
    if (!storeChangedField(d->values, property, &Data::readOnly, readOnly))
        return;
    emit propertyChanged(property);
    emit readOnlyChanged(property, readOnly);
}

void DoublePropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
}

void DoublePropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
