#pragma once

#include "abstractpropertymanager.h"

#include <QTime>

class TimePropertyManagerPrivate;

// Times of day, shown in the default locale's short time format as it was
// when the manager was made. Two times are equal in the same millisecond.
class TimePropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit TimePropertyManager(QObject *parent = nullptr);
    ~TimePropertyManager() override;

    QTime value(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QTime &val);

signals:
    void valueChanged(Property *property, const QTime &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<TimePropertyManagerPrivate> d;
};
