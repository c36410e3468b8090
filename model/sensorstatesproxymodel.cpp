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

    const bool textOk = filterMatches(source->index(sourceRow, kWorkplaceColumn, sourceParent).data().toString());
    if (node->type == Node::TWSystem && !textOk)
        return false;
    if (showAll)
        return true;
    return node->data(kStatusColumn).toInt() != kReadyState;
}
