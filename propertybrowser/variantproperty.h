#pragma once

#include "property.h"

#include <QVariant>

class VariantPropertyManager;

// A property of a VariantPropertyManager: its value and attributes are read
// and written as QVariants, and the manager forwards them to the typed
// property that stands behind it.
class VariantProperty : public Property
{
public:
    ~VariantProperty() override;

    QVariant value() const;
    QVariant attributeValue(const QString& attribute) const;
    int valueType() const;
    int propertyType() const;

    void setValue(const QVariant& value);
    void setAttribute(const QString& attribute, const QVariant& value);

protected:
    explicit VariantProperty(VariantPropertyManager* manager);

private:
    VariantPropertyManager* m_manager;
    friend class VariantPropertyManager;
};
