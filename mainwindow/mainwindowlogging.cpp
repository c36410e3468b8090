#include "mainwindowlogging.h"

Q_LOGGING_CATEGORY(lcMainWindow, "lumetra.mainwindow", QtInfoMsg)
