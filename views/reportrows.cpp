#include "reportrows.h"
#include "viewslogging.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>

#include <algorithm>
#include <atomic>

ModelRows::ModelRows(const QAbstractItemModel& model, const QVector<int>& columns)
{
    m_rows.resize(model.rowCount());
    for (int row = 0; row < m_rows.size(); ++row) {
        for (const int column : columns)
            m_rows[row].append(model.index(row, column).data());
    }
}

QVariant ModelRows::value(int row, int column)
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).value(column) : QVariant();
}

SqlRows::SqlRows(const LogPager& pager)
    : m_pager(pager)
{
    static std::atomic<int> serial{0};
    m_connection = QStringLiteral("lumetra-print-%1").arg(++serial);
    QSqlDatabase db = QSqlDatabase::cloneDatabase(QSqlDatabase::database(), m_connection);
    // A printout only reads.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    // Deferred: the snapshot is the one the count reads.
    if (!db.open() || !db.transaction())
        qCWarning(lcViews) << "Printout: no snapshot of the log:" << db.lastError().text();
    // A long log is counted a slice at a time: the window answers meanwhile,
    // the operator's input waiting until the printout has started.
    const auto answer = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    if (!m_pager.count(&m_count, db, answer))
        qCWarning(lcViews) << "Printout: rows not counted:" << m_pager.lastError().text();
}

SqlRows::~SqlRows()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.rollback();
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QVariant SqlRows::value(int row, int column)
{
    if (row < 0 || row >= m_count || column < 0 || column >= LogPager::ColumnCount)
        return QVariant();
    const int page = row / PageRows;
    if (page != m_page && !readPage(page))
        return QVariant();
    const size_t index = size_t(row - page * PageRows);
    return index < m_rows.size() ? m_rows[index][size_t(column)] : QVariant();
}

// Pages are asked for in order, pass after pass: a page goes on from the
// end of the one before, known once that one was read.
bool SqlRows::readPage(int page)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    int next = std::min(page, int(m_pageEnds.size()));
    do {
        m_rows.clear();
        m_page = -1;
        if (!m_pager.read(next > 0 ? &m_pageEnds[size_t(next - 1)] : nullptr, PageRows, &m_rows, db)) {
            qCWarning(lcViews) << "Printout: rows not read:" << m_pager.lastError().text();
            return false;
        }
        if (m_rows.empty())
            return false;
        if (next == int(m_pageEnds.size()))
            m_pageEnds.push_back(m_rows.back());
        m_page = next;
    } while (next++ < page);
    return true;
}
