#include "logpager.h"

#include "stampkey.h"

#include <QSqlQuery>

#include <algorithm>
#include <limits>

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
    m_firstDay = from;
    m_lastDay = to;
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

QString LogPager::where(QVariantList* values, bool dayIndex) const
{
    return where(values, dayIndex, m_firstKey, m_endKey);
}

// The days from `firstKey` to before `endKey` (through the stamp key's
// index when `dayIndex`), the newest key and the filter.
QString LogPager::where(QVariantList* values, bool dayIndex, const QString& firstKey, const QString& endKey) const
{
    QStringList terms;
    values->clear();
    if (m_daysSet && endKey.isEmpty()) {
        terms << QStringLiteral("0");
    } else if (m_daysSet) {
        const QString stamp = m_columns.at(StampColumn);
        const QString onDays = dayIndex ? StampKey::sql(stamp) : hidden(StampKey::sql(stamp));
        if (!firstKey.isEmpty()) {
            terms << onDays + QStringLiteral(" >= ?");
            values->append(firstKey);
        }
        terms << onDays + QStringLiteral(" < ?");
        values->append(endKey);
    }
    if (m_newestKey.isValid()) {
        terms << QStringLiteral("%1 <= ?").arg(hidden(m_columns.at(0)));
        values->append(m_newestKey);
    }
    if (m_daysSet)
        terms << m_columns.at(StampColumn) + QStringLiteral(" glob ") + QLatin1String(StampGlob);
    if (!m_filterSql.isEmpty()) {
        terms << QStringLiteral("(") + m_filterSql + QLatin1Char(')');
        *values += m_filterValues;
    }
    return terms.isEmpty() ? QStringLiteral("1") : terms.join(QStringLiteral(" and "));
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

bool LogPager::seek(QSqlQuery& query, const QString& sql, const QVariantList& values, QVariant* id, QString* key)
{
    if (!exec(query, sql, values))
        return false;
    if (query.next()) {
        *id = query.value(0);
        *key = query.value(1).toString();
    }
    query.finish();
    return true;
}

// A few rows only: the newest and the oldest of the table, the first and the
// last of the days by key. The days take in the newest end of the table
// whenever rows written from now on can fall on them, and the oldest when
// that row is on them; those ends are exact, the others estimates.
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
    const QString ends = QStringLiteral("select %1, %2 from %3 ").arg(key, stampKey, m_table);
    QString days = QStringLiteral("where %1 < ?").arg(stampKey);
    QVariantList values{m_endKey};
    if (!m_firstKey.isEmpty()) {
        days += QStringLiteral(" and %1 >= ?").arg(stampKey);
        values.append(m_firstKey);
    }
    QSqlQuery query(db);
    QVariant newest, oldest, first, last;
    QString newestKey, oldestKey, firstKey, lastKey;
    if (!seek(query, ends + QStringLiteral("order by %1 desc limit 1").arg(key), {}, &newest, &newestKey)
        || !seek(query, ends + QStringLiteral("order by %1 asc limit 1").arg(key), {}, &oldest, &oldestKey)
        || !seek(query, ends + days + QStringLiteral(" order by %1 asc, %2 asc limit 1").arg(stampKey, key), values,
                 &first, &firstKey)
        || !seek(query, ends + days + QStringLiteral(" order by %1 desc, %2 desc limit 1").arg(stampKey, key),
                 values, &last, &lastKey)) {
        m_span.known = false;
        return false;
    }
    m_span.newest = newest;
    m_span.lastOpen = newest.isNull() || (!newestKey.isNull() && newestKey < m_endKey);
    if (first.isNull() && !m_span.lastOpen) {
        m_span.empty = true;
        return true;
    }
    const bool oldestOn = !oldest.isNull() && !oldestKey.isNull() && oldestKey >= m_firstKey && oldestKey < m_endKey;
    const qint64 end = m_span.lastOpen ? newest.toLongLong() : last.toLongLong();
    m_span.first = oldestOn ? oldest : (first.isNull() ? QVariant(newest.toLongLong() + 1) : first);
    m_span.firstExact = oldestOn || first.isNull();
    m_span.last = last;
    m_span.lastExact = m_span.lastOpen;
    m_span.rows = first.isNull() ? 0 : std::abs(end - m_span.first.toLongLong()) + 1;
    return true;
}

