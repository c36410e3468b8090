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
    , m_items(items)
    , m_scene(scene)
{
    setText(QObject::tr("Delete"));
    m_nodePlaces.resize(m_items.size());
}

void DelItemCommand::redo()
{
    for (int i = 0; i < m_items.size(); ++i) {
        QGraphicsItem* item = m_items.at(i);
        m_scene->removeItem(item);
        auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
        Node* node = helper ? helper->node() : nullptr;
        if (!node)
            continue;
        SiteLocker lock;
        if (item->type() == GraphicsHelperClass::BoxItemType && helper->energizerNode() && g_energizerModel)
            g_energizerModel->takeNode(helper->energizerNode());
        Node* parent = node->parent();
        m_nodePlaces[i] = {parent, parent ? int(parent->children.indexOf(node)) : 0};
        if (g_elementTreeModel)
            g_elementTreeModel->takeNode(node);
    }
    m_scene->update();
}

void DelItemCommand::undo()
{
    for (int i = 0; i < m_items.size(); ++i) {
        QGraphicsItem* item = m_items.at(i);
        m_scene->insertItem(item);
        auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
        Node* node = helper ? helper->node() : nullptr;
        if (!node || !g_elementTreeModel)
            continue;
        SiteLocker lock;
        // A text box linked under a fence sector goes back under that sector,
        // so the link survives the undo; otherwise to the top of the workplace.
        Node* parent = m_scene->workplaceNode();
        int row = 0;
        const Place place = m_nodePlaces.at(i);
        if (place.parent && place.parent != parent && Node::isAlive(place.parent)
            && g_elementTreeModel->contains(place.parent)) {
            parent = place.parent;
            row = qBound(0, place.row, place.parent->childCount());
        }
        node->setParent(nullptr);
        if (parent)
            g_elementTreeModel->insertNode(parent, row, node);
        if (node->type == Node::MapElement && helper->energizerNode() && g_energizerModel) {
            helper->energizerNode()->setParent(nullptr);
            g_energizerModel->insertNode(g_energizerModel->rootNode(), 0, helper->energizerNode());
        }
    }
    m_scene->update();
}
