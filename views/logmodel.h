#pragma once

#include "logpager.h"
#include "writebatch.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <deque>
#include <vector>

// The rows of a log table as its view shows them, columns 0 key, 1 date
// and time, then three texts; newest first unless sorted by another column.
//
// Only rows that can pass the log's filter (`setFilter`, `setDays`) are
// read, and in the log's sort order a page at a time, as the view scrolls down
// (canFetchMore/fetchMore): a log of some hundred thousand rows would take
// seconds and a hundred megabytes to read whole. A sort by another column
// is done by the query too (`setSort`), with an index per column, so a
// header click reads one page however long the log. Rows written while the
// program runs come in batches (`add`) and go in where the order puts them
// among the rows held, one insertion per place. Once the rows held exceed
// what the view has asked for by a page, the last are let go again (the
// view reads them anew if it scrolls down to them). A batch costs the same
// however long the log, the run or the rows still on their way to the
// database. The first and last key of the days are made exact after the
// first page shows, a stretch per turn of the event loop.
class LogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = LogPager::ColumnCount;
    // Many screens of rows: the view asks for more long before its end shows.
    static constexpr int PageRows = 500;
    // Rows written in this run that the order put past the rows read, kept
    // until they are committed and a page can read them.
    static constexpr int MaxRowsBeyond = 5000;
    using Row = LogPager::Row;

    // A row handed to the database (WriteBatch) under `ticket`, without its
    // key until it is committed.
    struct Arrival
    {
        quint64 ticket = 0;
        Row cells;
    };

    // `columns`: the key column, then the four shown, as LogPager takes them.
    LogModel(const QString& table, const QStringList& columns, QObject* parent = nullptr);

    // From the next load on, reads only rows passing `sql` (with `values`
    // bound in order), and only rows stamped on the days from `from` to `to`.
    void setFilter(const QString& sql, const QVariantList& values) { m_pager.setFilter(sql, values); }
    void setDays(const QDate& from, const QDate& to) { m_pager.setDays(from, to); }

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
    QString table() const { return m_table; }

    // Puts rows written in this run (in the order they came) where the
    // order puts them; their keys come with `setKeys` once committed.
    void add(const std::vector<Arrival>& rows);
    // Rows up to `ticket` came but were not shown: the first page is read
    // anew once they are committed.
    void reloadOnceWritten(quint64 ticket);
    void setKeys(const WriteBatch::WrittenRows& rows);

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
    using HeldRows = std::deque<HeldRow>;

    bool readFirstPage();
    void settleSpan();
    bool readRows(const Row* after, int limit, const QVariant& newest, HeldRows* rows);
    bool comesBefore(const HeldRow& a, const HeldRow& b) const;
    // Puts `rows` among those held, announcing each insertion when
    // `announce`; those past the last row read go to m_beyond.
    void place(std::vector<HeldRow> rows, bool announce);
    void placeUnlessRead(std::vector<HeldRow> rows);
    bool hasTwin(const HeldRow& row) const;
    // Whether the row of this run was committed by the ticket `settled`.
    static bool settledBy(const HeldRow& row, quint64 settled);
    static std::vector<HeldRow> stillWaiting(const std::vector<HeldRow>& rows, quint64 settled);
    bool newestKey(QVariant* key);
    void letOldestGo();

    const QString m_table;
    HeldRows m_rows; // in the sort order
    QStringList m_headers;
    QSqlError m_lastError;
    LogPager m_pager;
    bool m_atEnd = true;
    // The last row read from the table, while there are more: a page goes
    // on after it, and no row held comes after it.
    Row m_lastRead;
    // The rows the view has asked for; more than a page beyond go again.
    int m_wanted = PageRows;
    // Tickets of rows held whose key is not committed yet.
    QSet<quint64> m_uncommitted;
    // Rows of this run past the last row read, not committed yet: a page
    // read before their commit misses them, and they go in after it.
    std::vector<HeldRow> m_beyond;
    // The newest key in the table when rows were last read: a row of this
    // run committed before that may have come from the table too.
    qint64 m_readNewest = -1;
    quint64 m_reloadAfter = 0;
    QTimer m_settle;
};
