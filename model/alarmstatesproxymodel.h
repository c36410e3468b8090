#pragma once

#include <QSortFilterProxyModel>
#include <QString>

class UngroupProxyModel;

// Decides which device rows the alarm states view shows: rows of enabled
// devices, of the current workspace when one is named, and, unless every
// row is wanted, only rows whose status is not OK. The source is either the
// energizer states tree or its flat form (`ungroupModel` set to the same
// flattening proxy that is the source).
class AlarmStatesProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    static constexpr int kStatusColumn = 1;
    static constexpr int kWorkspaceColumn = 10;

    explicit AlarmStatesProxyModel(QObject* parent = nullptr);

    bool filterMatches(const QString& text) const;
    // The owner re-filters after changing the fields.
    using QSortFilterProxyModel::invalidateFilter;

    UngroupProxyModel* ungroupModel = nullptr;
    bool showAll = true;
    QString filterText;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};