// A span whose last key is closed ends below the rows written since it was
// found: the newest row then was stamped after the days, as when the clock
// ran ahead. Once the clock is set back, new rows fall on the days again;
// their keys are above every key looked at, so the span's last key is the
// largest of theirs on the days. Only the rows written since are read.
bool LogPager::takeInNewRows(const QSqlDatabase& db)
{
    if (!m_span.known || m_span.lastOpen || m_span.newest.isNull())
        return true;
    const QString key = m_columns.at(0);
    const QString stampKey = hidden(StampKey::sql(m_columns.at(StampColumn)));
    QString onDays = stampKey + QStringLiteral(" < ?");
    QVariantList dayValues{m_endKey};
    if (!m_firstKey.isEmpty()) {
        onDays += QStringLiteral(" and %1 >= ?").arg(stampKey);
        dayValues.append(m_firstKey);
    }
    QSqlQuery query(db);
    if (!exec(query,
              QStringLiteral("select max(%1), max(case when %2 then %1 end), min(case when %2 then %1 end) from %3 "
                             "where %1 > ?")
                  .arg(key, onDays, m_table),
              dayValues + dayValues + QVariantList{m_span.newest})
        || !query.next())
        return false;
    const QVariant newest = query.value(0);
    const QVariant last = query.value(1);
    const QVariant first = query.value(2);
    query.finish();
    if (newest.isNull())
        return true;
    m_span.newest = newest;
    if (last.isNull())
        return true;
    if (m_span.empty) {
        m_span.empty = false;
        m_span.first = first;
        m_span.firstExact = true;
    }
    m_span.last = last;
    m_span.lastExact = true;
    m_span.rows = last.toLongLong() - m_span.first.toLongLong() + 1;
    return true;
}

// A stretch of the walk through the days' keys in the stamp key's index (no
// row of the table), from where the last one stopped: the smallest and the
// largest key met so far are the exact ends once the walk is through.
bool LogPager::settleSpan(int limit, bool* moved, const QSqlDatabase& db)
{
    *moved = false;
    if (!spanEstimated())
        return true;
    const QString stampKey = StampKey::sql(m_columns.at(StampColumn));
    const QString key = m_columns.at(0);
    QString sql = QStringLiteral("select %1, %2 from %3 where %2 < ?").arg(key, stampKey, m_table);
    QVariantList values{m_endKey};
    if (m_span.walked.isValid()) {
        sql += QStringLiteral(" and %1 >= ? and (%1 > ? or %2 > ?)").arg(stampKey, key);
        values << m_span.walkedKey << m_span.walkedKey << m_span.walked;
    } else if (!m_firstKey.isEmpty()) {
        sql += QStringLiteral(" and %1 >= ?").arg(stampKey);
        values.append(m_firstKey);
    }
    sql += QStringLiteral(" order by %1, %2 limit ?").arg(stampKey, key);
    values.append(limit);
    QSqlQuery query(db);
    if (!exec(query, sql, values))
        return false;
    int walked = 0;
    for (; query.next(); ++walked) {
        const qint64 id = query.value(0).toLongLong();
        m_span.least = std::min(m_span.least, id);
        m_span.most = std::max(m_span.most, id);
        m_span.walked = id;
        m_span.walkedKey = query.value(1).toString();
    }
    if (walked == limit)
        return true;
    if (!m_span.firstExact && m_span.least < m_span.first.toLongLong()) {
        m_span.first = m_span.least;
        *moved = true;
    }
    if (!m_span.lastExact && m_span.most > m_span.last.toLongLong()) {
        m_span.last = m_span.most;
        *moved = true;
    }
    m_span.firstExact = m_span.lastExact = true;
    return true;
}

// The keys the days span, as terms ahead of the others: the bounds of the
// table's range in the key's order; walking another index (`hiddenKey`),
// tested on each entry, which holds the key, before the row is read. A read
// in the key's order that goes on past `after` has that key for its bound
// on the side it moves to: the planner takes one bound a side, and a page
// deep in the days would otherwise walk every key before it.
void LogPager::spanTerms(bool hiddenKey, const QVariant* after, QString* sql, QVariantList* values) const
{
    const QString key = hiddenKey ? hidden(m_columns.at(0)) : m_columns.at(0);
    const bool ascending = m_order == Qt::AscendingOrder;
    if (after && ascending && after->toLongLong() >= m_span.first.toLongLong()) {
        *sql += QStringLiteral("%1 > ? and ").arg(key);
        values->append(*after);
    } else {
        *sql += QStringLiteral("%1 >= ? and ").arg(key);
        values->append(m_span.first);
    }
    if (after && !ascending && (m_span.lastOpen || after->toLongLong() <= m_span.last.toLongLong())) {
        *sql += QStringLiteral("%1 < ? and ").arg(key);
        values->append(*after);
    } else if (!m_span.lastOpen) {
        *sql += QStringLiteral("%1 <= ? and ").arg(key);
        values->append(m_span.last);
    }
}

