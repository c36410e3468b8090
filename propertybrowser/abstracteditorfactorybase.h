#pragma once

#include <QObject>

class AbstractPropertyManager;
class Property;
class QWidget;

// Base of every editor factory. A browser asks the factory bound to a
// property's manager for an editor, and tells it when it stops using it for
// a manager (breakConnection).
class AbstractEditorFactoryBase : public QObject
{
    Q_OBJECT
public:
    explicit AbstractEditorFactoryBase(QObject *parent = nullptr) : QObject(parent) {}

    virtual QWidget *createEditor(Property *property, QWidget *parent) = 0;
    virtual void breakConnection(AbstractPropertyManager *manager) = 0;

protected slots:
    virtual void managerDestroyed(QObject *manager) = 0;
};
