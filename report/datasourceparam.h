#pragma once

#include <QString>

class QDomElement;

// Describes one SQL data source of a report page: either handed over by the
// program (then `active` is true and the template's "DataSource" element is
// ignored) or read from that element.
class DataSourceParam
{
public:
    DataSourceParam() = default;
    DataSourceParam(QString name, QString dbType, QString dbName, QString dbHost, QString dbUser,
                    QString dbPassword, int dbPort, QString dbConnectionName, QString sqlQuery,
                    QString dbCoding, QString charsetCoding);

    void reset() { *this = DataSourceParam(); }

    // The last "DataSource" child element of a report page element, when it
    // is one of type "SQL". `found` tells whether there was such a source;
    // the record read from the template is not `active` (that flag belongs to
    // records the program supplies).
    static DataSourceParam fromPageElement(const QDomElement& page, bool* found);

    bool active = false;
    QString name;
    QString dbType;
    QString dbName;
    QString dbHost;
    QString dbUser;
    QString dbPassword;
    int dbPort = 0;
    QString dbConnectionName;
    QString sqlQuery;
    QString dbCoding;
    QString charsetCoding;
};
