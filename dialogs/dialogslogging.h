#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the dialogs library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.dialogs.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcDialogs)
