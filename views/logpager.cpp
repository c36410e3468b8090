#include "logpager.h"

#include "stampkey.h"

#include <QSqlQuery>

#include <algorithm>

namespace {

// A stamp in the logs' own form; rows stamped otherwise are on no day.
const char* const StampGlob = "'[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]*'";

// A term the planner may not serve from an index: unary plus keeps the
// value and hides the column or expression.
QString hidden(const QString& expression)
{
    return QStringLiteral("+(") + expression + QLatin1Char(')');
}

} // namespace

LogPager::LogPager(const QString& table, const QStringList& columns)
    : m_table(table)
    , m_columns(columns)
{
}

void LogPager::setFilter(const QString& sql, const QVariantList& values)
{
    m_filterSql = sql;
    m_filterValues = values;
    forgetSpan();
}

void LogPager::setDays(const QDate& from, const QDate& to)
{
    m_daysSet = true;
    m_firstKey = StampKey::dayStart(from);
    m_endKey = StampKey::dayStart(to.addDays(1));
    forgetSpan();
}

void LogPager::setSort(int column, Qt::SortOrder order)
{
    m_column = column >= 0 && column < ColumnCount ? column : 0;
    m_order = order;
}

QString LogPager::sortExpression(bool indexed) const
{
    const QString column = m_columns.at(m_column);
    const QString expression = m_column == StampColumn ? StampKey::sql(column) : column;
    return indexed ? expression : hidden(expression);
}

// The filter, the days (through the stamp key's index when `dayIndex`) and
// the newest key.
QString LogPager::where(QVariantList* values, bool dayIndex) const
{
    QString sql = m_filterSql.isEmpty() ? QStringLiteral("1") : QStringLiteral("(") + m_filterSql + QLatin1Char(')');
    *values = m_filterValues;
    if (m_daysSet) {
        const QString stamp = m_columns.at(StampColumn);
        const QString key = dayIndex ? StampKey::sql(stamp) : hidden(StampKey::sql(stamp));
        if (m_endKey.isEmpty()) {
            sql += QStringLiteral(" and 0");
        } else {
            if (!m_firstKey.isEmpty()) {
                sql += QStringLiteral(" and ") + key + QStringLiteral(" >= ?");
                values->append(m_firstKey);
            }
            sql += QStringLiteral(" and ") + key + QStringLiteral(" < ? and ") + stamp + QStringLiteral(" glob ")
                + QLatin1String(StampGlob);
            values->append(m_endKey);
        }
    }
    if (m_newestKey.isValid()) {
        sql += QStringLiteral(" and %1 <= ?").arg(hidden(m_columns.at(0)));
        values->append(m_newestKey);
    }
    return sql;
}

bool LogPager::exec(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    ok = ok && query.exec();
    m_lastError = ok ? QSqlError() : query.lastError();
    return ok;
}

// The newest and the oldest row first: the days take in the newest end of
// the table whenever rows written from now on can fall on them, and the
// oldest when that row is on them. Only an end they do not take in is read
// from the stamp key's index (every key on the days, but no row).
bool LogPager::findSpan(const QSqlDatabase& db)
{
    m_span = Span();
    m_span.known = true;
    if (m_endKey.isEmpty()) {
        m_span.empty = true;
        return true;
    }
    const QString key = m_columns.at(0);
    const QString stampKey = StampKey::sql(m_columns.at(StampColumn));
    QSqlQuery query(db);
    const auto end = [&](const char* direction, qint64* id, QString* stamp) {
        if (!exec(query, QStringLiteral("select %1, %2 from %3 order by %1 %4 limit 1")
                             .arg(key, stampKey, m_table, QLatin1String(direction)), {}))
            return false;
        if (query.next()) {
            *id = query.value(0).toLongLong();
            *stamp = query.value(1).toString();
        }
        return true;
    };
    qint64 newest = 0;
    qint64 oldest = 0;
    QString newestKey;
    QString oldestKey;
    if (!end("desc", &newest, &newestKey) || !end("asc", &oldest, &oldestKey)) {
        m_span.known = false;
        return false;
    }
    if (newest == 0) {
        // An empty table: whatever comes may be on the days.
        m_span.lastOpen = true;
        m_span.first = qint64(0);
        return true;
    }
    m_span.lastOpen = !newestKey.isNull() && newestKey < m_endKey;
    const bool oldestOn = !oldestKey.isNull() && oldestKey >= m_firstKey && oldestKey < m_endKey;
    qint64 first = oldest;
    qint64 last = newest;
    if (!oldestOn || !m_span.lastOpen) {
        QVariantList values{m_endKey};
        QString sql = QStringLiteral("select min(%1), max(%1) from %2 where %3 < ?").arg(key, m_table, stampKey);
        if (!m_firstKey.isEmpty()) {
            sql += QStringLiteral(" and %1 >= ?").arg(stampKey);
            values.append(m_firstKey);
        }
        if (!exec(query, sql, values) || !query.next()) {
            m_span.known = false;
            return false;
        }
        const bool none = query.value(0).isNull();
        if (none && !m_span.lastOpen) {
            m_span.empty = true;
            return true;
        }
        if (!oldestOn)
            first = none ? newest + 1 : query.value(0).toLongLong();
        if (!m_span.lastOpen)
            last = query.value(1).toLongLong();
    }
    m_span.first = first;
    m_span.last = last;
    m_span.rows = std::max<qint64>(0, last - first + 1);
    return true;
}

