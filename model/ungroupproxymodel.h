#pragma once

#include <QAbstractProxyModel>

#include <memory>

class UngroupProxyModelPrivate;

// Shows a two-level source tree as one flat table: the children of the
// source's top-level rows, in source order (all children of top-level row 0,
// then those of row 1, ...). The top-level rows themselves are not shown.
// Only child counts are cached; every value is read through the source.
class UngroupProxyModel : public QAbstractProxyModel
{
    Q_OBJECT
public:
    explicit UngroupProxyModel(QObject* parent = nullptr);
    ~UngroupProxyModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    // Columns are the source's own, so their titles need no row to map through.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void setSourceModel(QAbstractItemModel* model) override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;

private slots:
    void source_rowsAboutToBeInserted(const QModelIndex& parent, int first, int last);
    void source_rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
    void source_rowsInserted(const QModelIndex& parent, int first, int last);
    void source_rowsRemoved(const QModelIndex& parent, int first, int last);
    void source_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void source_modelReset();
    // Changes the flat rows cannot follow one by one (moves, layout and
    // column changes, new top-level rows) reset the proxy.
    void source_aboutToChangeEverything();
    void source_changedEverything();

private:
    std::unique_ptr<UngroupProxyModelPrivate> d;
};
