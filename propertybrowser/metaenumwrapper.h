#pragma once

#include <QObject>
#include <QSizePolicy>

// Exposes the size-policy enumerator through a property so that its key
// names and values can be read from the meta-object at run time.
class MetaEnumWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QSizePolicy::Policy policy READ policy)
public:
    QSizePolicy::Policy policy() const { return QSizePolicy::Ignored; }

private:
    explicit MetaEnumWrapper(QObject *parent = nullptr) : QObject(parent) {}
};
