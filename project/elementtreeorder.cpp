#include "elementtreeorder.h"

#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <algorithm>

namespace {

int rank(const Node* node)
{
    return node->type == Node::TWSystem ? 0 : node->type;
}

void place(Node* parent, int row, Node* node)
{
    if (g_elementTreeModel && g_elementTreeModel->contains(parent))
        g_elementTreeModel->insertNode(parent, row, node);
    else
        node->insertInto(parent, row);
}

} // namespace

namespace ElementTreeOrder {

void hangSorted(Node* parent, Node* node, const Node* sibling)
{
    if (!parent || !node || node->isAncestorOf(parent))
        return;
    SiteLocker lock;
    if (node->parent() == parent) {
        sortChildren(parent);
        return;
    }
    const bool before = sibling && sibling->parent() == parent && rank(sibling) == rank(node);
    int row = before ? parent->children.indexOf(const_cast<Node*>(sibling)) : 0;
    while (!before && row < parent->childCount() && rank(parent->child(row)) >= rank(node))
        ++row;
    place(parent, row, node);
}

void sortChildren(Node* parent)
{
    if (!parent)
        return;
    SiteLocker lock;
    QList<Node*> sorted = parent->children;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Node* a, const Node* b) { return rank(a) > rank(b); });
    // Rows before i are in place, so the node wanted at i stands at i or later.
    for (int i = 0; i < sorted.size(); ++i) {
        if (parent->child(i) != sorted.at(i))
            place(parent, i, sorted.at(i));
    }
}

} // namespace ElementTreeOrder
