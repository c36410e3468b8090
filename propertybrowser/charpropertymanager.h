#pragma once

#include "abstractpropertymanager.h"

#include <QChar>

class CharPropertyManagerPrivate;

// Single characters; the null character shows as empty text.
class CharPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit CharPropertyManager(QObject *parent = nullptr);
    ~CharPropertyManager() override;

    QChar value(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QChar &val);

signals:
    void valueChanged(Property *property, const QChar &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<CharPropertyManagerPrivate> d;
};
