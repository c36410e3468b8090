#pragma once

#include "abstractpropertymanager.h"
#include "filepathrecord.h"

#include <QMap>

// Property manager of stand-alone file-path properties: a path and the
// filter of its file dialog per property. The property panels edit their
// file-path rows through VariantManager instead; this manager serves
// browsers built from typed managers.
class FilePathManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit FilePathManager(QObject* parent = nullptr);
    ~FilePathManager() override;

    // Empty for a property that this manager does not hold.
    QString value(const Property* property) const;
    QString filter(const Property* property) const;

    QString valueText(const Property* property) const override;

public slots:
    void setValue(Property* property, const QString& val);
    void setFilter(Property* property, const QString& fil);

signals:
    void valueChanged(Property* property, const QString& val);
    void filterChanged(Property* property, const QString& fil);

protected:
    void initializeProperty(Property* property) override;
    void uninitializeProperty(Property* property) override;

private:
    QMap<const Property*, FilePathRecord> m_values;
};
