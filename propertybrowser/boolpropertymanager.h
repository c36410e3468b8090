#pragma once

#include "abstractpropertymanager.h"

class BoolPropertyManagerPrivate;

// Boolean values, shown as "True"/"False" (unless the text is hidden) with a
// check-box icon drawn by the style in force when the manager was made.
class BoolPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit BoolPropertyManager(QObject *parent = nullptr);
    ~BoolPropertyManager() override;

    bool value(const Property *property) const;
    bool textVisible(const Property *property) const;

    QString valueText(const Property *property) const override;
    QIcon valueIcon(const Property *property) const override;

public slots:
    void setValue(Property *property, bool val);
    void setTextVisible(Property *property, bool textVisible);

signals:
    void valueChanged(Property *property, bool val);
    void textVisibleChanged(Property *property, bool textVisible);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<BoolPropertyManagerPrivate> d;
};
