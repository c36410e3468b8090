#include "enumpropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"

class EnumPropertyManagerPrivate
{
public:
    PropertyValueMap<EnumPropertyManager::Data> values;
};

EnumPropertyManager::EnumPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<EnumPropertyManagerPrivate>())
{
}

EnumPropertyManager::~EnumPropertyManager()
{
    clear();
}

int EnumPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &Data::val, -1);
}

QStringList EnumPropertyManager::enumNames(const Property *property) const
{
    return d->values.field(property, &Data::enumNames);
}

QMap<int, QIcon> EnumPropertyManager::enumIcons(const Property *property) const
{
    return d->values.field(property, &Data::enumIcons);
}

QString EnumPropertyManager::valueText(const Property *property) const
{
    const Data *record = d->values.find(property);
    if (!record || record->val < 0 || record->val >= record->enumNames.size())
        return QString();
    return record->enumNames.at(record->val);
}

QIcon EnumPropertyManager::valueIcon(const Property *property) const
{
    const Data *record = d->values.find(property);
    return record ? record->enumIcons.value(record->val) : QIcon();
}

void EnumPropertyManager::setValue(Property *property, int val)
{
    Data *record = d->values.find(property);
    if (!record || val >= record->enumNames.size())
        return;
    if (val < 0 && !record->enumNames.isEmpty())
        return;
    if (val < 0)
        val = -1;
    if (record->val == val)
        return;
    record->val = val;
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void EnumPropertyManager::setEnumNames(Property *property, const QStringList &names)
{
    Data *record = d->values.find(property);
    if (!record || record->enumNames == names)
        return;
    record->enumNames = names;
    // The old selection is dropped even when it would still fit.
    const int val = names.isEmpty() ? -1 : 0;
    record->val = val;
    emit enumNamesChanged(property, names);
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void EnumPropertyManager::setEnumIcons(Property *property, const QMap<int, QIcon> &icons)
{
    Data *record = d->values.find(property);
    if (!record)
        return;
    record->enumIcons = icons;
    emit enumIconsChanged(property, icons);
    emit propertyChanged(property);
}

void EnumPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
}

void EnumPropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
