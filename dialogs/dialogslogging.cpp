#include "dialogslogging.h"

Q_LOGGING_CATEGORY(lcDialogs, "lumetra.dialogs", QtInfoMsg)
