#pragma once

#include "abstractpropertymanager.h"

#include <QCursor>

class CursorPropertyManagerPrivate;

// Mouse cursors, named and drawn through the cursor database. Two cursors of
// one standard shape are the same value; a bitmap cursor always counts as new.
class CursorPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    explicit CursorPropertyManager(QObject *parent = nullptr);
    ~CursorPropertyManager() override;

    QCursor value(const Property *property) const;

    QString valueText(const Property *property) const override;
    QIcon valueIcon(const Property *property) const override;

public slots:
    void setValue(Property *property, const QCursor &val);

signals:
    void valueChanged(Property *property, const QCursor &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<CursorPropertyManagerPrivate> d;
};
