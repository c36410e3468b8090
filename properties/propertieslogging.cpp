#include "propertieslogging.h"

Q_LOGGING_CATEGORY(lcProperties, "lumetra.properties", QtInfoMsg)
