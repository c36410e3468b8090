#include "globals.h"

QString g_currentUser;
