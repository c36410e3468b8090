#pragma once

#include "abstractpropertymanager.h"

#include <QColor>

class IntPropertyManager;
class ColorPropertyManagerPrivate;

// Colours with "Red", "Green", "Blue" and "Alpha" sub-properties (0..255),
// shown as a text and a swatch icon.
class ColorPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit ColorPropertyManager(QObject *parent = nullptr);
    ~ColorPropertyManager() override;

    IntPropertyManager *intSubManager() const;

    QColor value(const Property *property) const;

    QString valueText(const Property *property) const override;
    QIcon valueIcon(const Property *property) const override;

public slots:
    void setValue(Property *property, const QColor &val);

signals:
    void valueChanged(Property *property, const QColor &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotIntChanged(Property *property, int value);
    void slotPropertyDestroyed(Property *property);

private:
    std::unique_ptr<ColorPropertyManagerPrivate> d;
};
