#include "graphparam.h"

QDataStream& operator<<(QDataStream& out, const GraphParam& graph)
{
    out << graph.color << graph.share << graph.value << graph.caption << graph.valueText;
    return out;
}

QDataStream& operator>>(QDataStream& in, GraphParam& graph)
{
    in >> graph.color >> graph.share >> graph.value >> graph.caption >> graph.valueText;
    return in;
}

void registerGraphParamTypes()
{
    qRegisterMetaType<GraphParam>("GraphParam");
    qRegisterMetaType<GraphParamList>("GraphParamList");
    qRegisterMetaTypeStreamOperators<GraphParam>("GraphParam");
    qRegisterMetaTypeStreamOperators<GraphParamList>("GraphParamList");
}
