#include "maplogging.h"

Q_LOGGING_CATEGORY(lcMap, "lumetra.map", QtInfoMsg)
