#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the properties library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.properties.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcProperties)
