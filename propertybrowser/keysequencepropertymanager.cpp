#include "keysequencepropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"


class KeySequencePropertyManagerPrivate
{
public:
    PropertyValueMap<QKeySequence> values;
};

KeySequencePropertyManager::KeySequencePropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<KeySequencePropertyManagerPrivate>())
{
}

KeySequencePropertyManager::~KeySequencePropertyManager()
{
    clear();
}

QKeySequence KeySequencePropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString KeySequencePropertyManager::valueText(const Property *property) const
{
    const QKeySequence *val = d->values.find(property);
    return val ? val->toString(QKeySequence::NativeText) : QString();
}

void KeySequencePropertyManager::setValue(Property *property, const QKeySequence &val)
{
    if (!storeChangedValue(d->values, property, val))
        return;
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void KeySequencePropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property, QKeySequence());
}

void KeySequencePropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
