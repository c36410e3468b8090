#include "reportdatasources.h"

#include "reportsql.h"
#include "sqlitetemplimit.h"

#include <QDomElement>

ReportDataSources::ReportDataSources() = default;
ReportDataSources::~ReportDataSources() = default;

void ReportDataSources::setDataSource(int page, const DataSourceParam& param)
{
    if (page < 0)
        return;
    if (page >= m_params.size())
        m_params.resize(page + 1);
    m_params[page] = param;
}

DataSourceParam ReportDataSources::getDataSource(int page) const
{
    return page >= 0 && page < m_params.size() ? m_params.at(page) : DataSourceParam();
}

void ReportDataSources::setDataSourceActive(int page, bool active)
{
    DataSourceParam param = getDataSource(page);
    param.active = active;
    setDataSource(page, param);
}

bool ReportDataSources::openDataSource(int page, const QDomElement& pageElement, QList<int>& recordsCount,
                                       const std::function<bool()>& keepGoing)
{
    if (page < 0)
        return false;
    DataSourceParam param = getDataSource(page);
    if (!param.active) {
        bool found = false;
        param = DataSourceParam::fromPageElement(pageElement, &found);
        if (!found)
            return false;
    }
    auto sql = std::make_unique<ReportSql>(param.dbType, param.dbName, param.dbHost, param.dbUser,
                                           param.dbPassword, param.dbPort, param.dbConnectionName);
    sql->setObjectName(param.name);
    sql->setKeepGoing(keepGoing);
    if (!m_tempLimit)
        m_tempLimit = ReportSql::makeTempLimit();
    sql->shareTempLimit(m_tempLimit);
    if (!m_sqlQuery.isEmpty())
        param.sqlQuery = m_sqlQuery;
    const bool ran = sql->openQuery(param.sqlQuery, param.dbCoding, param.charsetCoding);
    recordsCount.append(ran ? sql->getRecordCount() : 0);
    if (page >= int(m_sources.size()))
        m_sources.resize(page + 1);
    m_sources[page] = std::move(sql);
    return true;
}

ReportSql* ReportDataSources::source(int page) const
{
    return page >= 0 && page < int(m_sources.size()) ? m_sources[page].get() : nullptr;
}

void ReportDataSources::release(int page)
{
    if (ReportSql* sql = source(page))
        sql->release();
}
