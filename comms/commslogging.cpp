#include "commslogging.h"

Q_LOGGING_CATEGORY(lcComms, "lumetra.comms", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEnergizers, "ENERGIZERS")
Q_LOGGING_CATEGORY(lcTwSensors, "TWSENSORS")
Q_LOGGING_CATEGORY(lcLinkDefault, "default")
