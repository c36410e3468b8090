#include "ungroupproxymodel.h"

#include <QHash>
#include <QMetaMethod>
#include <QMetaObject>
#include <QVector>

class UngroupProxyModelPrivate
{
public:
    explicit UngroupProxyModelPrivate(UngroupProxyModel* q)
        : q(q)
    {
    }

    // Children of top-level source row `topRow`, cached on first use.
    int count(int topRow) const
    {
        const QAbstractItemModel* source = q->sourceModel();
        if (!source)
            return 0;
        auto it = childCounts.constFind(topRow);
        if (it != childCounts.constEnd())
            return it.value();
        const int children = source->rowCount(source->index(topRow, 0));
        childCounts.insert(topRow, children);
        return children;
    }

    // First flat row that belongs to top-level row `topRow`.
    int start(int topRow) const
    {
        int total = 0;
        for (int i = 0; i < topRow; ++i)
            total += count(i);
        return total;
    }

    int topLevelRows() const
    {
        const QAbstractItemModel* source = q->sourceModel();
        return source ? source->rowCount() : 0;
    }

    // A source index one level below the top (a row this proxy shows).
    static bool isSecondLevel(const QModelIndex& parent)
    {
        return parent.isValid() && !parent.parent().isValid();
    }

    UngroupProxyModel* q;
    mutable QHash<int, int> childCounts;
    bool removalPending = false;
    bool resetPending = false;
    QVector<QMetaObject::Connection> connections;
};

UngroupProxyModel::UngroupProxyModel(QObject* parent)
    : QAbstractProxyModel(parent)
    , d(std::make_unique<UngroupProxyModelPrivate>(this))
{
}

UngroupProxyModel::~UngroupProxyModel() = default;

QModelIndex UngroupProxyModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex UngroupProxyModel::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int UngroupProxyModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !sourceModel())
        return 0;
    return d->start(d->topLevelRows());
}

int UngroupProxyModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !sourceModel())
        return 0;
    return sourceModel()->columnCount();
}

bool UngroupProxyModel::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && rowCount() > 0;
}

QVariant UngroupProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && sourceModel())
        return sourceModel()->headerData(section, orientation, role);
    return QAbstractProxyModel::headerData(section, orientation, role);
}

QModelIndex UngroupProxyModel::mapToSource(const QModelIndex& proxyIndex) const
{
    const QAbstractItemModel* source = sourceModel();
    if (!source || !proxyIndex.isValid() || proxyIndex.model() != this)
        return QModelIndex();
    int row = proxyIndex.row();
    const int topRows = d->topLevelRows();
    for (int i = 0; i < topRows; ++i) {
        const int children = d->count(i);
        if (row < children)
            return source->index(row, proxyIndex.column(), source->index(i, 0));
        row -= children;
    }
    return QModelIndex();
}

QModelIndex UngroupProxyModel::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceModel() || !sourceIndex.isValid() || sourceIndex.model() != sourceModel())
        return QModelIndex();
    const QModelIndex parent = sourceIndex.parent();
    if (!UngroupProxyModelPrivate::isSecondLevel(parent))
        return QModelIndex();
    return index(d->start(parent.row()) + sourceIndex.row(), sourceIndex.column());
}

