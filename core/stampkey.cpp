#include "stampkey.h"

namespace StampKey {

QString sql(const QString& column)
{
    return QStringLiteral("substr(%1, 7, 4) || substr(%1, 4, 2) || substr(%1, 1, 2) || substr(%1, 12, 8)").arg(column);
}

QString of(const QString& stamp)
{
    return stamp.mid(6, 4) + stamp.mid(3, 2) + stamp.mid(0, 2) + stamp.mid(11, 8);
}

QString dayStart(const QDate& day)
{
    return day.isValid() ? day.toString(QStringLiteral("yyyyMMdd")) : QString();
}

} // namespace StampKey
