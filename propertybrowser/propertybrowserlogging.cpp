#include "propertybrowserlogging.h"

Q_LOGGING_CATEGORY(lcPropertyBrowser, "lumetra.propertybrowser", QtInfoMsg)
