#pragma once

#include <QDate>
#include <QString>

// The time order of a log's stamp, which the alarm and user-action logs
// store as "dd.MM.yyyy hh:mm:ss " text: year, month and day, then the time,
// cut out of the text ("yyyyMMddhh:mm:ss"). The stored text stays as it is;
// each log's index is built on this expression, and its queries use it
// verbatim, so that SQLite's planner matches them to that index.
namespace StampKey {

// The expression over the stamp column `column`.
QString sql(const QString& column);
// The key of `stamp` as the expression makes it, for a stamp in the logs' form.
QString of(const QString& stamp);
// The key at which `day` begins ("yyyyMMdd"); empty for an invalid day.
QString dayStart(const QDate& day);

} // namespace StampKey
