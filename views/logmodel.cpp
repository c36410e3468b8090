#include "logmodel.h"
#include "viewslogging.h"

#include <QDebug>
#include <QHash>
#include <QSqlQuery>

#include <algorithm>
#include <iterator>

LogModel::LogModel(const QString& table, const QStringList& columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_table(table)
    , m_pager(table, columns)
{
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &LogModel::settleSpan);
}

bool LogModel::load()
{
    m_pager.forgetSpan();
    return readFirstPage();
}

// Another order of the same rows: read within the keys the days were
// found to span.
bool LogModel::setSort(int column, Qt::SortOrder order)
{
    if (column == m_pager.sortColumn() && order == m_pager.sortOrder())
        return true;
    m_pager.setSort(column, order);
    return readFirstPage();
}

bool LogModel::newestKey(QVariant* key)
{
    QSqlQuery newest;
    newest.setForwardOnly(true);
    const bool ok = newest.exec(QStringLiteral("select max(%1) from %2").arg(m_pager.keyColumn(), m_table)) && newest.next();
    m_lastError = ok ? QSqlError() : newest.lastError();
    *key = ok ? newest.value(0) : QVariant();
    return ok;
}

// Rows still waiting for the database are not in the table: they stay,
// where the order puts them. A row committed before the newest key is read
// comes from the table, also when its key has not reached us yet: kept as
// well, it would show twice until it does.
bool LogModel::readFirstPage()
{
    const quint64 settled = WriteBatch::instance().settledTicket();
    QVariant newest;
    bool ok = newestKey(&newest);
    HeldRows rows;
    ok = ok && readRows(nullptr, PageRows + 1, newest, &rows);
    std::vector<HeldRow> waiting = stillWaiting(m_beyond, settled);
    for (const HeldRow& row : m_rows) {
        if (m_uncommitted.contains(row.ticket) && !settledBy(row, settled))
            waiting.push_back(row);
    }
    beginResetModel();
    m_readNewest = newest.isNull() ? -1 : newest.toLongLong();
    m_wanted = PageRows;
    m_atEnd = int(rows.size()) <= PageRows;
    if (!m_atEnd)
        rows.pop_back();
    m_rows.swap(rows);
    m_lastRead = m_atEnd ? Row() : m_rows.back().cells;
    m_uncommitted.clear();
    m_beyond.clear();
    place(std::move(waiting), false);
    endResetModel();
    if (ok && m_pager.spanEstimated())
        m_settle.start();
    return ok;
}

// Pages are read between the estimated ends of the days: when the walk to
// the exact ones finds rows beyond them, the first page is read anew.
void LogModel::settleSpan()
{
    bool moved = false;
    if (!m_pager.settleSpan(LogPager::SettleRows, &moved))
        qCWarning(lcViews) << m_table << m_pager.lastError().text();
    else if (moved && !readFirstPage())
        qCWarning(lcViews) << m_table << m_lastError.text();
    else if (m_pager.spanEstimated())
        m_settle.start();
}

// The next `limit` rows after `after` (from the first for null) in the sort
// order, of those committed when the newest key was `newest` (null for an
// empty table). Rows committed since are still on their way here (m_beyond
// or the keys to come): read as well, they would show twice.
bool LogModel::readRows(const Row* after, int limit, const QVariant& newest, HeldRows* rows)
{
    std::vector<LogPager::Row> read;
    m_pager.setNewestKey(newest.isNull() ? QVariant(qint64(0)) : newest);
    const bool ok = m_pager.read(after, limit, &read);
    m_pager.setNewestKey(QVariant());
    m_lastError = m_pager.lastError();
    for (const LogPager::Row& cells : read)
        rows->push_back({cells, 0});
    return ok;
}

bool LogModel::settledBy(const HeldRow& row, quint64 settled)
{
    return row.ticket != 0 && row.ticket <= settled;
}

