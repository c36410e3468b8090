#include "alarmlogmodel.h"

#include "alarmlogproxymodel.h"

namespace {

// The kinds of record AlarmLogProxyModel passes, narrowed in SQL so that a
// page read holds rows to show; the days are the pager's.
const char* const kFilterSql =
    "instr(source, 'Timer') > 0 or instr(reason, 'OnOff') > 0 or instr(info, 'sensor') > 0"
    " or instr(info, 'Fail') > 0 or (? and instr(info, 'OK') > 0) or (? and instr(info, 'Warning') > 0)"
    " or (? and instr(info, 'Critical') > 0)";

} // namespace

AlarmLogModel::AlarmLogModel(QObject* parent)
    : LogModel(QStringLiteral("logAlarm"), {QStringLiteral("id"), QStringLiteral("datetime"), QStringLiteral("source"),
                                            QStringLiteral("reason"), QStringLiteral("info")},
               parent)
{
}

void AlarmLogModel::setFilter(const AlarmLogProxyModel& filter)
{
    LogModel::setFilter(QLatin1String(kFilterSql), {filter.showOk, filter.showWarning, filter.showCritical});
    setDays(filter.fromDate, filter.toDate);
}
