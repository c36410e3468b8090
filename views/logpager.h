#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <array>
#include <vector>

// Reads the rows of a log table (key first, then four text columns) a page
// at a time in a sort order chosen by column, ties broken by the key in the
// same direction. Each page goes on from the row before it (keyset paging),
// so a page deep into a long log costs what the first one does, given an
// index on the sort column. NULLs sort first ascending, last descending, as
// SQLite orders them; they are read as a segment of their own so that every
// query walks the index.
class LogPager
{
public:
    static constexpr int ColumnCount = 5;
    using Row = std::array<QVariant, ColumnCount>;

    // `columns`: the key column, then the four shown.
    LogPager(const QString& table, const QStringList& columns);

    // Only rows passing `sql` (with `values` bound in order); empty for all.
    void setFilter(const QString& sql, const QVariantList& values);
    // Column 0 sorts by the key alone.
    void setSort(int column, Qt::SortOrder order);
    int sortColumn() const { return m_column; }
    Qt::SortOrder sortOrder() const { return m_order; }
    // Only rows whose key is at most `key`; none for an invalid one.
    void setNewestKey(const QVariant& key) { m_newestKey = key; }

    // Appends the next `limit` rows after `after` (from the start for null)
    // to `rows`. False, error kept, when the table cannot be read.
    bool read(const Row* after, int limit, std::vector<Row>* rows, const QSqlDatabase& db = QSqlDatabase::database());
    // Rows passing the filter.
    bool count(qint64* rows, const QSqlDatabase& db = QSqlDatabase::database());
    QSqlError lastError() const { return m_lastError; }

    // Whether `a` comes before `b` in the sort order; a row without a key
    // (not committed yet) counts as newer than every row with one.
    bool before(const Row& a, const Row& b) const;

private:
    bool readSegment(bool nulls, const Row* after, int limit, std::vector<Row>* rows, const QSqlDatabase& db);
    QString where(QVariantList* values) const;

    QString m_table;
    QStringList m_columns;
    QString m_filterSql;
    QVariantList m_filterValues;
    QVariant m_newestKey;
    int m_column = 0;
    Qt::SortOrder m_order = Qt::DescendingOrder;
    QSqlError m_lastError;
};
