#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the mainwindow library. Debug lines are off unless
// QT_LOGGING_RULES turns them on ("lumetra.mainwindow.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcMainWindow)
