#pragma once

#include <QDate>
#include <QSortFilterProxyModel>

// Narrows the alarm log table (columns 1 date and time, 2 source, 3 reason,
// 4 info) to a range of days and to the kinds of record switched on.
class AlarmLogProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit AlarmLogProxyModel(QObject* parent = nullptr);

    // The form the log stores its time stamps in (a trailing blank is ignored).
    static constexpr const char* kDateTimeFormat = "dd.MM.yyyy hh:mm:ss";

    bool showOk = true;
    bool showWarning = true;
    bool showCritical = true;
    QDate fromDate;
    QDate toDate;

    // Whether a row of these texts passes: its day in the range, its kind
    // switched on.
    bool accepts(const QString& stamp, const QString& source, const QString& reason, const QString& info) const;

    // The source holds its rows newest first, the order of column 0
    // descending: that order is the source's own, so rows still waiting for
    // their key keep their place on top.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};
