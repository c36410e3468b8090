#pragma once

#include "abstractpropertymanager.h"

#include <QLocale>

class EnumPropertyManager;
class LocalePropertyManagerPrivate;

// Locales with "Language" and "Country" enum sub-properties; the country
// names follow the chosen language.
class LocalePropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit LocalePropertyManager(QObject *parent = nullptr);
    ~LocalePropertyManager() override;

    EnumPropertyManager *enumSubManager() const;

    QLocale value(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QLocale &val);

signals:
    void valueChanged(Property *property, const QLocale &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotEnumChanged(Property *property, int value);
    void slotPropertyDestroyed(Property *property);

private:
    std::unique_ptr<LocalePropertyManagerPrivate> d;
};
