#pragma once

#include <QColor>
#include <QDataStream>
#include <QList>
#include <QMetaType>
#include <QString>

// One bar of a report bar chart. `formula` is the template's value text,
// evaluated anew for every record; it is not part of the stream form.
struct GraphParam
{
    QColor color;
    float share = 0;
    float value = 0;
    QString valueText;
    QString formula;
    QString caption;
};

using GraphParamList = QList<GraphParam>;

QDataStream& operator<<(QDataStream& out, const GraphParam& graph);
QDataStream& operator>>(QDataStream& in, GraphParam& graph);

// Makes both types travel in a QVariant and through streams; safe to call
// any number of times.
void registerGraphParamTypes();

Q_DECLARE_METATYPE(GraphParam)
Q_DECLARE_METATYPE(GraphParamList)
