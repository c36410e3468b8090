#include "sensorstatesproxymodel.h"

#include "node.h"
#include "sitemutex.h"

SensorStatesProxyModel::SensorStatesProxyModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
}

bool SensorStatesProxyModel::filterMatches(const QString& text) const
{
    return filterText.isEmpty() || filterText == text;
}

bool SensorStatesProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QAbstractItemModel* source = sourceModel();
    SiteLocker lock;
    const auto* node = static_cast<const Node*>(source->index(sourceRow, 0, sourceParent).internalPointer());
    if (!node || !node->enabled)
        return false;

    // The whole caption: a row shows a long one cut.
    const QModelIndex workspace = source->index(sourceRow, kWorkplaceColumn, sourceParent);
    const bool textOk = filterMatches(workspace.data(Qt::EditRole).toString());
    if (node->type == Node::TWSystem && !textOk)
        return false;
    if (showAll)
        return true;
    return node->data(kStatusColumn).toInt() != kReadyState;
}
