#pragma once

#include "abstractpropertymanager.h"

#include <QRectF>

class DoublePropertyManager;
class RectFPropertyManagerPrivate;

// Floating-point rectangles, optionally kept inside a constraint rectangle,
// with "X", "Y", "Width" and "Height" sub-properties and a number of decimals.
// A null constraint (zero width and height) means no constraint.
class RectFPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit RectFPropertyManager(QObject *parent = nullptr);
    ~RectFPropertyManager() override;

    DoublePropertyManager *doubleSubManager() const;

    QRectF value(const Property *property) const;
    QRectF constraint(const Property *property) const;
    int decimals(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QRectF &val);
    void setConstraint(Property *property, const QRectF &constraint);
    void setDecimals(Property *property, int prec);

signals:
    void valueChanged(Property *property, const QRectF &val);
    void constraintChanged(Property *property, const QRectF &constraint);
    void decimalsChanged(Property *property, int prec);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotDoubleChanged(Property *property, double value);
    void slotPropertyDestroyed(Property *property);

private:
    std::unique_ptr<RectFPropertyManagerPrivate> d;
};
