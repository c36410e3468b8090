#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the project library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.project.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcProject)
