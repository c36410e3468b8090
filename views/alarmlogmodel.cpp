#include "alarmlogmodel.h"

#include <QSqlQuery>

AlarmLogModel::AlarmLogModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

bool AlarmLogModel::load()
{
    QSqlQuery query;
    query.setForwardOnly(true);
    const bool ok = query.exec(QStringLiteral("select id, datetime, source, reason, info from logAlarm order by id"));
    m_lastError = ok ? QSqlError() : query.lastError();
    beginResetModel();
    m_rows.clear();
    m_unkeyed.clear();
    while (ok && query.next()) {
        Row row;
        for (int column = 0; column < ColumnCount; ++column)
            row[column] = query.value(column);
        m_rows.append(row);
    }
    endResetModel();
    return ok;
}

void AlarmLogModel::prepend(quint64 ticket, const Row& row)
{
    beginInsertRows(QModelIndex(), 0, 0);
    m_unkeyed.insert(ticket, m_rows.size());
    m_rows.append(row);
    endInsertRows();
}

void AlarmLogModel::setKeys(const WriteBatch::WrittenRows& rows)
{
    for (const WriteBatch::WrittenRow& written : rows) {
        const auto it = m_unkeyed.constFind(written.ticket);
        if (it == m_unkeyed.constEnd())
            continue;
        m_rows[it.value()][0] = written.key;
        m_unkeyed.erase(it);
    }
}

int AlarmLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int AlarmLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AlarmLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= ColumnCount
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return m_rows.at(m_rows.size() - 1 - index.row())[index.column()];
}

QVariant AlarmLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 1 && section <= m_headers.size())
        return m_headers.at(section - 1);
    return QAbstractTableModel::headerData(section, orientation, role);
}
