#pragma once

#include "abstractpropertymanager.h"
#include "sizerecord.h"

class DoublePropertyManager;
class SizeFPropertyManagerPrivate;

// Sizes within a range, bounded per dimension, with "Width" and "Height"
// sub-properties kept in step both ways.
class SizeFPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    struct Data : SizeRecord<QSizeF>
    {
        Data() : SizeRecord<QSizeF>{QSizeF(0, 0), QSizeF(0, 0), QSizeF(2147483647.0, 2147483647.0)} {}
        int decimals = 2;
    };

    explicit SizeFPropertyManager(QObject *parent = nullptr);
    ~SizeFPropertyManager() override;

    DoublePropertyManager *doubleSubManager() const;

    QSizeF value(const Property *property) const;
    QSizeF minimum(const Property *property) const;
    QSizeF maximum(const Property *property) const;
    int decimals(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QSizeF &val);
    void setMinimum(Property *property, const QSizeF &minVal);
    void setMaximum(Property *property, const QSizeF &maxVal);
    void setRange(Property *property, const QSizeF &minVal, const QSizeF &maxVal);
    void setDecimals(Property *property, int prec);

signals:
    void valueChanged(Property *property, const QSizeF &val);
    void rangeChanged(Property *property, const QSizeF &minVal, const QSizeF &maxVal);
    void decimalsChanged(Property *property, int prec);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotDoubleChanged(Property *property, double value);
    void slotPropertyDestroyed(Property *property);

private:
    std::unique_ptr<SizeFPropertyManagerPrivate> d;
};
