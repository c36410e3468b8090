#include "userright.h"
#include "corelogging.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <array>

namespace {
const std::array<const char*, UserRight::Count> kRightColumns = {
    "edit_workspace", "clear_log", "edit_users", "send_command", "connect_visual_alarm",
    "vell_setup", "timers_setup", "voltage_diagramms", "sensors_setup",
};
} // namespace

bool checkUserRight(int right, const QString& user)
{
    if (right < 0 || right >= UserRight::Count)
        return false;

    QSqlQuery query;
    // A statement that does not prepare (a damaged schema) reports its own error.
    const bool prepared = query.prepare(QStringLiteral(
        "select r.* from users as u left join rights as r on r.role_id = u.role_id where u.user=?"));
    if (prepared)
        query.addBindValue(user);
    if (!prepared || !query.exec()) {
        qCWarning(lcCore) << "checkUserRight:" << query.lastError().text() << query.lastQuery();
        return false;
    }
    if (!query.next())
        return false;
    return query.value(QLatin1String(kRightColumns[right])).toInt() == 1;
}
