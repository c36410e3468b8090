#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the core library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.core.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcCore)
