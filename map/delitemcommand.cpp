#include "delitemcommand.h"

#include "graphicshelperclass.h"
#include "graphicsscene.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QGraphicsItem>

DelItemCommand::DelItemCommand(GraphicsScene* scene, QUndoCommand* parent)
    : DelItemCommand(scene, scene->selectedItems(), parent)
{
}

DelItemCommand::DelItemCommand(GraphicsScene* scene, const QList<QGraphicsItem*>& items, QUndoCommand* parent)
    : QUndoCommand(parent)
    , m_scene(scene)
{
    setText(QObject::tr("Delete"));
    for (QGraphicsItem* item : items)
        append(item, false);
    addRiders();
}

void DelItemCommand::append(QGraphicsItem* item, bool rider)
{
    m_items.append(item);
    m_elements.append(StepElement(item, m_scene));
    Place place;
    place.rider = rider;
    m_nodePlaces.append(place);
}

void DelItemCommand::addRiders()
{
    // A circle may have been dropped on a line while this deletion was undone.
    const int count = m_items.size();
    for (int i = 0; i < count; ++i) {
        QGraphicsItem* line = m_elements.at(i).item();
        if (!line || line->type() != GraphicsHelperClass::LineItemType || !m_elements.at(i).isOnMap())
            continue;
        for (QGraphicsItem* child : line->childItems()) {
            if (child->type() == GraphicsHelperClass::CircleItemType && !m_items.contains(child))
                append(child, true);
        }
    }
}

bool DelItemCommand::takes(int index) const
{
    if (!m_elements.at(index).isOnMap())
        return false;
    if (!m_nodePlaces.at(index).rider)
        return true;
    const int line = int(m_items.indexOf(m_items.at(index)->parentItem()));
    return line >= 0 && !m_nodePlaces.at(line).rider && m_nodePlaces.at(line).taken;
}

bool DelItemCommand::holds(int index) const
{
    return m_nodePlaces.at(index).taken && m_elements.at(index).isOffEveryMap();
}

QList<QGraphicsItem*> DelItemCommand::heldItems() const
{
    QList<QGraphicsItem*> held;
    for (int i = 0; m_done && i < m_items.size(); ++i) {
        if (holds(i))
            held.append(m_items.at(i));
    }
    return held;
}

DelItemCommand::~DelItemCommand()
{
    if (!m_done)
        return;
    SiteLocker lock;
    // Only the items this deletion holds: taken off this map and on none since.
    QList<QGraphicsItem*> held;
    QList<Node*> nodes;
    for (int i = 0; i < m_items.size(); ++i) {
        if (!holds(i))
            continue;
        // A circle still riding on a deleted line goes with the line: told
        // before any is freed.
        if (!m_items.at(i)->parentItem())
            held.append(m_items.at(i));
        auto* helper = dynamic_cast<GraphicsHelperClass*>(m_items.at(i));
        nodes << helper->node() << helper->energizerNode();
    }
    qDeleteAll(held);
    // Only nodes this deletion took out of their trees: a node still hanging
    // somewhere belongs to its parent.
    for (Node* node : qAsConst(nodes)) {
        if (node && Node::isAlive(node) && !node->parent())
            delete node;
    }
}

void DelItemCommand::redo()
{
    m_done = true;
    addRiders();
    // Which items are this map's, told before any leaves it: a circle on a
    // deleted line leaves with the line.
    bool any = false;
    for (bool riders : {false, true}) {
        for (int i = 0; i < m_items.size(); ++i) {
            if (m_nodePlaces.at(i).rider != riders)
                continue;
            m_nodePlaces[i].taken = takes(i);
            any = any || m_nodePlaces.at(i).taken;
        }
    }
    if (!any && !m_items.isEmpty()) {
        setObsolete(true);
        return;
    }
    QList<QGraphicsItem*> taken;
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_nodePlaces.at(i).taken)
            taken.append(m_items.at(i));
    }
    for (int i = 0; i < m_items.size(); ++i) {
        if (!m_nodePlaces.at(i).taken)
            continue;
        QGraphicsItem* item = m_items.at(i);
        m_nodePlaces[i].parentItem = item->parentItem();
        // A circle on a line deleted with it has already left with the line.
        if (item->scene() == m_scene)
            m_scene->removeItem(item);
        auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
        Node* node = helper ? helper->node() : nullptr;
        if (!node)
            continue;
        SiteLocker lock;
        if (item->type() == GraphicsHelperClass::CircleItemType)
            takeCircleChildren(node, m_nodePlaces[i]);
        else
            m_hung.leave(node, taken, m_scene->elementModel());
        if (item->type() == GraphicsHelperClass::BoxItemType && helper->energizerNode() && m_scene->energizerModel()) {
            m_scene->energizerModel()->takeNode(helper->energizerNode());
            forgetFormerParent(helper->energizerNode());
        }
        Node* parent = node->parent();
        m_nodePlaces[i].parent = parent;
        m_nodePlaces[i].row = parent ? int(parent->children.indexOf(node)) : 0;
        if (m_scene->elementModel()) {
            m_scene->elementModel()->takeNode(node);
            forgetFormerParent(node);
        }
    }
    // The workplace current, nothing selected on the map; undo's insertion does the same.
    m_scene->itemSelected(nullptr);
    m_scene->update();
}

