#pragma once

#include <QAbstractTableModel>
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

    // Puts a row written to the database at the top.
    void prepend(const Row& row);
    // Takes off the `count` newest rows (rows the database rolled back).
    void removeNewest(int count);

    // Texts of columns 1 to 4.
    void setHeaders(const QStringList& headers) { m_headers = headers; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVector<Row> m_rows; // oldest first
    QStringList m_headers;
    QSqlError m_lastError;
};
