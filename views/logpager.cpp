#include "logpager.h"

#include <QSqlQuery>

LogPager::LogPager(const QString& table, const QStringList& columns)
    : m_table(table)
    , m_columns(columns)
{
}

void LogPager::setFilter(const QString& sql, const QVariantList& values)
{
    m_filterSql = sql;
    m_filterValues = values;
}

void LogPager::setSort(int column, Qt::SortOrder order)
{
    m_column = column >= 0 && column < ColumnCount ? column : 0;
    m_order = order;
}

QString LogPager::where(QVariantList* values) const
{
    QString sql = m_filterSql.isEmpty() ? QStringLiteral("1") : QStringLiteral("(") + m_filterSql + QLatin1Char(')');
    *values = m_filterValues;
    if (m_newestKey.isValid()) {
        sql += QStringLiteral(" and %1 <= ?").arg(m_columns.at(0));
        values->append(m_newestKey);
    }
    return sql;
}

bool LogPager::read(const Row* after, int limit, std::vector<Row>* rows, const QSqlDatabase& db)
{
    if (m_column == 0)
        return readSegment(false, after, limit, rows, db);
    // Ascending the NULLs come first, descending last.
    const bool nullsFirst = m_order == Qt::AscendingOrder;
    const bool afterNull = after && (*after)[size_t(m_column)].isNull();
    const bool startInNulls = after ? afterNull : nullsFirst;
    const size_t had = rows->size();
    if (!readSegment(startInNulls, after, limit, rows, db))
        return false;
    const int got = int(rows->size() - had);
    // The other segment follows only when the first one is the leading one.
    if (got < limit && startInNulls == nullsFirst)
        return readSegment(!startInNulls, nullptr, limit - got, rows, db);
    return true;
}

bool LogPager::readSegment(bool nulls, const Row* after, int limit, std::vector<Row>* rows, const QSqlDatabase& db)
{
    const QString key = m_columns.at(0);
    const QString column = m_columns.at(m_column);
    const bool ascending = m_order == Qt::AscendingOrder;
    const QString op = ascending ? QStringLiteral(">") : QStringLiteral("<");
    const QString direction = ascending ? QStringLiteral(" asc") : QStringLiteral(" desc");

    QVariantList values;
    QString sql = QStringLiteral("select %1 from %2 where ").arg(m_columns.join(QStringLiteral(", ")), m_table)
        + where(&values);
    QString order;
    if (m_column == 0) {
        if (after) {
            sql += QStringLiteral(" and %1 %2 ?").arg(key, op);
            values << (*after)[0];
        }
        order = key + direction;
    } else {
        sql += QStringLiteral(" and %1 is %2null").arg(column, nulls ? QString() : QStringLiteral("not "));
        if (after && nulls) {
            sql += QStringLiteral(" and %1 %2 ?").arg(key, op);
            values << (*after)[0];
        } else if (after) {
            sql += QStringLiteral(" and (%1, %2) %3 (?, ?)").arg(column, key, op);
            values << (*after)[size_t(m_column)] << (*after)[0];
        }
        order = column + direction + QStringLiteral(", ") + key + direction;
    }
    sql += QStringLiteral(" order by ") + order + QStringLiteral(" limit ?");
    values << limit;

    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (const QVariant& value : qAsConst(values))
        query.addBindValue(value);
    ok = ok && query.exec();
    m_lastError = ok ? QSqlError() : query.lastError();
    while (ok && query.next()) {
        Row row;
        for (int i = 0; i < ColumnCount; ++i)
            row[size_t(i)] = query.value(i);
        rows->push_back(row);
    }
    return ok;
}

bool LogPager::count(qint64* rows, const QSqlDatabase& db)
{
    QVariantList values;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok = query.prepare(QStringLiteral("select count(*) from %1 where ").arg(m_table) + where(&values));
    for (const QVariant& value : qAsConst(values))
        query.addBindValue(value);
    ok = ok && query.exec() && query.next();
    m_lastError = ok ? QSqlError() : query.lastError();
    *rows = ok ? query.value(0).toLongLong() : 0;
    return ok;
}

bool LogPager::before(const Row& a, const Row& b) const
{
    const auto compareKeys = [](const QVariant& x, const QVariant& y) {
        // No key yet: the row is newer than any committed one.
        if (!x.isValid() || !y.isValid())
            return x.isValid() == y.isValid() ? 0 : (x.isValid() ? -1 : 1);
        const qint64 l = x.toLongLong();
        const qint64 r = y.toLongLong();
        return l < r ? -1 : (l > r ? 1 : 0);
    };
    int order = 0;
    if (m_column != 0) {
        const QVariant& x = a[size_t(m_column)];
        const QVariant& y = b[size_t(m_column)];
        if (x.isNull() != y.isNull())
            order = x.isNull() ? -1 : 1;
        else if (!x.isNull())
            order = QString::compare(x.toString(), y.toString(), Qt::CaseSensitive);
    }
    if (order == 0)
        order = compareKeys(a[0], b[0]);
    return m_order == Qt::AscendingOrder ? order < 0 : order > 0;
}
