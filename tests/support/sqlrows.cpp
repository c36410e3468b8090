#include "sqlrows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QStringList sqlRows(const QString& sql)
{
    QStringList values;
    QSqlQuery query;
    if (!query.exec(sql))
        return {query.lastError().text()};
    while (query.next())
        values << query.value(0).toString();
    return values;
}
