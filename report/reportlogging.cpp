#include "reportlogging.h"

Q_LOGGING_CATEGORY(lcReport, "lumetra.report", QtInfoMsg)
