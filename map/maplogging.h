#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the map library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.map.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcMap)
