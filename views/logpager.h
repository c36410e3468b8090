#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <array>
#include <functional>
#include <limits>
#include <vector>

// Reads the rows of a log table (key first, then the stamp and three more
// text columns) a page at a time in a sort order chosen by column, ties
// broken by the key in the same direction. Each page goes on from the row
// before it (keyset paging), so a page deep into a long log costs what the
// first one does, given an index on the sort column. The stamp column sorts
// in time order, by its key (StampKey). NULLs sort first ascending, last
// descending, as SQLite orders them; they are read as a segment of their
// own so that every query walks the index.
//
// A range of days is read through the index on the stamp key. In the key's
// order the table itself is read between the first and last key of the
// days. Otherwise it depends on how many keys the days span: a few
// (SortedRangeRows) rows are taken from that index and sorted; more are read
// in the order's own index, which finds a page at once when the days hold
// many rows: an entry outside the days' keys is passed over on the index,
// the others' days checked row by row.
//
// The keys a row at either end of the days has are estimates, from a few
// seeks: a clock set back across a day's end writes rows of that day after
// later ones. Making them exact walks every key of the days, so it goes a
// stretch at a time (`settleSpan`) after the first page is shown; a count
// makes them exact before the pages it counted are read.
class LogPager
{
public:
    static constexpr int ColumnCount = 5;
    static constexpr int StampColumn = 1;
    static constexpr qint64 SortedRangeRows = 20000;
    // Keys of the days walked in one stretch: a few milliseconds of a cold file.
    static constexpr int SettleRows = 5000;
    using Row = std::array<QVariant, ColumnCount>;

    // `columns`: the key column, then the four shown.
    LogPager(const QString& table, const QStringList& columns);

    // Only rows passing `sql` (with `values` bound in order); empty for all.
    void setFilter(const QString& sql, const QVariantList& values);
    // Only rows stamped on the days from `from` to `to`, in the logs' form:
    // an invalid `from` sets no first day, an invalid `to` lets no row pass.
    void setDays(const QDate& from, const QDate& to);
    // Column 0 sorts by the key alone.
    void setSort(int column, Qt::SortOrder order);
    int sortColumn() const { return m_column; }
    QString keyColumn() const { return m_columns.at(0); }
    Qt::SortOrder sortOrder() const { return m_order; }
    // Only rows whose key is at most `key`; none for an invalid one.
    void setNewestKey(const QVariant& key) { m_newestKey = key; }
    // The keys the days span are found again with the next read or count,
    // as they are after the table changed; until then, another sort reads
    // within the keys found, and those of rows written since on the days.
    // A count always finds them anew.
    void forgetSpan() { m_span = Span(); }

    // Appends the next `limit` rows after `after` (from the start for null)
    // to `rows`. False, error kept, when the table cannot be read.
    bool read(const Row* after, int limit, std::vector<Row>* rows, const QSqlDatabase& db = QSqlDatabase::database());
    // Whether the first and last key of the days are estimates still: the
    // key's order reads between them.
    bool spanEstimated() const
    {
        return m_daysSet && m_span.known && !m_span.empty && !(m_span.firstExact && m_span.lastExact);
    }
    // Walks up to `limit` more keys of the days towards their exact ends;
    // `moved` when, that done, an end lies beyond its estimate. False, error
    // kept, when the table cannot be read.
    bool settleSpan(int limit, bool* moved, const QSqlDatabase& db = QSqlDatabase::database());
    // Rows passing the filter. A count over days that span many keys reads
    // them a day at a time and runs `between` after each; the reads that
    // follow keep to the keys it counted (no row written since is read).
    bool count(qint64* rows, const QSqlDatabase& db = QSqlDatabase::database(),
               const std::function<void()>& between = {});
    QSqlError lastError() const { return m_lastError; }

    // Whether `a` comes before `b` in the sort order; a row without a key
    // (not committed yet) counts as newer than every row with one.
    bool before(const Row& a, const Row& b) const;

private:
    // The keys of the rows on the days: the smallest and the largest, the
    // last open when rows written from now on may fall on the days.
    struct Span
    {
        bool known = false;
        bool empty = false;
        bool lastOpen = false;
        bool firstExact = false;
        bool lastExact = false;
        QVariant first;
        QVariant last;
        qint64 rows = 0; // how many keys lie between, about
        // The newest key of the table the span has looked at: rows written
        // after it are looked at before the next read (`takeInNewRows`).
        QVariant newest;
        // The walk to the exact ends: the last row walked, in the stamp
        // key's order, and the smallest and largest key met.
        QVariant walked;
        QString walkedKey;
        qint64 least = std::numeric_limits<qint64>::max();
        qint64 most = std::numeric_limits<qint64>::min();
    };

    bool readSegment(bool nulls, const Row* after, int limit, std::vector<Row>* rows, const QSqlDatabase& db);
    QString where(QVariantList* values, bool dayIndex) const;
    QString where(QVariantList* values, bool dayIndex, const QString& firstKey, const QString& endKey) const;
    QString sortExpression(bool indexed) const;
    bool findSpan(const QSqlDatabase& db);
    bool takeInNewRows(const QSqlDatabase& db);
    bool seek(QSqlQuery& query, const QString& sql, const QVariantList& values, QVariant* id, QString* key);
    void spanTerms(bool hiddenKey, const QVariant* after, QString* sql, QVariantList* values) const;
    bool countDays(qint64* rows, const QSqlDatabase& db, const std::function<void()>& between);
    bool exec(QSqlQuery& query, const QString& sql, const QVariantList& values);

    QString m_table;
    QStringList m_columns;
    QString m_filterSql;
    QVariantList m_filterValues;
    bool m_daysSet = false;
    QDate m_firstDay;
    QDate m_lastDay;
    QString m_firstKey; // empty: no first day
    QString m_endKey;   // empty: no row passes
    Span m_span;
    QVariant m_newestKey;
    int m_column = 0;
    Qt::SortOrder m_order = Qt::DescendingOrder;
    QSqlError m_lastError;
};
