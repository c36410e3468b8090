#include "projectlogging.h"

Q_LOGGING_CATEGORY(lcProject, "lumetra.project", QtInfoMsg)
