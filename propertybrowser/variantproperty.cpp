#include "variantproperty.h"

#include "variantpropertymanager.h"

VariantProperty::VariantProperty(VariantPropertyManager* manager)
    : Property(manager)
    , m_manager(manager)
{
}

VariantProperty::~VariantProperty() = default;

QVariant VariantProperty::value() const
{
    return m_manager->value(this);
}

QVariant VariantProperty::attributeValue(const QString& attribute) const
{
    return m_manager->attributeValue(this, attribute);
}

int VariantProperty::valueType() const
{
    return m_manager->valueType(this);
}

int VariantProperty::propertyType() const
{
    return m_manager->propertyType(this);
}

void VariantProperty::setValue(const QVariant& value)
{
    m_manager->setValue(this, value);
}

void VariantProperty::setAttribute(const QString& attribute, const QVariant& value)
{
    m_manager->setAttribute(this, attribute, value);
}
