#pragma once

#include "abstractpropertymanager.h"

#include <QStringList>

class BoolPropertyManager;
class FlagPropertyManagerPrivate;

// A set of bits, one per flag name, each shown as a bool sub-property.
// Bit i belongs to the i-th name; the value stays in 0 .. 2^n - 1.
class FlagPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit FlagPropertyManager(QObject *parent = nullptr);
    ~FlagPropertyManager() override;

    BoolPropertyManager *boolSubManager() const;

    int value(const Property *property) const;
    QStringList flagNames(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, int val);
    void setFlagNames(Property *property, const QStringList &names);

signals:
    void valueChanged(Property *property, int val);
    void flagNamesChanged(Property *property, const QStringList &names);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotBoolChanged(Property *property, bool value);
    void slotPropertyDestroyed(Property *property);

private:
    void deleteSubProperties(const Property *property);

    std::unique_ptr<FlagPropertyManagerPrivate> d;
};
