#include "datetimepropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"

#include <QLocale>

class DateTimePropertyManagerPrivate
{
public:
    PropertyValueMap<QDateTime> values;
    const QString format = QLocale().dateFormat(QLocale::ShortFormat) + QLatin1Char(' ')
        + QLocale().timeFormat(QLocale::ShortFormat);
};

DateTimePropertyManager::DateTimePropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<DateTimePropertyManagerPrivate>())
{
}

DateTimePropertyManager::~DateTimePropertyManager()
{
    clear();
}

QDateTime DateTimePropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString DateTimePropertyManager::valueText(const Property *property) const
{
    const QDateTime *val = d->values.find(property);
    return val ? val->toString(d->format) : QString();
}

void DateTimePropertyManager::setValue(Property *property, const QDateTime &val)
{
    if (!storeChangedValue(d->values, property, val))
        return;
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void DateTimePropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property, QDateTime::currentDateTime());
}

void DateTimePropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
