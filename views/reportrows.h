#pragma once

#include "logpager.h"

#include <QString>
#include <QVariant>
#include <QVector>

#include <vector>

class QAbstractItemModel;

// The rows a report prints, fixed when printing starts: their count and
// their values together, whatever the views and the database do while the
// report renders, is repainted or exported.
class ReportRows
{
public:
    virtual ~ReportRows() = default;
    virtual int count() const = 0;
    // Value `column` of row `row`; invalid outside the rows.
    virtual QVariant value(int row, int column) = 0;
};

// A copy of some columns of a small model's top-level rows.
class ModelRows : public ReportRows
{
public:
    ModelRows(const QAbstractItemModel& model, const QVector<int>& columns);
    int count() const override { return m_rows.size(); }
    // `column` counts in the list given.
    QVariant value(int row, int column) override;

private:
    QVector<QVector<QVariant>> m_rows;
};

// The rows of a log table, read a page at a time as the report asks for
// them, inside one read transaction on a connection of its own: the count
// and every page see the table as it stood when printing started, however
// long the report takes, and memory does not grow with the log. A count
// over many rows lets the events through between its slices.
class SqlRows : public ReportRows
{
public:
    static constexpr int PageRows = 500;

    explicit SqlRows(const LogPager& pager);
    ~SqlRows() override;
    int count() const override { return int(m_count); }
    // Columns as the pager's: 0 the key, 1 to 4 the texts.
    QVariant value(int row, int column) override;

private:
    bool readPage(int page);

    LogPager m_pager;
    QString m_connection;
    qint64 m_count = 0;
    int m_page = -1;
    std::vector<LogPager::Row> m_rows;
    // The last row of each page read so far: where the next page goes on.
    std::vector<LogPager::Row> m_pageEnds;
};
