#include "modellogging.h"

Q_LOGGING_CATEGORY(lcModel, "lumetra.model", QtInfoMsg)
