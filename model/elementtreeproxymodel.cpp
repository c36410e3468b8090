#include "elementtreeproxymodel.h"

#include "node.h"
#include "sitemutex.h"

#include <initializer_list>

namespace {

bool oneOf(int type, std::initializer_list<int> types)
{
    for (int accepted : types) {
        if (type == accepted)
            return true;
    }
    return false;
}

} // namespace

ElementTreeProxyModel::ElementTreeProxyModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
}

bool ElementTreeProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    SiteLocker lock;
    const auto* node = static_cast<const Node*>(sourceModel()->index(sourceRow, 0, sourceParent).internalPointer());
    if (!node || !node->enabled)
        return false;

    const int t = node->type;
    if (selectSensor)
        return oneOf(t, {Node::Workplace, Node::TWSystem, Node::TWSensor});
    if (selectFence)
        return oneOf(t, {Node::Workplace, Node::MapElement, Node::FenceLine, Node::Energizer, Node::FenceSector});
    if (selectIOCard)
        return oneOf(t, {Node::Workplace, Node::MapElement, Node::IOCard});
    if (selectEnergizer)
        return oneOf(t, {Node::Workplace, Node::MapElement, Node::Energizer});
    if (buttonTargets)
        return oneOf(t, {Node::Workplace, Node::MapElement, Node::Energizer, Node::IOCard, Node::TWSystem});

    if (!m_workplaceFilter.isEmpty() && t == Node::Workplace && node->data(0).toString() != m_workplaceFilter)
        return false;
    if (workplaceMode == 1)
        return t != Node::TWSystem;
    if (workplaceMode == 2)
        return t != Node::MapElement;
    return true;
}
