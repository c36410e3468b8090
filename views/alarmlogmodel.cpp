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
    , m_pager(QStringLiteral("logAlarm"), {QStringLiteral("id"), QStringLiteral("datetime"), QStringLiteral("source"),
                                           QStringLiteral("reason"), QStringLiteral("info")})
{
}

void AlarmLogModel::setFilter(const AlarmLogProxyModel& filter)
{
    m_pager.setFilter(QLatin1String(kFilterSql), {filter.showOk, filter.showWarning, filter.showCritical,
                                                  dayText(filter.fromDate), dayText(filter.toDate)});
}

bool AlarmLogModel::setSort(int column, Qt::SortOrder order)
{
    if (column == m_pager.sortColumn() && order == m_pager.sortOrder())
        return true;
    m_pager.setSort(column, order);
    return load();
}

// Rows still waiting for the database are not in the table: they stay,
// where the order puts them.
bool AlarmLogModel::load()
{
    QSqlQuery newest;
    newest.setForwardOnly(true);
    bool ok = newest.exec(QStringLiteral("select max(id) from logAlarm")) && newest.next();
    m_lastError = ok ? QSqlError() : newest.lastError();
    const QVariant newestKey = ok ? newest.value(0) : QVariant();
    newest.finish();

    std::deque<HeldRow> rows;
    m_pager.setNewestKey(newestKey.isNull() ? QVariant(qint64(0)) : newestKey);
    ok = ok && readRows(nullptr, PageRows + 1, &rows);
    m_pager.setNewestKey(QVariant());
    std::deque<HeldRow> waiting;
    for (const HeldRow& row : m_rows) {
        if (m_uncommitted.contains(row.ticket) && !row.cells[0].isValid())
            waiting.push_back(row);
    }
    beginResetModel();
    m_wanted = PageRows;
    m_atEnd = int(rows.size()) <= PageRows;
    if (!m_atEnd)
        rows.pop_back();
    m_rows.swap(rows);
    m_uncommitted.clear();
    m_newestRead = newestKey.isNull() ? -1 : newestKey.toLongLong();
    for (const HeldRow& row : waiting) {
        const int place = placeOf(row.cells);
        if (place < 0)
            continue;
        m_rows.insert(m_rows.begin() + place, row);
        m_uncommitted.insert(row.ticket);
    }
    endResetModel();
    return ok;
}

// The next `limit` rows after `after` (from the first for null) in the sort order.
bool AlarmLogModel::readRows(const Row* after, int limit, std::deque<HeldRow>* rows)
{
    std::vector<LogPager::Row> read;
    const bool ok = m_pager.read(after, limit, &read);
    m_lastError = m_pager.lastError();
    for (const LogPager::Row& cells : read)
        rows->push_back({cells, 0});
    return ok;
}

// A page goes on from the last row read from the table: rows held that
// are not committed yet cannot mark where.
const AlarmLogModel::Row* AlarmLogModel::lastRead() const
{
    for (auto it = m_rows.crbegin(); it != m_rows.crend(); ++it) {
        if (it->cells[0].isValid())
            return &it->cells;
    }
    return nullptr;
}

int AlarmLogModel::placeOf(const Row& row) const
{
    const auto place = std::upper_bound(m_rows.cbegin(), m_rows.cend(), row, [this](const Row& r, const HeldRow& held) {
        // Of two rows without a key the new one is the newer.
        if (!held.cells[0].isValid() && !m_pager.before(held.cells, r) && !m_pager.before(r, held.cells))
            return m_pager.sortOrder() == Qt::DescendingOrder;
        return m_pager.before(r, held.cells);
    });
    // Past the last row read, the next page reads it once it is committed.
    const Row* last = lastRead();
    if (!m_atEnd && last && !m_pager.before(row, *last))
        return -1;
    return int(place - m_rows.cbegin());
}

void AlarmLogModel::prepend(quint64 ticket, const Row& row)
{
    m_pending.insert(ticket);
    const int place = placeOf(row);
    if (place < 0)
        return;
    beginInsertRows(QModelIndex(), place, place);
    m_rows.insert(m_rows.begin() + place, {row, ticket});
    m_uncommitted.insert(ticket);
    endInsertRows();
    letOldestGo();
}

void AlarmLogModel::letOldestGo()
{
    const int held = int(m_rows.size());
    if (held <= m_wanted + PageRows)
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
        m_pending.remove(row.ticket);
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
    return !parent.isValid() && !m_atEnd;
}

void AlarmLogModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent) || m_rows.empty())
        return;
    std::deque<HeldRow> rows;
    if (!readRows(lastRead(), PageRows + 1, &rows)) {
        // Tried again with the next load, not on every scroll.
        qCWarning(lcViews) << "logAlarm" << m_lastError.text();
        m_atEnd = true;
        return;
    }
    m_atEnd = int(rows.size()) <= PageRows;
    if (!m_atEnd)
        rows.pop_back();
    // Rows written in this run that stood past the last row read (the log
    // was read to its end when they came) go where the new page puts them;
    // one the page read itself is not held twice.
    const Row* last = lastRead();
    int read = int(m_rows.size());
    while (read > 0 && &m_rows[size_t(read - 1)].cells != last)
        --read;
    std::deque<HeldRow> trailing(m_rows.begin() + read, m_rows.end());
    QSet<qint64> written;
    for (const HeldRow& row : trailing) {
        if (row.cells[0].isValid())
            written.insert(row.cells[0].toLongLong());
    }
    if (!trailing.empty()) {
        beginRemoveRows(QModelIndex(), read, int(m_rows.size()) - 1);
        m_rows.erase(m_rows.begin() + read, m_rows.end());
        endRemoveRows();
    }
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&written](const HeldRow& row) { return written.contains(row.cells[0].toLongLong()); }),
               rows.end());
    if (!rows.empty()) {
        const int first = int(m_rows.size());
        beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
        m_rows.insert(m_rows.end(), rows.begin(), rows.end());
        endInsertRows();
    }
    for (const HeldRow& row : trailing) {
        const int place = placeOf(row.cells);
        if (place < 0) {
            m_uncommitted.remove(row.ticket);
            continue;
        }
        beginInsertRows(QModelIndex(), place, place);
        m_rows.insert(m_rows.begin() + place, row);
        endInsertRows();
    }
    m_wanted = std::max(m_wanted, int(m_rows.size()));
}
