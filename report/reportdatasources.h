#pragma once

#include "datasourceparam.h"

#include <QList>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class QDomElement;
class ReportSql;
class SqliteTempLimit;

// The SQL data sources of one report, by report page: the records the
// program hands over, the engine-wide query text, and the sources opened in
// the counting pass. A source opened again for the same page replaces (and
// removes the connection of) the former one, since the preview runs the
// counting pass at every repaint. The sources' temporary files hold one
// limit together, and a page's source lets go of them once the page is laid
// out (release): the report holds no more than one page needs.
class ReportDataSources
{
public:
    ReportDataSources();
    ~ReportDataSources();

    // When not empty, replaces the query of every source.
    void setSqlQuery(const QString& query) { m_sqlQuery = query; }

    void setDataSource(int page, const DataSourceParam& param);
    // A cleared record for a page without one.
    DataSourceParam getDataSource(int page) const;
    void setDataSourceActive(int page, bool active);

    // Opens the data source of a report page: the program's record when it
    // is active, else the page element's SQL "DataSource". Appends the
    // number of records (0 when the query failed) to `recordsCount`; a page
    // without a source appends nothing. True when a source was opened.
    // `keepGoing` serves the source as ReportSql::setKeepGoing says.
    bool openDataSource(int page, const QDomElement& pageElement, QList<int>& recordsCount,
                        const std::function<bool()>& keepGoing = {});

    // The source of a report page; null when the page has none.
    ReportSql* source(int page) const;
    // The page is laid out: its source lets go of its query's temporary files.
    void release(int page);

private:
    QVector<DataSourceParam> m_params;
    std::vector<std::unique_ptr<ReportSql>> m_sources;
    std::shared_ptr<SqliteTempLimit> m_tempLimit;
    QString m_sqlQuery;
};
