#pragma once

#include "filepathpropertytype.h"
#include "filepathrecord.h"
#include "variantpropertymanager.h"

#include <QMap>

// The manager of every property panel: the general variant manager plus the
// file-path type, a text value with a "filter" attribute. The panels use it
// for every row that carries a button: file choices and command rows.
// Every other type goes to the base unchanged.
class VariantManager : public VariantPropertyManager
{
    Q_OBJECT
public:
    static const QString kFilterAttribute; // "filter"

    explicit VariantManager(QObject* parent = nullptr);
    ~VariantManager() override;

    // Registered on first use; the same non-zero id for the whole run.
    static int filePathTypeId();

    using VariantPropertyManager::valueType;

    QString valueText(const Property* property) const override;
    bool isPropertyTypeSupported(int propertyType) const override;
    int valueType(int propertyType) const override;
    QStringList attributes(int propertyType) const override;
    int attributeType(int propertyType, const QString& attribute) const override;
    QVariant value(const Property* property) const override;
    QVariant attributeValue(const Property* property, const QString& attribute) const override;

public slots:
    void setValue(Property* property, const QVariant& val) override;
    void setAttribute(Property* property, const QString& attribute, const QVariant& value) override;

protected:
    void initializeProperty(Property* property) override;
    void uninitializeProperty(Property* property) override;

private:
    QMap<const Property*, FilePathRecord> m_filePaths;
};
