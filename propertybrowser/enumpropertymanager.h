#pragma once

#include "abstractpropertymanager.h"

#include <QMap>
#include <QStringList>

class EnumPropertyManagerPrivate;

// An index into a list of names, with an optional icon per index. With
// names the value is always a valid index; without names it is -1.
class EnumPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    struct Data
    {
        int val = -1;
        QStringList enumNames;
        QMap<int, QIcon> enumIcons;
    };

    explicit EnumPropertyManager(QObject *parent = nullptr);
    ~EnumPropertyManager() override;

    int value(const Property *property) const;
    QStringList enumNames(const Property *property) const;
    QMap<int, QIcon> enumIcons(const Property *property) const;

    QString valueText(const Property *property) const override;
    QIcon valueIcon(const Property *property) const override;

public slots:
    void setValue(Property *property, int val);
    void setEnumNames(Property *property, const QStringList &names);
    void setEnumIcons(Property *property, const QMap<int, QIcon> &icons);

signals:
    void valueChanged(Property *property, int val);
    void enumNamesChanged(Property *property, const QStringList &names);
    void enumIconsChanged(Property *property, const QMap<int, QIcon> &icons);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<EnumPropertyManagerPrivate> d;
};
