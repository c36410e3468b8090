#include "datepropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"

#include <QLocale>

class DatePropertyManagerPrivate
{
public:
    PropertyValueMap<DatePropertyManager::Data> values;
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
};

DatePropertyManager::DatePropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<DatePropertyManagerPrivate>())
{
}

DatePropertyManager::~DatePropertyManager()
{
    clear();
}

QDate DatePropertyManager::value(const Property *property) const
{
    return d->values.field(property, &Data::val);
}

QDate DatePropertyManager::minimum(const Property *property) const
{
    return d->values.field(property, &Data::minVal);
}

QDate DatePropertyManager::maximum(const Property *property) const
{
    return d->values.field(property, &Data::maxVal);
}

QString DatePropertyManager::valueText(const Property *property) const
{
    const Data *record = d->values.find(property);
    return record ? record->val.toString(d->format) : QString();
}

// An invalid date orders before every valid one, so it is raised to the minimum.
void DatePropertyManager::setValue(Property *property, const QDate &val)
{
    Data *record = d->values.find(property);
    if (!record || !record->setBoundedValue(val))
        return;
    const QDate stored = record->val;
    emit propertyChanged(property);
    emit valueChanged(property, stored);
}

void DatePropertyManager::setMinimum(Property *property, const QDate &minVal)
{
    if (Data *record = d->values.find(property))
        announceRangeChange(this, property, record->setMinimum(minVal), *record);
}

void DatePropertyManager::setMaximum(Property *property, const QDate &maxVal)
{
    if (Data *record = d->values.find(property))
        announceRangeChange(this, property, record->setMaximum(maxVal), *record);
}

void DatePropertyManager::setRange(Property *property, const QDate &minVal, const QDate &maxVal)
{
    if (Data *record = d->values.find(property))
        announceRangeChange(this, property, record->setRange(minVal, maxVal), *record);
}

void DatePropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
}

void DatePropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
