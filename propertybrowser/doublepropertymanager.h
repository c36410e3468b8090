#pragma once

#include "abstractpropertymanager.h"
#include "rangedrecord.h"

class DoublePropertyManagerPrivate;

// Double values with a range, a single step, a number of decimals (0..13)
// and a read-only flag. NaN values and borders are ignored: they would break
// the range invariant and compare unequal to themselves forever.
class DoublePropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    static constexpr int MaxDecimals = 13;

    struct Data : RangedRecord<double>
    {
        Data() : RangedRecord<double>{0.0, -2147483647.0, 2147483647.0} {}
        double singleStep = 1.0;
        int decimals = 2;
        bool readOnly = false;
    };

    explicit DoublePropertyManager(QObject *parent = nullptr);
    ~DoublePropertyManager() override;

    double value(const Property *property) const;
    double minimum(const Property *property) const;
    double maximum(const Property *property) const;
    double singleStep(const Property *property) const;
    int decimals(const Property *property) const;
    bool isReadOnly(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, double val);
    void setMinimum(Property *property, double minVal);
    void setMaximum(Property *property, double maxVal);
    void setRange(Property *property, double minVal, double maxVal);
    void setSingleStep(Property *property, double step);
    void setDecimals(Property *property, int prec);
    void setReadOnly(Property *property, bool readOnly);

signals:
    void valueChanged(Property *property, double val);
    void rangeChanged(Property *property, double minVal, double maxVal);
    void singleStepChanged(Property *property, double step);
    void decimalsChanged(Property *property, int prec);
    void readOnlyChanged(Property *property, bool readOnly);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<DoublePropertyManagerPrivate> d;
};
