#pragma once

#include "abstractpropertymanager.h"

// Manager of pure group headings: a name, help texts and sub-properties,
// but no value.
class GroupPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit GroupPropertyManager(QObject *parent = nullptr);

    bool hasValue(const Property *property) const override;

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;
};