std::vector<LogModel::HeldRow> LogModel::stillWaiting(const std::vector<HeldRow>& rows, quint64 settled)
{
    std::vector<HeldRow> waiting;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(waiting),
                 [settled](const HeldRow& row) { return !settledBy(row, settled); });
    return waiting;
}

bool LogModel::comesBefore(const HeldRow& a, const HeldRow& b) const
{
    if (m_pager.before(a.cells, b.cells))
        return true;
    if (m_pager.before(b.cells, a.cells) || a.cells[0].isValid() || b.cells[0].isValid())
        return false;
    // Two rows without a key, alike in the order: the later ticket is the newer.
    return m_pager.sortOrder() == Qt::DescendingOrder ? a.ticket > b.ticket : a.ticket < b.ticket;
}

// In the order, each row where it belongs among the rows held; rows that
// belong at the same place go in with one insertion.
void LogModel::place(std::vector<HeldRow> rows, bool announce)
{
    const auto before = [this](const HeldRow& a, const HeldRow& b) { return comesBefore(a, b); };
    std::stable_sort(rows.begin(), rows.end(), before);
    size_t next = 0;
    while (next < rows.size()) {
        const int at = int(std::upper_bound(m_rows.cbegin(), m_rows.cend(), rows[next], before) - m_rows.cbegin());
        const bool atTheEnd = at == int(m_rows.size());
        if (atTheEnd && !m_atEnd) {
            // Past the last row read: a later page reads them once committed.
            std::copy_if(rows.begin() + long(next), rows.end(), std::back_inserter(m_beyond),
                         [](const HeldRow& row) { return !row.cells[0].isValid(); });
            break;
        }
        size_t end = next + 1;
        while (end < rows.size() && (atTheEnd || comesBefore(rows[end], m_rows[size_t(at)])))
            ++end;
        if (announce)
            beginInsertRows(QModelIndex(), at, at + int(end - next) - 1);
        m_rows.insert(m_rows.begin() + at, rows.begin() + long(next), rows.begin() + long(end));
        for (size_t row = next; row < end; ++row) {
            if (!rows[row].cells[0].isValid())
                m_uncommitted.insert(rows[row].ticket);
        }
        if (announce)
            endInsertRows();
        next = end;
    }
    if (m_beyond.size() > size_t(MaxRowsBeyond))
        m_beyond.erase(m_beyond.begin(), m_beyond.end() - MaxRowsBeyond);
}

void LogModel::add(const std::vector<Arrival>& rows)
{
    std::vector<HeldRow> held;
    held.reserve(rows.size());
    for (const Arrival& row : rows)
        held.push_back({row.cells, row.ticket});
    placeUnlessRead(std::move(held));
    letOldestGo();
}

// A row committed before the newest key was read is among the rows read
// when a page reached its place after the commit, and not when the page
// came before: it goes in unless the table's copy stands at its place.
// Past the last row read, a later page reads it.
void LogModel::placeUnlessRead(std::vector<HeldRow> rows)
{
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](const HeldRow& row) {
                                  return row.cells[0].isValid() && row.cells[0].toLongLong() <= m_readNewest
                                      && hasTwin(row);
                              }),
               rows.end());
    place(std::move(rows), true);
}

// Whether a row read from the table stands for `row` (with its key): the
// two are alike in the order, and the rows held are in order.
bool LogModel::hasTwin(const HeldRow& row) const
{
    const auto before = [this](const HeldRow& a, const HeldRow& b) { return comesBefore(a, b); };
    const auto at = std::lower_bound(m_rows.cbegin(), m_rows.cend(), row, before);
    return at != m_rows.cend() && at->cells[0] == row.cells[0];
}

void LogModel::reloadOnceWritten(quint64 ticket)
{
    m_reloadAfter = std::max(m_reloadAfter, ticket);
}

