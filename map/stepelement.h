#pragma once

#include "graphicshelperclass.h"

#include <QGraphicsItem>
#include <QPointer>

class QGraphicsScene;

// A map element as an undo step holds it. A step acts on its element only
// while the element exists and is on the step's own map, or off every map
// where the step itself keeps it: an element cut from one tab and pasted
// onto another belongs to that tab from then on, and the first tab's steps
// leave it alone.
class StepElement
{
public:
    StepElement() = default;
    StepElement(QGraphicsItem* item, const QGraphicsScene* map)
        : m_item(item)
        , m_element(dynamic_cast<GraphicsHelperClass*>(item))
        , m_map(map)
    {
    }

    // The item, or null once it has been freed (or was never a map element).
    QGraphicsItem* item() const { return m_element ? m_item : nullptr; }
    bool isOnMap() const { return m_map && item() && m_item->scene() == m_map; }
    bool isOffEveryMap() const { return item() && !m_item->scene(); }

private:
    QGraphicsItem* m_item = nullptr;
    QPointer<GraphicsHelperClass> m_element;
    const QGraphicsScene* m_map = nullptr;
};
