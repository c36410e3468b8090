#pragma once

#include <QSortFilterProxyModel>
#include <QString>

// Decides which rows the TW sensor states view shows: enabled nodes, TW
// systems of the current workspace when one is named (with their sensors),
// and, unless every row is wanted, only rows not in the "Ready" state.
class SensorStatesProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    static constexpr int kStatusColumn = 1;
    static constexpr int kWorkplaceColumn = 2;
    static constexpr int kReadyState = 1;

    explicit SensorStatesProxyModel(QObject* parent = nullptr);

    bool filterMatches(const QString& text) const;
    // The owner re-filters after changing the fields.
    using QSortFilterProxyModel::invalidateFilter;

    QString filterText;
    bool showAll = true;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};
