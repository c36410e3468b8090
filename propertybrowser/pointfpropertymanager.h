#pragma once

#include "abstractpropertymanager.h"

#include <QPointF>

class DoublePropertyManager;
class PointFPropertyManagerPrivate;

// Floating-point points with "X" and "Y" sub-properties and a number of
// decimals. Points closer than 1e-12 per coordinate count as equal.
class PointFPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit PointFPropertyManager(QObject *parent = nullptr);
    ~PointFPropertyManager() override;

    DoublePropertyManager *doubleSubManager() const;

    QPointF value(const Property *property) const;
    int decimals(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QPointF &val);
    void setDecimals(Property *property, int prec);

signals:
    void valueChanged(Property *property, const QPointF &val);
    void decimalsChanged(Property *property, int prec);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotDoubleChanged(Property *property, double value);
    void slotPropertyDestroyed(Property *property);

private:
    std::unique_ptr<PointFPropertyManagerPrivate> d;
};
