#pragma once

#include <QLoggingCategory>

// Categories of the controller links' diagnostic lines. The message handler
// colours and filters by these names.
Q_DECLARE_LOGGING_CATEGORY(lcEnergizers)
Q_DECLARE_LOGGING_CATEGORY(lcTwSensors)
// Lines that belong in the plain log although a link writes them (register dumps).
Q_DECLARE_LOGGING_CATEGORY(lcLinkDefault)