void DelItemCommand::undo()
{
    m_done = false;
    // Backwards through the list, so that each node goes back into the tree
    // as it stood when redo took it out: an element deleted together with the
    // TW sector it hangs under comes back under that sector, not beside it.
    // A node whose former parent lies under another element of this deletion
    // (a text box linked under a deleted gateway's sector) waits until that
    // element is back.
    // The items this deletion holds, told before any comes back: a circle
    // comes back with its line.
    QVector<bool> held(m_items.size());
    for (int i = 0; i < m_items.size(); ++i)
        held[i] = holds(i);
    QList<int> deferred;
    for (int i = m_items.size() - 1; i >= 0; --i) {
        if (!held.at(i))
            continue;
        if (waitsForAnotherItem(i))
            deferred.append(i);
        else
            restore(i);
    }
    for (int i : qAsConst(deferred))
        restore(i);
    m_hung.takeBack(m_scene->elementModel());
    // A circle goes back onto the line it rode on, once that line is back on the map too.
    for (int i = 0; i < m_items.size(); ++i) {
        QGraphicsItem* parentItem = m_nodePlaces.at(i).parentItem;
        if (!held.at(i))
            continue;
        if (parentItem && parentItem->scene() == m_scene && m_items.at(i)->parentItem() != parentItem)
            m_items.at(i)->setParentItem(parentItem);
    }
    m_scene->update();
}

void DelItemCommand::forgetFormerParent(Node* node)
{
    // Taken out of its tree, the node still points at its former parent,
    // which may be freed while this step waits on the stack; undo knows the
    // place from the recorded parent, checked to be alive.
    Node* parent = node->parent();
    if (parent && !parent->children.contains(node))
        node->setParent(nullptr);
}

Node* DelItemCommand::nodeOf(QGraphicsItem* item)
{
    auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
    return helper ? helper->node() : nullptr;
}

bool DelItemCommand::waitsForAnotherItem(int index) const
{
    Node* parent = m_nodePlaces.at(index).parent;
    if (!parent || !m_scene->elementModel() || !Node::isAlive(parent) || m_scene->elementModel()->contains(parent))
        return false;
    SiteLocker lock;
    for (int i = 0; i < index; ++i) {
        Node* node = nodeOf(m_items.at(i));
        if (node && node->isAncestorOf(parent))
            return true;
    }
    return false;
}

void DelItemCommand::restore(int index)
{
    QGraphicsItem* item = m_items.at(index);
    const Place place = m_nodePlaces.at(index);
    if (item->scene() != m_scene)
        m_scene->insertItem(item);
    auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
    Node* node = nodeOf(item);
    if (!node || !m_scene->elementModel())
        return;
    SiteLocker lock;
    // A text box or line linked under a fence sector, or a circle under
    // its TW system, goes back where it hung, so the link survives the
    // undo; otherwise to the top of the workplace or the TW system.
    Node* parent = fallbackParent(item);
    int row = 0;
    if (place.parent && place.parent != parent && Node::isAlive(place.parent)
        && m_scene->elementModel()->contains(place.parent)) {
        parent = place.parent;
        row = qBound(0, place.row, place.parent->childCount());
    }
    node->setParent(nullptr);
    if (parent)
        m_scene->elementModel()->insertNode(parent, row, node);
    if (item->type() == GraphicsHelperClass::CircleItemType)
        restoreCircleChildren(node, place);
    if (node->type == Node::MapElement && helper->energizerNode() && m_scene->energizerModel()) {
        helper->energizerNode()->setParent(nullptr);
        m_scene->energizerModel()->insertNode(m_scene->energizerModel()->rootNode(), 0, helper->energizerNode());
    }
}

Node* DelItemCommand::fallbackParent(QGraphicsItem* item) const
{
    Node* workplace = m_scene->workplaceNode();
    if (item->type() != GraphicsHelperClass::CircleItemType)
        return workplace;
    // A circle belongs under the workspace's TW system node; without one it stays detached.
    Node* system = nullptr;
    if (workplace) {
        for (Node* child : qAsConst(workplace->children)) {
            const bool pairedSystem = child->deviceNode && Node::isAlive(child->deviceNode)
                && child->deviceNode->type == Node::TWSystem;
            if (child->type == Node::TWSystem || pairedSystem)
                system = child;
        }
    }
    return system;
}

void DelItemCommand::takeCircleChildren(Node* node, Place& place)
{
    // The sector's actions stay in the tree while the sector is gone.
    place.movedChildren = node->children;
    Node* parent = node->parent();
    if (!parent || !m_scene->elementModel()) {
        place.movedChildren.clear();
        return;
    }
    for (Node* child : qAsConst(place.movedChildren))
        m_scene->elementModel()->moveNode(parent, child);
}

void DelItemCommand::restoreCircleChildren(Node* node, const Place& place)
{
    // Each action comes back to its row, unless it has been moved elsewhere meanwhile.
    for (int row = 0; row < place.movedChildren.size(); ++row) {
        Node* child = place.movedChildren.at(row);
        if (!Node::isAlive(child) || child->parent() != place.parent || child->isAncestorOf(node))
            continue;
        m_scene->elementModel()->insertNode(node, qMin(row, node->childCount()), child);
    }
}
