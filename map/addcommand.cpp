#include "addcommand.h"

#include "graphicshelperclass.h"
#include "graphicsscene.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QGraphicsItem>

namespace {

// Takes `node` out of the tree it hangs in (announced by `model` when the
// model holds it) and returns where it hung.
template <typename Place>
Place takeOut(Node* node, TreeModel* model)
{
    Place place;
    if (!node || !node->parent())
        return place;
    place.parent = node->parent();
    place.row = int(place.parent->children.indexOf(node));
    if (model && model->contains(node))
        model->takeNode(node);
    else
        place.parent->children.removeOne(node);
    node->setParent(nullptr);
    return place;
}

template <typename Place>
void putBack(Node* node, const Place& place, TreeModel* model, Node* fallback)
{
    if (!node || node->parent())
        return;
    Node* parent = place.parent && Node::isAlive(place.parent) ? place.parent : fallback;
    if (!parent)
        return;
    const int row = qBound(0, place.row, parent->childCount());
    if (model && model->contains(parent))
        model->insertNode(parent, row, node);
    else
        node->insertInto(parent, row);
}

} // namespace

AddCommand::AddCommand(QGraphicsItem* item, GraphicsScene* scene, QUndoCommand* parent)
    : QUndoCommand(parent)
    , m_item(item)
    , m_element(item, scene)
    , m_scene(scene)
    , m_initialPos(item->scenePos())
{
    setText(QObject::tr("Add"));
    m_scene->update();
}

AddCommand::~AddCommand()
{
    // On a map the item belongs to its scene; off every map, it is ours.
    if (!m_undone || !m_element.isOffEveryMap())
        return;
    SiteLocker lock;
    Node* node = elementNode();
    Node* energizer = energizerNode();
    delete m_item;
    if (node && !node->parent())
        delete node;
    if (energizer && !energizer->parent())
        delete energizer;
}

Node* AddCommand::elementNode() const
{
    auto* helper = dynamic_cast<GraphicsHelperClass*>(m_item);
    return helper ? helper->node() : nullptr;
}

Node* AddCommand::energizerNode() const
{
    auto* helper = dynamic_cast<GraphicsHelperClass*>(m_item);
    return helper ? helper->energizerNode() : nullptr;
}

void AddCommand::redo()
{
    // Once placed, the item is this map's while it is on it, or off every
    // map after this step's undo.
    if (m_done && !(m_undone ? m_element.isOffEveryMap() : m_element.isOnMap())) {
        setObsolete(true);
        return;
    }
    m_done = true;
    if (!m_item->scene())
        m_scene->insertItem(m_item);
    if (m_line.isOnMap()) {
        m_item->setParentItem(m_line.item());
        m_item->setPos(m_placeOnLine);
    } else {
        m_item->setPos(m_initialPos);
    }
    m_line = StepElement();
    takeRidersBack();
    if (m_undone) {
        SiteLocker lock;
        putBack(elementNode(), m_elementPlace, m_scene->elementModel(), m_scene->workplaceNode());
        TreeModel* energizers = m_scene->energizerModel();
        putBack(energizerNode(), m_energizerPlace, energizers, nullptr);
        m_hung.takeBack(m_scene->elementModel());
        m_undone = false;
    }
    m_scene->clearSelection();
    m_scene->update();
}

void AddCommand::undo()
{
    if (!m_element.isOnMap()) {
        setObsolete(true);
        return;
    }
    if (QGraphicsItem* line = m_item->parentItem()) {
        m_line = StepElement(line, m_scene);
        m_placeOnLine = m_item->pos();
    }
    leaveRiders();
    m_scene->removeItem(m_item);
    {
        SiteLocker lock;
        m_hung.leave(elementNode(), {m_item}, m_scene->elementModel());
        m_elementPlace = takeOut<Place>(elementNode(), m_scene->elementModel());
        m_energizerPlace = takeOut<Place>(energizerNode(), m_scene->energizerModel());
    }
    m_undone = true;
    // As after a deletion: the workplace current, nothing selected on the map.
    m_scene->itemSelected(nullptr);
    m_scene->update();
}

void AddCommand::leaveRiders()
{
    m_riders.clear();
    for (QGraphicsItem* child : m_item->childItems()) {
        if (child->type() != GraphicsHelperClass::CircleItemType)
            continue;
        const QPointF onMap = child->scenePos();
        m_riders.append({StepElement(child, m_scene), child->pos(), onMap});
        child->setParentItem(nullptr);
        child->setPos(onMap);
    }
}

void AddCommand::takeRidersBack()
{
    // Only a circle that still stands where the line left it rides again.
    for (const Rider& rider : qAsConst(m_riders)) {
        QGraphicsItem* circle = rider.circle.item();
        if (rider.circle.isOnMap() && !circle->parentItem() && circle->pos() == rider.onMap) {
            circle->setParentItem(m_item);
            circle->setPos(rider.onLine);
        }
    }
    m_riders.clear();
}
