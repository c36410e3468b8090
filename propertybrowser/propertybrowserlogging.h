#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the propertybrowser library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.propertybrowser.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcPropertyBrowser)
