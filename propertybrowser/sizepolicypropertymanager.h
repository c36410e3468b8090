#pragma once

#include "abstractpropertymanager.h"

#include <QSizePolicy>

class EnumPropertyManager;
class IntPropertyManager;
class SizePolicyPropertyManagerPrivate;

// Size policies with the two policies as enum sub-properties and the two
// stretches (0..255) as int sub-properties.
class SizePolicyPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit SizePolicyPropertyManager(QObject *parent = nullptr);
    ~SizePolicyPropertyManager() override;

    IntPropertyManager *intSubManager() const;
    EnumPropertyManager *enumSubManager() const;

    QSizePolicy value(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QSizePolicy &val);

signals:
    void valueChanged(Property *property, const QSizePolicy &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotIntChanged(Property *property, int value);
    void slotEnumChanged(Property *property, int value);
    void slotPropertyDestroyed(Property *property);

private:
    std::unique_ptr<SizePolicyPropertyManagerPrivate> d;
};
