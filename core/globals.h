#pragma once

#include <QString>

// The logged-in user's name, set once at log-in; written into the user-action log.
extern QString g_currentUser;
