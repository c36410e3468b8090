#include "hungelements.h"

#include "graphicsscene.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QGraphicsItem>

void HungElements::collect(Node* node, const QList<QGraphicsItem*>& own, QList<Node*>& others)
{
    for (Node* child : qAsConst(node->children)) {
        // Another element's node goes with its element, its subtree with it.
        if ((child->mapItem && !own.contains(child->mapItem)) || child->type == Node::TWSensor)
            others.append(child);
        else
            collect(child, own, others);
    }
}

void HungElements::leave(Node* node, const QList<QGraphicsItem*>& own, TreeModel* model)
{
    if (!node)
        return;
    SiteLocker lock;
    QList<Node*> others;
    collect(node, own, others);
    for (Node* other : qAsConst(others)) {
        Node* parent = other->parent();
        const int row = int(parent->children.indexOf(other));
        auto* map = other->mapItem ? qobject_cast<GraphicsScene*>(other->mapItem->scene()) : nullptr;
        if (map) {
            map->hangNode(other->mapItem);
        } else if (Node* up = node->parent()) {
            // A sensor, or an element that another step holds off its map:
            // beside the taken node, so that it is never freed with it.
            if (model && model->contains(up))
                model->moveNode(up, other);
            else
                other->insertInto(up, 0);
        } else {
            continue;
        }
        m_hung.append({NodeHandle(other), NodeHandle(parent), row, NodeHandle(other->parent())});
    }
}

void HungElements::takeBack(TreeModel* model)
{
    SiteLocker lock;
    for (const Hung& hung : qAsConst(m_hung)) {
        Node* node = hung.node.get();
        Node* parent = hung.parent.get();
        if (!node || !parent || !node->parent() || node->parent() != hung.leftAt.get())
            continue;
        const int row = qBound(0, hung.row, parent->childCount());
        if (!model)
            node->insertInto(parent, row);
        else if (model->contains(parent))
            model->insertNode(parent, row, node);
    }
    m_hung.clear();
}
