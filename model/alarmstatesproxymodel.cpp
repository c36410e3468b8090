#include "alarmstatesproxymodel.h"

#include "node.h"
#include "ungroupproxymodel.h"

AlarmStatesProxyModel::AlarmStatesProxyModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    // The rows are never sorted; filtering on change is filterChangedRows'.
    setDynamicSortFilter(false);
}

void AlarmStatesProxyModel::setSourceModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* old = sourceModel())
        disconnect(old, &QAbstractItemModel::dataChanged, this, &AlarmStatesProxyModel::filterChangedRows);
    QSortFilterProxyModel::setSourceModel(model);
    if (model)
        connect(model, &QAbstractItemModel::dataChanged, this, &AlarmStatesProxyModel::filterChangedRows);
}

void AlarmStatesProxyModel::filterChangedRows(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    const auto spans = [&](int column) { return topLeft.column() <= column && column <= bottomRight.column(); };
    if (!topLeft.isValid() || !(spans(kStatusColumn) || spans(kWorkspaceColumn)))
        return;
    const QModelIndex parent = topLeft.parent();
    // Rows under a parent not shown show nowhere.
    if (parent.isValid() && !mapFromSource(parent).isValid())
        return;
    const QAbstractItemModel* source = sourceModel();
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const bool shown = mapFromSource(source->index(row, 0, parent)).isValid();
        if (filterAcceptsRow(row, parent) != shown) {
            invalidateFilter();
            return;
        }
    }
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

    // The whole caption: a row shows a long one cut.
    const QModelIndex workspace = source->index(sourceRow, kWorkspaceColumn, sourceParent);
    const bool textOk = filterMatches(workspace.data(Qt::EditRole).toString());
    const QString statusText = statusIndex.data().toString();
    if (statusText.isEmpty())
        return textOk;
    return textOk && (showAll || !statusText.contains(QLatin1String("OK")));
}
