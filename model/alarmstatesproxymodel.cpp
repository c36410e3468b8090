#include "alarmstatesproxymodel.h"

#include "node.h"
#include "ungroupproxymodel.h"

AlarmStatesProxyModel::AlarmStatesProxyModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
}

bool AlarmStatesProxyModel::filterMatches(const QString& text) const
{
    return filterText.isEmpty() || filterText == text;
}

bool AlarmStatesProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QAbstractItemModel* source = sourceModel();
    const QModelIndex statusIndex = source->index(sourceRow, kStatusColumn, sourceParent);

    // No site lock: only this (the GUI) thread changes the trees, and the
    // enabled flag is atomic. A live site's rows are tested each second.
    const QModelIndex nodeIndex = ungroupModel ? ungroupModel->mapToSource(statusIndex) : statusIndex;
    const auto* node = static_cast<const Node*>(nodeIndex.internalPointer());
    if (node && !node->enabled)
        return false;
    // Every row shown, of every workspace: the texts decide nothing.
    if (showAll && filterText.isEmpty())
        return true;

    const bool textOk = filterMatches(source->index(sourceRow, kWorkspaceColumn, sourceParent).data().toString());
    const QString statusText = statusIndex.data().toString();
    if (statusText.isEmpty())
        return textOk;
    return textOk && (showAll || !statusText.contains(QLatin1String("OK")));
}