bool LogPager::read(const Row* after, int limit, std::vector<Row>* rows, const QSqlDatabase& db)
{
    if (m_daysSet && !m_span.known && !findSpan(db))
        return false;
    if (m_daysSet && !takeInNewRows(db))
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
    // is read between the first and last key of the days, and the days
    // checked row by row. In the key's order that is the table itself.
    const bool fewDays = m_daysSet && m_span.rows <= SortedRangeRows;
    const bool dayIndex = m_column == StampColumn || (m_column != 0 && fewDays);
    const bool orderIndex = m_column == StampColumn || !fewDays;
    // Past a row in the Date/Time order, its key bounds the stamp key's
    // index on the side the read moves to, and the days the other side:
    // the planner serves no row value from an expression's index, and of
    // two bounds on one side it may take the days' and walk every key
    // before the row.
    const bool stampAfter = m_column == StampColumn && after && !nulls;
    QVariantList values;
    QString sql = QStringLiteral("select %1 from %2 where ").arg(m_columns.join(QStringLiteral(", ")), m_table);
    if (m_daysSet && !dayIndex)
        spanTerms(m_column != 0, m_column == 0 && after ? &(*after)[0] : nullptr, &sql, &values);
    QVariantList whereValues;
    sql += where(&whereValues, dayIndex && !stampAfter);
    values += whereValues;
    QString order;
    if (m_column == 0) {
        if (after && !m_daysSet) {
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
        } else if (stampAfter) {
            const QString afterKey = StampKey::of((*after)[size_t(StampColumn)].toString());
            if (m_daysSet && ascending) {
                sql += QStringLiteral(" and %1 < ?").arg(column);
                values << m_endKey;
            } else if (m_daysSet && !m_firstKey.isEmpty()) {
                sql += QStringLiteral(" and %1 >= ?").arg(column);
                values << m_firstKey;
            }
            sql += QStringLiteral(" and %1 %2= ? and (%1 %2 ? or %3 %2 ?)").arg(column, op, key);
            values << afterKey << afterKey << (*after)[0];
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
    if (m_daysSet && m_span.rows > SortedRangeRows)
        return countDays(rows, db, between);
    // The pages that follow keep to the exact ends, few keys away.
    bool moved = false;
    while (spanEstimated()) {
        if (!settleSpan(SettleRows, &moved, db))
            return false;
    }
    QSqlQuery query(db);
    QVariantList values;
    const bool ok = exec(query, QStringLiteral("select count(*) from %1 where ").arg(m_table) + where(&values, true), values)
        && query.next();
    *rows = ok ? query.value(0).toLongLong() : 0;
    return ok;
}

// Day by day through the stamp key's index, from the first day (or the
// oldest row's) to the last. The smallest and largest key counted bound the
// reads that follow.
bool LogPager::countDays(qint64* rows, const QSqlDatabase& db, const std::function<void()>& between)
{
    QDate day = m_firstDay;
    if (!day.isValid()) {
        QSqlQuery oldest(db);
        if (!exec(oldest, QStringLiteral("select min(%1) from %2").arg(StampKey::sql(m_columns.at(StampColumn)), m_table),
                  {})
            || !oldest.next())
            return false;
        day = QDate::fromString(oldest.value(0).toString().left(8), QStringLiteral("yyyyMMdd"));
        if (!day.isValid())
            day = m_lastDay;
    }
    QSqlQuery query(db);
    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = std::numeric_limits<qint64>::min();
    for (; day <= m_lastDay; day = day.addDays(1)) {
        QVariantList values;
        const QString sql = QStringLiteral("select count(*), min(%1), max(%1) from %2 where ").arg(m_columns.at(0), m_table)
            + where(&values, true, StampKey::dayStart(day), StampKey::dayStart(day.addDays(1)));
        if (!exec(query, sql, values) || !query.next())
            return false;
        if (query.value(0).toLongLong() > 0) {
            *rows += query.value(0).toLongLong();
            first = std::min(first, query.value(1).toLongLong());
            last = std::max(last, query.value(2).toLongLong());
        }
        query.finish();
        if (between && day < m_lastDay)
            between();
    }
    m_span.empty = *rows == 0;
    m_span.first = first;
    m_span.last = last;
    m_span.firstExact = m_span.lastExact = true;
    m_span.lastOpen = false;
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
