#pragma once

#include "abstractpropertymanager.h"
#include "sizerecord.h"

class IntPropertyManager;
class SizePropertyManagerPrivate;

// Sizes within a range, bounded per dimension, with "Width" and "Height"
// sub-properties kept in step both ways.
class SizePropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    struct Data : SizeRecord<QSize>
    {
        Data() : SizeRecord<QSize>{QSize(0, 0), QSize(0, 0), QSize(2147483647, 2147483647)} {}
    };

    explicit SizePropertyManager(QObject *parent = nullptr);
    ~SizePropertyManager() override;

    IntPropertyManager *intSubManager() const;

    QSize value(const Property *property) const;
    QSize minimum(const Property *property) const;
    QSize maximum(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QSize &val);
    void setMinimum(Property *property, const QSize &minVal);
    void setMaximum(Property *property, const QSize &maxVal);
    void setRange(Property *property, const QSize &minVal, const QSize &maxVal);

signals:
    void valueChanged(Property *property, const QSize &val);
    void rangeChanged(Property *property, const QSize &minVal, const QSize &maxVal);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotIntChanged(Property *property, int value);
    void slotPropertyDestroyed(Property *property);

private:
    std::unique_ptr<SizePropertyManagerPrivate> d;
};
