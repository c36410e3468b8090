#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the report library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.report.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcReport)
