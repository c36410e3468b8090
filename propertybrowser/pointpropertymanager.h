#pragma once

#include "abstractpropertymanager.h"

#include <QPoint>

class IntPropertyManager;
class PointPropertyManagerPrivate;

// Integer points with "X" and "Y" sub-properties kept in step both ways.
class PointPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit PointPropertyManager(QObject *parent = nullptr);
    ~PointPropertyManager() override;

    IntPropertyManager *intSubManager() const;

    QPoint value(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QPoint &val);

signals:
    void valueChanged(Property *property, const QPoint &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotIntChanged(Property *property, int value);
    void slotPropertyDestroyed(Property *property);

private:
    std::unique_ptr<PointPropertyManagerPrivate> d;
};
