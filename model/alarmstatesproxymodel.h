#pragma once

#include <QSortFilterProxyModel>
#include <QString>

class UngroupProxyModel;

// Decides which device rows the alarm states view shows: rows of enabled
// devices, of the current workspace when one is named, and, unless every
// row is wanted, only rows whose status is not OK. The source is either the
// energizer states tree or its flat form (`ungroupModel` set to the same
// flattening proxy that is the source).
//
// A live site announces its changing voltages every second, and a dynamic
// filter proxy filters every announced row again whatever its columns. Only
// the status, workspace and enabled flag decide a row here (a change of the
// flag is announced for the whole row), so the proxy filters again only
// what touches those.
class AlarmStatesProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    static constexpr int kStatusColumn = 1;
    static constexpr int kWorkspaceColumn = 10;

    explicit AlarmStatesProxyModel(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* model) override;

    bool filterMatches(const QString& text) const;
    // The owner re-filters after changing the fields.
    using QSortFilterProxyModel::invalidateFilter;

    UngroupProxyModel* ungroupModel = nullptr;
    bool showAll = true;
    QString filterText;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    void filterChangedRows(const QModelIndex& topLeft, const QModelIndex& bottomRight);
};
