#pragma once

#include "abstractpropertymanager.h"
#include "rangedrecord.h"

class IntPropertyManagerPrivate;

// Integer values with a range, a single step and a read-only flag.
class IntPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    // Per-property record. The lower border defaults to -2147483647, one
    // above the smallest int, so that it can be negated safely.
    struct Data : RangedRecord<int>
    {
        Data() : RangedRecord<int>{0, -2147483647, 2147483647} {}
        int singleStep = 1;
        bool readOnly = false;
    };

    explicit IntPropertyManager(QObject *parent = nullptr);
    ~IntPropertyManager() override;

    int value(const Property *property) const;
    int minimum(const Property *property) const;
    int maximum(const Property *property) const;
    int singleStep(const Property *property) const;
    bool isReadOnly(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, int val);
    void setMinimum(Property *property, int minVal);
    void setMaximum(Property *property, int maxVal);
    void setRange(Property *property, int minVal, int maxVal);
    void setSingleStep(Property *property, int step);
    void setReadOnly(Property *property, bool readOnly);

signals:
    void valueChanged(Property *property, int val);
    void rangeChanged(Property *property, int minVal, int maxVal);
    void singleStepChanged(Property *property, int step);
    void readOnlyChanged(Property *property, bool readOnly);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<IntPropertyManagerPrivate> d;
};
