#include "timepropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"

#include <QLocale>

class TimePropertyManagerPrivate
{
public:
    PropertyValueMap<QTime> values;
    const QString format = QLocale().timeFormat(QLocale::ShortFormat);
};

TimePropertyManager::TimePropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<TimePropertyManagerPrivate>())
{
}

TimePropertyManager::~TimePropertyManager()
{
    clear();
}

QTime TimePropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString TimePropertyManager::valueText(const Property *property) const
{
    const QTime *val = d->values.find(property);
    return val ? val->toString(d->format) : QString();
}

void TimePropertyManager::setValue(Property *property, const QTime &val)
{
    if (!storeChangedValue(d->values, property, val))
        return;
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void TimePropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property, QTime::currentTime());
}

void TimePropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
