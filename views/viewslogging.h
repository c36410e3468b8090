#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the views library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.views.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcViews)
