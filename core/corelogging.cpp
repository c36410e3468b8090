#include "corelogging.h"

Q_LOGGING_CATEGORY(lcCore, "lumetra.core", QtInfoMsg)