void UngroupProxyModel::setSourceModel(QAbstractItemModel* model)
{
    for (const auto& connection : qAsConst(d->connections))
        disconnect(connection);
    d->connections.clear();

    beginResetModel();
    d->childCounts.clear();
    d->removalPending = false;
    d->resetPending = false;
    QAbstractProxyModel::setSourceModel(model);
    if (model) {
        using M = QAbstractItemModel;
        using U = UngroupProxyModel;
        d->connections = {
            connect(model, &M::rowsAboutToBeInserted, this, &U::source_rowsAboutToBeInserted),
            connect(model, &M::rowsInserted, this, &U::source_rowsInserted),
            connect(model, &M::rowsAboutToBeRemoved, this, &U::source_rowsAboutToBeRemoved),
            connect(model, &M::rowsRemoved, this, &U::source_rowsRemoved),
            connect(model, &M::dataChanged, this, &U::source_dataChanged),
            connect(model, &M::modelAboutToBeReset, this, &U::source_aboutToChangeEverything),
            connect(model, &M::modelReset, this, &U::source_modelReset),
            connect(model, &M::rowsAboutToBeMoved, this, &U::source_aboutToChangeEverything),
            connect(model, &M::rowsMoved, this, &U::source_changedEverything),
            connect(model, &M::layoutAboutToBeChanged, this, &U::source_aboutToChangeEverything),
            connect(model, &M::layoutChanged, this, &U::source_changedEverything),
            connect(model, &M::columnsAboutToBeInserted, this, &U::source_aboutToChangeEverything),
            connect(model, &M::columnsInserted, this, &U::source_changedEverything),
            connect(model, &M::columnsAboutToBeRemoved, this, &U::source_aboutToChangeEverything),
            connect(model, &M::columnsRemoved, this, &U::source_changedEverything),
            connect(model, &M::columnsAboutToBeMoved, this, &U::source_aboutToChangeEverything),
            connect(model, &M::columnsMoved, this, &U::source_changedEverything),
        };
    }
    endResetModel();
}

void UngroupProxyModel::source_rowsAboutToBeInserted(const QModelIndex& parent, int first, int last)
{
    if (!parent.isValid()) {
        // A new top-level row may come with children; its rows appear in the
        // middle of the flat table without a range known beforehand.
        source_aboutToChangeEverything();
        return;
    }
    if (!UngroupProxyModelPrivate::isSecondLevel(parent))
        return;
    const int start = d->start(parent.row()) + first;
    beginInsertRows(QModelIndex(), start, start + (last - first));
}

void UngroupProxyModel::source_rowsInserted(const QModelIndex& parent, int, int)
{
    if (!parent.isValid()) {
        source_changedEverything();
        return;
    }
    if (!UngroupProxyModelPrivate::isSecondLevel(parent))
        return;
    d->childCounts.clear();
    endInsertRows();
}

void UngroupProxyModel::source_rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid()) {
        if (!UngroupProxyModelPrivate::isSecondLevel(parent))
            return;
        const int start = d->start(parent.row()) + first;
        beginRemoveRows(QModelIndex(), start, start + (last - first));
        return;
    }
    const int a = d->start(first);
    const int b = d->start(last + 1);
    if (b == a)
        return;
    beginRemoveRows(QModelIndex(), a, b - 1);
    d->removalPending = true;
}

void UngroupProxyModel::source_rowsRemoved(const QModelIndex& parent, int, int)
{
    if (parent.isValid()) {
        if (!UngroupProxyModelPrivate::isSecondLevel(parent))
            return;
        d->childCounts.clear();
        endRemoveRows();
        return;
    }
    d->childCounts.clear();
    if (d->removalPending) {
        d->removalPending = false;
        endRemoveRows();
    }
}

void UngroupProxyModel::source_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    // Passed on as mapped, unchecked: a change without a range (the site tree
    // model reports every value change so) or of a top-level row goes out
    // with invalid indexes, on which views repaint in full and the filter
    // proxies above do nothing; their owners re-filter. Unwatched (the
    // states view shows the tree), a live site's changes each second are
    // not mapped for nobody.
    static const QMetaMethod changed = QMetaMethod::fromSignal(&QAbstractItemModel::dataChanged);
    if (!isSignalConnected(changed))
        return;
    const QModelIndex from = mapFromSource(topLeft);
    const QModelIndex to = mapFromSource(bottomRight);
    if (from.isValid() != to.isValid())
        emit dataChanged(QModelIndex(), QModelIndex(), {});
    else
        emit dataChanged(from, to, {});
}

void UngroupProxyModel::source_modelReset()
{
    d->removalPending = false;
    if (!d->resetPending)
        source_aboutToChangeEverything();
    source_changedEverything();
}

void UngroupProxyModel::source_aboutToChangeEverything()
{
    if (d->resetPending)
        return;
    d->resetPending = true;
    beginResetModel();
}

void UngroupProxyModel::source_changedEverything()
{
    d->childCounts.clear();
    if (!d->resetPending)
        return;
    d->resetPending = false;
    endResetModel();
}
