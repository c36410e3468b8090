#include "propertystream.h"

#include <QDataStream>
#include <QMetaProperty>
#include <QObject>
#include <QVariant>

void writeObjectProperties(QDataStream& out, const QObject& object)
{
    const QMetaObject* meta = object.metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        if (meta->property(i).isStored(&object))
            out << meta->property(i).read(&object);
    }
    for (const QByteArray& name : object.dynamicPropertyNames())
        out << object.property(name.constData());
}

void readObjectProperties(QDataStream& in, QObject& object, const std::function<void()>& makeDynamic)
{
    const QMetaObject* meta = object.metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        if (!meta->property(i).isStored(&object))
            continue;
        QVariant value;
        in >> value;
        if (!value.isNull())
            meta->property(i).write(&object, value);
    }
    makeDynamic();
    for (const QByteArray& name : object.dynamicPropertyNames()) {
        QVariant value;
        in >> value;
        object.setProperty(name.constData(), value);
    }
}
