#pragma once

#include "abstractpropertymanager.h"

#include <QDateTime>

class DateTimePropertyManagerPrivate;

// Date-times, shown in the default locale's short date and time formats as
// they were when the manager was made. Two date-times are equal at the same instant.
class DateTimePropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit DateTimePropertyManager(QObject *parent = nullptr);
    ~DateTimePropertyManager() override;

    QDateTime value(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QDateTime &val);

signals:
    void valueChanged(Property *property, const QDateTime &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<DateTimePropertyManagerPrivate> d;
};