// The keys the days span, as bounds of a query in the key's order.
bool LogPager::spanTerms(QString* sql, QVariantList* values, const QSqlDatabase& db)
{
    if (!m_daysSet)
        return true;
    if (!m_span.known && !findSpan(db))
        return false;
    const QString key = m_columns.at(0);
    *sql += QStringLiteral(" and %1 >= ?").arg(key);
    values->append(m_span.first);
    if (!m_span.lastOpen) {
        *sql += QStringLiteral(" and %1 <= ?").arg(key);
        values->append(m_span.last);
    }
    return true;
}

bool LogPager::read(const Row* after, int limit, std::vector<Row>* rows, const QSqlDatabase& db)
{
    if (m_daysSet && !m_span.known && !findSpan(db))
        return false;
    if (m_daysSet && m_span.empty)
        return true;
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
    const bool ascending = m_order == Qt::AscendingOrder;
    const QString op = ascending ? QStringLiteral(">") : QStringLiteral("<");
    const QString direction = ascending ? QStringLiteral(" asc") : QStringLiteral(" desc");

    // The days come from the stamp key's index when it gives the order, or
    // when they hold few rows (then sorted); otherwise the order's index
    // is read, and the days checked row by row.
    const bool fewDays = m_daysSet && m_span.rows <= SortedRangeRows;
    const bool dayIndex = m_column == StampColumn || (m_column != 0 && fewDays);
    const bool orderIndex = m_column == StampColumn || !fewDays;
    QVariantList values;
    QString sql = QStringLiteral("select %1 from %2 where ").arg(m_columns.join(QStringLiteral(", ")), m_table)
        + where(&values, dayIndex);
    QString order;
    if (m_column == 0) {
        if (!spanTerms(&sql, &values, db))
            return false;
        if (after) {
            sql += QStringLiteral(" and %1 %2 ?").arg(key, op);
            values << (*after)[0];
        }
        order = key + direction;
    } else {
        const QString column = sortExpression(orderIndex);
        sql += QStringLiteral(" and %1 is %2null").arg(column, nulls ? QString() : QStringLiteral("not "));
        if (after && nulls) {
            sql += QStringLiteral(" and %1 %2 ?").arg(hidden(key), op);
            values << (*after)[0];
        } else if (after) {
            sql += QStringLiteral(" and (%1, %2) %3 (?, ?)").arg(column, orderIndex ? key : hidden(key), op);
            const QVariant& value = (*after)[size_t(m_column)];
            values << (m_column == StampColumn ? QVariant(StampKey::of(value.toString())) : value) << (*after)[0];
        }
        order = sortExpression(true) + direction + QStringLiteral(", ") + key + direction;
    }
    sql += QStringLiteral(" order by ") + order + QStringLiteral(" limit ?");
    values << limit;

    QSqlQuery query(db);
    bool ok = exec(query, sql, values);
    while (ok && query.next()) {
        Row row;
        for (int i = 0; i < ColumnCount; ++i)
            row[size_t(i)] = query.value(i);
        rows->push_back(row);
    }
    return ok;
}

bool LogPager::count(qint64* rows, const QSqlDatabase& db, const std::function<void()>& between)
{
    *rows = 0;
    if (m_daysSet && !findSpan(db))
        return false;
    if (m_daysSet && m_span.empty)
        return true;
    QSqlQuery query(db);
    const bool sliced = m_daysSet && m_span.rows > SortedRangeRows;
    QVariantList values;
    const QString sql = QStringLiteral("select count(*) from %1 where ").arg(m_table) + where(&values, !sliced);
    if (!sliced) {
        const bool ok = exec(query, sql, values) && query.next();
        *rows = ok ? query.value(0).toLongLong() : 0;
        return ok;
    }
    // The keys the days span, a slice at a time.
    const QString slice = sql + QStringLiteral(" and %1 >= ? and %1 < ?").arg(m_columns.at(0));
    const qint64 last = m_span.first.toLongLong() + m_span.rows - 1;
    for (qint64 first = m_span.first.toLongLong(); first <= last; first += CountSliceRows) {
        if (!exec(query, slice, values + QVariantList{first, first + CountSliceRows}) || !query.next())
            return false;
        *rows += query.value(0).toLongLong();
        query.finish();
        if (between && first + CountSliceRows <= last)
            between();
    }
    // Rows written since the span was found, past its last key.
    if (m_span.lastOpen) {
        if (!exec(query, sql + QStringLiteral(" and %1 > ?").arg(m_columns.at(0)), values + QVariantList{last})
            || !query.next())
            return false;
        *rows += query.value(0).toLongLong();
    }
    return true;
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
        else if (m_column == StampColumn && !x.isNull())
            order = QString::compare(StampKey::of(x.toString()), StampKey::of(y.toString()), Qt::CaseSensitive);
        else if (!x.isNull())
            order = QString::compare(x.toString(), y.toString(), Qt::CaseSensitive);
    }
    if (order == 0)
        order = compareKeys(a[0], b[0]);
    return m_order == Qt::AscendingOrder ? order < 0 : order > 0;
}
