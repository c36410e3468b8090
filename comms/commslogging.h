#pragma once

#include <QLoggingCategory>

// Diagnostic lines of the comms library that are no link's traffic (the
// timer unit's). Debug lines are off unless QT_LOGGING_RULES turns them on
// ("lumetra.comms.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcComms)

// The controller links' own categories: what a link reads and sends, and what
// the gateway's control unit makes of its records and commands. The message
// handler colours and filters by these names.
Q_DECLARE_LOGGING_CATEGORY(lcEnergizers)
Q_DECLARE_LOGGING_CATEGORY(lcTwSensors)
// Lines that belong in the plain log although a link writes them (register dumps).
Q_DECLARE_LOGGING_CATEGORY(lcLinkDefault)
