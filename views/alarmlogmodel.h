#pragma once

#include "logpager.h"
#include "writebatch.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QSet>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <array>
#include <deque>

class AlarmLogProxyModel;

// The rows of logAlarm as the alarm log shows them, columns 0 key, 1 date
// and time, 2 source, 3 reason, 4 info; newest first unless sorted by
// another column.
//
// Only rows that can pass the log's filter (`setFilter`) are read, and in
// the log's sort order a page at a time, as the view scrolls down
// (canFetchMore/fetchMore): a log of some hundred thousand rows would take
// seconds and a hundred megabytes to read whole, and every row held costs
// the filter proxy above a little on each insert. A sort by another column
// is done by the query too (`setSort`), with an index per column, so a
// header click reads one page however long the log. Rows written while the
// program runs go in at once, where the order puts them among the rows
// held. Once the rows held exceed what the view has asked for by a page,
// the last are let go again (the view reads them anew if it scrolls down to
// them), so an insert costs the same however long the log or the run.
class AlarmLogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = 5;
    // Many screens of rows: the view asks for more long before its end shows.
    static constexpr int PageRows = 500;
    using Row = std::array<QVariant, ColumnCount>;

    explicit AlarmLogModel(QObject* parent = nullptr);

    // Reads only the rows `filter` can pass from the next load on.
    void setFilter(const AlarmLogProxyModel& filter);

    // Reads the first page anew. False (rows dropped, error kept) when the
    // table cannot be read.
    bool load();
    // Sorts by `column` (ties by key), reading the first page anew when the
    // order changes.
    bool setSort(int column, Qt::SortOrder order);
    // The rows shown as the database holds them, in the order shown, for a
    // printout: filter and order as they are now.
    LogPager pager() const { return m_pager; }
    QSqlError lastError() const { return m_lastError; }

    // Puts a row handed to the database (WriteBatch) where the order puts
    // it, under the ticket it got; its key, when it has none yet or the key changes,
    // comes with `setKeys` once the row is committed.
    void prepend(quint64 ticket, const Row& row);
    void setKeys(const WriteBatch::WrittenRows& rows);
    // Whether the row of `ticket` is shown here and not committed yet.
    bool holds(quint64 ticket) const { return m_pending.contains(ticket); }

    // Texts of columns 1 to 4.
    void setHeaders(const QStringList& headers) { m_headers = headers; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct HeldRow
    {
        Row cells;
        quint64 ticket = 0; // of a row written in this run
    };

    bool readRows(const Row* after, int limit, std::deque<HeldRow>* rows);
    // Where a new row goes among those held; -1 beyond them, where a later
    // page reads it.
    int placeOf(const Row& row) const;
    const Row* lastRead() const;
    void letOldestGo();

    std::deque<HeldRow> m_rows; // in the sort order
    QStringList m_headers;
    QSqlError m_lastError;
    LogPager m_pager;
    bool m_atEnd = true;
    // The rows the view has asked for; more than a page beyond go again.
    int m_wanted = PageRows;
    // Tickets of rows shown whose key is not committed yet.
    QSet<quint64> m_uncommitted;
    // Tickets of every row written here whose key is not committed yet,
    // shown or past the rows held.
    QSet<quint64> m_pending;
    // The newest key in the table when the last load read: a row committed
    // before it came with the load (or comes with a later page), and its
    // copy held goes when its key arrives.
    qint64 m_newestRead = -1;
};
