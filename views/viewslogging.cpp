#include "viewslogging.h"

Q_LOGGING_CATEGORY(lcViews, "lumetra.views", QtInfoMsg)
