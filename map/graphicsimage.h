#pragma once

#include <QGraphicsPixmapItem>

// A plain selectable picture on the map, told apart by its item type.
class GraphicsImage : public QGraphicsPixmapItem
{
public:
    enum { Type = 10003 };

    GraphicsImage();

    int type() const override { return Type; }
};
