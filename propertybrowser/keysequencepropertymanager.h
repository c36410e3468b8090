#pragma once

#include "abstractpropertymanager.h"

#include <QKeySequence>

class KeySequencePropertyManagerPrivate;

// Key sequences, shown with the platform's native key names.
class KeySequencePropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit KeySequencePropertyManager(QObject *parent = nullptr);
    ~KeySequencePropertyManager() override;

    QKeySequence value(const Property *property) const;

    QString valueText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QKeySequence &val);

signals:
    void valueChanged(Property *property, const QKeySequence &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<KeySequencePropertyManagerPrivate> d;
};