void LogModel::letOldestGo()
{
    const int held = int(m_rows.size());
    if (held <= m_wanted + PageRows)
        return;
    // The last row kept marks where the next page goes on: it has its key.
    int kept = m_wanted;
    while (kept < held && !m_rows[size_t(kept - 1)].cells[0].isValid())
        ++kept;
    if (kept >= held)
        return;
    beginRemoveRows(QModelIndex(), kept, held - 1);
    for (auto row = m_rows.begin() + kept; row != m_rows.end(); ++row) {
        if (m_uncommitted.remove(row->ticket))
            m_beyond.push_back(*row);
    }
    m_rows.erase(m_rows.begin() + kept, m_rows.end());
    m_lastRead = m_rows.back().cells;
    m_atEnd = false;
    endRemoveRows();
}

void LogModel::setKeys(const WriteBatch::WrittenRows& rows)
{
    QHash<quint64, QVariant> keys;
    quint64 newestTicket = 0;
    for (const WriteBatch::WrittenRow& row : rows) {
        newestTicket = std::max(newestTicket, row.ticket);
        if (m_uncommitted.remove(row.ticket))
            keys.insert(row.ticket, row.key);
    }
    // The writer takes the rows in the order of their tickets: those up to
    // the newest written are in the table, where a page finds them.
    m_beyond.erase(std::remove_if(m_beyond.begin(), m_beyond.end(),
                                  [newestTicket](const HeldRow& row) { return row.ticket <= newestTicket; }),
                   m_beyond.end());
    // Rows not committed yet are the newest ones: with its key, a row stays
    // where it stands. Rows read after a row's commit, its copy among them,
    // may stand between its place without a key and its place with one: it
    // leaves the rows held, which are in order without it, and goes in again.
    std::vector<int> keyed;
    std::vector<int> doubtful;
    for (int row = 0; row < int(m_rows.size()) && !keys.isEmpty(); ++row) {
        HeldRow& held = m_rows[size_t(row)];
        const auto key = keys.constFind(held.ticket);
        if (key == keys.constEnd())
            continue;
        held.cells[0] = key.value();
        keys.erase(key);
        (held.cells[0].toLongLong() > m_readNewest ? keyed : doubtful).push_back(row);
    }
    if (!keyed.empty())
        emit dataChanged(index(keyed.front(), 0), index(keyed.back(), 0));
    std::vector<HeldRow> again;
    for (auto row = doubtful.rbegin(); row != doubtful.rend(); ++row) {
        again.push_back(m_rows[size_t(*row)]);
        beginRemoveRows(QModelIndex(), *row, *row);
        m_rows.erase(m_rows.begin() + *row);
        endRemoveRows();
    }
    placeUnlessRead(std::move(again));
    if (m_reloadAfter && newestTicket >= m_reloadAfter) {
        m_reloadAfter = 0;
        if (!readFirstPage())
            qCWarning(lcViews) << m_table << m_lastError.text();
    }
}

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()) || index.column() >= ColumnCount
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return m_rows[size_t(index.row())].cells[size_t(index.column())];
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 1 && section <= m_headers.size())
        return m_headers.at(section - 1);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool LogModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_atEnd;
}

void LogModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    const quint64 settled = WriteBatch::instance().settledTicket();
    QVariant newest;
    HeldRows rows;
    if (!newestKey(&newest) || !readRows(&m_lastRead, PageRows + 1, newest, &rows)) {
        // Tried again with the next load, not on every scroll.
        qCWarning(lcViews) << m_table << m_lastError.text();
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
    m_lastRead = m_atEnd ? Row() : m_rows.back().cells;
    m_wanted = std::max(m_wanted, int(m_rows.size()));
    m_readNewest = std::max(m_readNewest, newest.isNull() ? qint64(-1) : newest.toLongLong());
    // Rows of this run the page went past, not committed when it was read:
    // those committed before come from the table, with this page or a later one.
    std::vector<HeldRow> beyond = stillWaiting(m_beyond, settled);
    m_beyond.clear();
    place(std::move(beyond), true);
}
