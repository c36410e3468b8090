#pragma once

#include "writebatch.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <array>

// The rows of logAlarm as the alarm log shows them: newest first, columns
// 0 key, 1 date and time, 2 source, 3 reason, 4 info. Rows are kept oldest
// first internally, so a new row costs the same however long the program
// has run; nothing is cached beside the rows themselves.
class AlarmLogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = 5;
    using Row = std::array<QVariant, ColumnCount>;

    explicit AlarmLogModel(QObject* parent = nullptr);

    // Reads every row of the table anew; false (rows dropped, error kept)
    // when the table cannot be read.
    bool load();
    QSqlError lastError() const { return m_lastError; }

    // Puts a row handed to the database (WriteBatch) at the top, under the
    // ticket it got; its key, when it has none yet or the key changes,
    // comes with `setKeys` once the row is committed.
    void prepend(quint64 ticket, const Row& row);
    void setKeys(const WriteBatch::WrittenRows& rows);
    // Whether the row of `ticket` is shown here and not committed yet.
    bool holds(quint64 ticket) const { return m_unkeyed.contains(ticket); }

    // Texts of columns 1 to 4.
    void setHeaders(const QStringList& headers) { m_headers = headers; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVector<Row> m_rows; // oldest first
    // Tickets of the rows still without their key, by the row's place in m_rows.
    QHash<quint64, int> m_unkeyed;
    QStringList m_headers;
    QSqlError m_lastError;
};
