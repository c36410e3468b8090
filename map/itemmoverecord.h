#pragma once

#include <QList>
#include <QPointF>

class QGraphicsItem;

// One moved element: where it was and where it went, with a fence line's
// points and a box's size before and after. The move commands copy it.
struct ItemMoveRecord
{
    QGraphicsItem* item = nullptr;
    QPointF oldPos;
    QPointF newPos;
    QList<QPointF> oldPoints;
    QList<QPointF> newPoints;
    qreal oldWidth = 0;
    qreal oldHeight = 0;
    qreal newWidth = 0;
    qreal newHeight = 0;
};
