#pragma once

#include "abstractpropertymanager.h"

#include <QIcon>
#include <QMap>
#include <QStringList>
#include <QVariant>

#include <memory>

class VariantProperty;
class VariantPropertyManagerPrivate;

// One manager for properties of many value types, reached through QVariant
// values and named attributes. Behind every variant property stands a
// property of a typed manager that this manager owns; the parts of compound
// values (point, size, colour, font, flag bits, ...) are mirrored as
// variant sub-properties so that a browser shows one tree.
class VariantPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit VariantPropertyManager(QObject* parent = nullptr);
    ~VariantPropertyManager() override;

    // Type ids registered on first use (not fixed numbers).
    static int enumTypeId();
    static int flagTypeId();
    static int groupTypeId();
    static int iconMapTypeId();

    // The name-only form of the base makes nothing here: a variant property
    // needs a type.
    using AbstractPropertyManager::addProperty;
    virtual VariantProperty* addProperty(int propertyType, const QString& name = QString());

    int propertyType(const Property* property) const;
    int valueType(const Property* property) const;
    VariantProperty* variantProperty(const Property* property) const;

    virtual bool isPropertyTypeSupported(int propertyType) const;
    virtual int valueType(int propertyType) const;
    virtual QStringList attributes(int propertyType) const;
    virtual int attributeType(int propertyType, const QString& attribute) const;

    virtual QVariant value(const Property* property) const;
    virtual QVariant attributeValue(const Property* property, const QString& attribute) const;

    bool hasValue(const Property* property) const override;
    QIcon valueIcon(const Property* property) const override;
    QString valueText(const Property* property) const override;

    // The typed property behind a variant property (process-wide table).
    static Property* internalProperty(const Property* property);

public slots:
    virtual void setValue(Property* property, const QVariant& val);
    virtual void setAttribute(Property* property, const QString& attribute, const QVariant& value);

signals:
    void valueChanged(Property* property, const QVariant& val);
    void attributeChanged(Property* property, const QString& attribute, const QVariant& val);

protected:
    void initializeProperty(Property* property) override;
    void uninitializeProperty(Property* property) override;
    Property* createProperty() override;

private:
    std::unique_ptr<VariantPropertyManagerPrivate> d;
    friend class VariantPropertyManagerPrivate;
};

