#include "datasourceparam.h"

#include <QDomElement>

#include <utility>

DataSourceParam::DataSourceParam(QString name, QString dbType, QString dbName, QString dbHost,
                                 QString dbUser, QString dbPassword, int dbPort,
                                 QString dbConnectionName, QString sqlQuery, QString dbCoding,
                                 QString charsetCoding)
    : active(true)
    , name(std::move(name))
    , dbType(std::move(dbType))
    , dbName(std::move(dbName))
    , dbHost(std::move(dbHost))
    , dbUser(std::move(dbUser))
    , dbPassword(std::move(dbPassword))
    , dbPort(dbPort)
    , dbConnectionName(std::move(dbConnectionName))
    , sqlQuery(std::move(sqlQuery))
    , dbCoding(std::move(dbCoding))
    , charsetCoding(std::move(charsetCoding))
{
}

DataSourceParam DataSourceParam::fromPageElement(const QDomElement& page, bool* found)
{
    DataSourceParam param;
    *found = false;
    const QDomElement source = page.lastChildElement(QStringLiteral("DataSource"));
    if (source.isNull() || source.attribute(QStringLiteral("type")) != QLatin1String("SQL"))
        return param;
    *found = true;
    param.name = source.attribute(QStringLiteral("name"));
    param.dbType = source.attribute(QStringLiteral("dbType"));
    param.dbName = source.attribute(QStringLiteral("dbName"));
    param.dbHost = source.attribute(QStringLiteral("dbHost"));
    param.dbUser = source.attribute(QStringLiteral("dbUser"));
    param.dbPassword = source.attribute(QStringLiteral("dbPassword"));
    param.dbCoding = source.attribute(QStringLiteral("dbCoding"));
    param.charsetCoding = source.attribute(QStringLiteral("charsetCoding"));
    param.dbConnectionName = source.attribute(QStringLiteral("dbConnectionName"));
    param.dbPort = source.attribute(QStringLiteral("dbPort")).toInt(); // 0 when not a number
    param.sqlQuery = source.text().trimmed();
    return param;
}
