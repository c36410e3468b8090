#include "alarmlogmodel.h"
#include "viewslogging.h"

#include "alarmlogproxymodel.h"

#include <QDebug>
#include <QHash>
#include <QSqlQuery>

#include <algorithm>

namespace {

// The rows AlarmLogProxyModel can pass, narrowed in SQL so that a page read
// holds rows to show: the kinds as the proxy tests them, and the day of a
// stamp in the log's own form within the range (day, month and year cut
// out as "yyyyMMdd"). A stamp in any other form is left to the proxy.
const char* const kFilterSql =
    "(instr(source, 'Timer') > 0 or instr(reason, 'OnOff') > 0 or instr(info, 'sensor') > 0"
    " or instr(info, 'Fail') > 0 or (? and instr(info, 'OK') > 0) or (? and instr(info, 'Warning') > 0)"
    " or (? and instr(info, 'Critical') > 0))"
    " and (datetime is null"
    " or not datetime glob '[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]*'"
    " or substr(datetime, 7, 4) || substr(datetime, 4, 2) || substr(datetime, 1, 2) between ? and ?)";

QString dayText(const QDate& date)
{
    return date.isValid() ? date.toString(QStringLiteral("yyyyMMdd")) : QStringLiteral("");
}

} // namespace

AlarmLogModel::AlarmLogModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void AlarmLogModel::setFilter(const AlarmLogProxyModel& filter)
{
    m_filterSql = QLatin1String(kFilterSql);
    m_filterValues = {filter.showOk, filter.showWarning, filter.showCritical, dayText(filter.fromDate),
                      dayText(filter.toDate)};
}

bool AlarmLogModel::setWindowed(bool windowed)
{
    if (windowed == m_windowed)
        return true;
    m_windowed = windowed;
    return load();
}

// Rows still waiting for the database are not in the table: they stay on top.
bool AlarmLogModel::load()
{
    std::deque<HeldRow> rows;
    const bool ok = readRows(QVariant(), m_windowed ? PageRows + 1 : 0, &rows);
    beginResetModel();
    m_wanted = PageRows;
    m_atEnd = !m_windowed || int(rows.size()) <= PageRows;
    if (!m_atEnd)
        rows.pop_back();
    QSet<quint64> waiting;
    for (auto it = m_rows.crbegin(); it != m_rows.crend(); ++it) {
        if (m_uncommitted.contains(it->ticket) && !it->cells[0].isValid()) {
            rows.push_front(*it);
            waiting.insert(it->ticket);
        }
    }
    m_uncommitted = waiting;
    m_newestRead = rows.size() > size_t(waiting.size()) ? rows[size_t(waiting.size())].cells[0].toLongLong() : -1;
    m_rows.swap(rows);
    endResetModel();
    return ok;
}

// Rows below the key `below` (all for an invalid one), newest first, at
// most `limit` of them (all for 0).
bool AlarmLogModel::readRows(const QVariant& below, int limit, std::deque<HeldRow>* rows)
{
    QString sql = QStringLiteral("select id, datetime, source, reason, info from logAlarm where ")
        + (m_filterSql.isEmpty() ? QStringLiteral("1") : m_filterSql);
    if (below.isValid())
        sql += QStringLiteral(" and id < ?");
    sql += QStringLiteral(" order by id desc");
    if (limit > 0)
        sql += QStringLiteral(" limit ?");
    QSqlQuery query;
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (const QVariant& value : qAsConst(m_filterValues))
        query.addBindValue(value);
    if (below.isValid())
        query.addBindValue(below);
    if (limit > 0)
        query.addBindValue(limit);
    ok = ok && query.exec();
    m_lastError = ok ? QSqlError() : query.lastError();
    while (ok && query.next()) {
        HeldRow row;
        for (int column = 0; column < ColumnCount; ++column)
            row.cells[column] = query.value(column);
        rows->push_back(row);
    }
    return ok;
}

void AlarmLogModel::prepend(quint64 ticket, const Row& row)
{
    beginInsertRows(QModelIndex(), 0, 0);
    m_rows.push_front({row, ticket});
    m_uncommitted.insert(ticket);
    endInsertRows();
    letOldestGo();
}

void AlarmLogModel::letOldestGo()
{
    const int held = int(m_rows.size());
    if (!m_windowed || held <= m_wanted + PageRows)
        return;
    // A row without its committed key cannot mark where to read on.
    int kept = held;
    while (kept > m_wanted && !m_uncommitted.contains(m_rows[size_t(kept - 1)].ticket))
        --kept;
    if (kept == held)
        return;
    beginRemoveRows(QModelIndex(), kept, held - 1);
    m_rows.erase(m_rows.begin() + kept, m_rows.end());
    m_atEnd = false;
    endRemoveRows();
}

void AlarmLogModel::setKeys(const WriteBatch::WrittenRows& rows)
{
    QHash<quint64, QVariant> keys;
    for (const WriteBatch::WrittenRow& row : rows) {
        if (m_uncommitted.remove(row.ticket))
            keys.insert(row.ticket, row.key);
    }
    // Rows not committed yet are the newest ones, near the top.
    int first = -1;
    int last = -1;
    for (int row = 0; row < int(m_rows.size()) && !keys.isEmpty(); ++row) {
        const auto key = keys.constFind(m_rows[size_t(row)].ticket);
        if (key == keys.constEnd())
            continue;
        if (key.value().toLongLong() <= m_newestRead) {
            keys.erase(key);
            beginRemoveRows(QModelIndex(), row, row);
            m_rows.erase(m_rows.begin() + row);
            endRemoveRows();
            --row;
            continue;
        }
        m_rows[size_t(row)].cells[0] = key.value();
        keys.erase(key);
        first = first < 0 ? row : first;
        last = row;
    }
    if (first >= 0)
        emit dataChanged(index(first, 0), index(last, 0));
}

int AlarmLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int AlarmLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AlarmLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()) || index.column() >= ColumnCount
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return m_rows[size_t(index.row())].cells[size_t(index.column())];
}

QVariant AlarmLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 1 && section <= m_headers.size())
        return m_headers.at(section - 1);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool AlarmLogModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_windowed && !m_atEnd;
}

void AlarmLogModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent) || m_rows.empty())
        return;
    std::deque<HeldRow> rows;
    if (!readRows(m_rows.back().cells[0], PageRows + 1, &rows)) {
        // Tried again with the next load, not on every scroll.
        qCWarning(lcViews) << "logAlarm" << m_lastError.text();
        m_atEnd = true;
        return;
    }
    m_atEnd = int(rows.size()) <= PageRows;
    if (!m_atEnd)
        rows.pop_back();
    if (!rows.empty()) {
        const int first = int(m_rows.size());
        beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
        m_rows.insert(m_rows.end(), rows.begin(), rows.end());
        endInsertRows();
    }
    m_wanted = std::max(m_wanted, int(m_rows.size()));
}
