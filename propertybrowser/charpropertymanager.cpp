#include "charpropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"


class CharPropertyManagerPrivate
{
public:
    PropertyValueMap<QChar> values;
};

CharPropertyManager::CharPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<CharPropertyManagerPrivate>())
{
}

CharPropertyManager::~CharPropertyManager()
{
    clear();
}

QChar CharPropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString CharPropertyManager::valueText(const Property *property) const
{
    const QChar *val = d->values.find(property);
    return val ? (val->isNull() ? QString() : QString(*val)) : QString();
}

void CharPropertyManager::setValue(Property *property, const QChar &val)
{
    if (!storeChangedValue(d->values, property, val))
        return;
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void CharPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property, QChar());
}

void CharPropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
