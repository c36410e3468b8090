#pragma once

#include "node.h"

#include <QList>
#include <QVector>

class QGraphicsItem;
class TreeModel;

// The nodes hung beneath the nodes an undo step takes off the site that the
// step's elements did not make: another element's node (a text box or a
// fence line hung as an action under a gateway's sector) and a TW sensor
// put into a sector. Their elements and sensors stay on the site, so while
// the step stands an element's node hangs at the top of its own map's
// workplace and a sensor under the taken node's parent, as when taken off
// it in the element tree (an element off every map, held by another step,
// goes there too); when the step is reversed they go back where they hung,
// unless they have been moved on meanwhile.
class HungElements
{
public:
    // Takes the nodes of elements other than `own`, and the sensors, out
    // from under `node`; moves within `model` are announced by it.
    void leave(Node* node, const QList<QGraphicsItem*>& own, TreeModel* model);
    // Hangs them back where they hung, under a parent that stands in `model`
    // again (anywhere, without a model).
    void takeBack(TreeModel* model);

private:
    struct Hung
    {
        NodeHandle node;
        NodeHandle parent;
        int row = 0;
        // Where leave() put it.
        NodeHandle leftAt;
    };
    static void collect(Node* node, const QList<QGraphicsItem*>& own, QList<Node*>& others);

    QVector<Hung> m_hung;
};
