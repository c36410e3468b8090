#pragma once

#include <functional>

class QDataStream;
class QObject;

// The stream form the report widgets share: one QVariant per stored
// meta-property in index order, then one per dynamic property in the
// order QObject::dynamicPropertyNames gives.
void writeObjectProperties(QDataStream& out, const QObject& object);

// Reads that form back: null values leave a meta-property as it is;
// `makeDynamic` creates the dynamic properties before their values are
// read, since their names are not part of the stream.
void readObjectProperties(QDataStream& in, QObject& object, const std::function<void()>& makeDynamic);
