#pragma once

#include "abstractpropertymanager.h"

#include <QRect>

class IntPropertyManager;
class RectPropertyManagerPrivate;

// Integer rectangles, optionally kept inside a constraint rectangle, with
// "X", "Y", "Width" and "Height" sub-properties. A null constraint (zero
// width and height) means no constraint.
class RectPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit RectPropertyManager(QObject *parent = nullptr);
    ~RectPropertyManager() override;

    IntPropertyManager *intSubManager() const;

    QRect value(const Property *property) const;
    QRect constraint(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QRect &val);
    void setConstraint(Property *property, const QRect &constraint);

signals:
    void valueChanged(Property *property, const QRect &val);
    void constraintChanged(Property *property, const QRect &constraint);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotIntChanged(Property *property, int value);
    void slotPropertyDestroyed(Property *property);

private:
    std::unique_ptr<RectPropertyManagerPrivate> d;
};
