#include "sqlrows.h"

#include "writebatch.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QStringList sqlRows(const QString& sql)
{
    // What the program handed to the logs' writer is read as written.
    WriteBatch::instance().commit();
    QStringList values;
    QSqlQuery query;
    if (!query.exec(sql))
        return {query.lastError().text()};
    while (query.next())
        values << query.value(0).toString();
    return values;
}
