#pragma once

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

// The rows of logAlarm as the alarm log shows them: newest first, columns
// 0 key, 1 date and time, 2 source, 3 reason, 4 info.
//
// Only rows that can pass the log's filter (`setFilter`) are read, and in
// the log's own order a page at a time, as the view scrolls down
// (canFetchMore/fetchMore): a log of some hundred thousand rows would take
// seconds and a hundred megabytes to read whole, and every row held costs
// the filter proxy above a little on each insert. Rows written while the
// program runs go on top at once. Once the rows held exceed what the view
// has asked for by a page, the oldest are let go again (the view reads them
// anew if it scrolls down to them), so an insert costs the same however
// long the log or the run. Read whole (`loadAll`), for a sort by another
// column, every row that can pass is held.
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

    // Reads the rows anew: the first page, or every row that can pass when
    // not windowed. False (rows dropped, error kept) when the table cannot
    // be read.
    bool load();
    bool isWindowed() const { return m_windowed; }
    // Reads anew when the mode changes.
    bool setWindowed(bool windowed);
    QSqlError lastError() const { return m_lastError; }

    // Puts a row handed to the database (WriteBatch) at the top, under the
    // ticket it got; its key, when it has none yet or the key changes,
    // comes with `setKeys` once the row is committed.
    void prepend(quint64 ticket, const Row& row);
    void setKeys(const WriteBatch::WrittenRows& rows);
    // Whether the row of `ticket` is shown here and not committed yet.
    bool holds(quint64 ticket) const { return m_uncommitted.contains(ticket); }

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

    bool readRows(const QVariant& below, int limit, std::deque<HeldRow>* rows);
    void letOldestGo();

    std::deque<HeldRow> m_rows; // newest first
    QStringList m_headers;
    QSqlError m_lastError;
    QString m_filterSql;
    QVariantList m_filterValues;
    bool m_windowed = true;
    bool m_atEnd = true;
    // The rows the view has asked for; more than a page beyond go again.
    int m_wanted = PageRows;
    // Tickets of rows shown whose key is not committed yet.
    QSet<quint64> m_uncommitted;
    // The newest key the last load read: a row committed before it came
    // with it, and its copy held on top goes when its key arrives.
    qint64 m_newestRead = -1;
};
