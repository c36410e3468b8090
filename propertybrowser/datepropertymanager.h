#pragma once

#include "abstractpropertymanager.h"
#include "rangedrecord.h"

#include <QDate>

class DatePropertyManagerPrivate;

// Dates within a range; shown in the default locale's short date format as
// it was when the manager was made.
class DatePropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    struct Data : RangedRecord<QDate>
    {
        Data() : RangedRecord<QDate>{QDate::currentDate(), QDate(1752, 9, 14), QDate(7999, 12, 31)} {}
    };

    explicit DatePropertyManager(QObject *parent = nullptr);
    ~DatePropertyManager() override;

    QDate value(const Property *property) const;
    QDate minimum(const Property *property) const;
    QDate maximum(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QDate &val);
    void setMinimum(Property *property, const QDate &minVal);
    void setMaximum(Property *property, const QDate &maxVal);
    void setRange(Property *property, const QDate &minVal, const QDate &maxVal);

signals:
    void valueChanged(Property *property, const QDate &val);
    void rangeChanged(Property *property, const QDate &minVal, const QDate &maxVal);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<DatePropertyManagerPrivate> d;
};
