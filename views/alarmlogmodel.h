#pragma once

#include "logmodel.h"

class AlarmLogProxyModel;

// The rows of logAlarm as the alarm log shows them, columns 0 key, 1 date
// and time, 2 source, 3 reason, 4 info, narrowed in the query to what the
// log's filter can pass.
class AlarmLogModel : public LogModel
{
    Q_OBJECT
public:
    explicit AlarmLogModel(QObject* parent = nullptr);

    // Reads only the rows `filter` can pass from the next load on.
    void setFilter(const AlarmLogProxyModel& filter);
};
