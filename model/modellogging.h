#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the model library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.model.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcModel)
