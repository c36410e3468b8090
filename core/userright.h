#pragma once

#include <QString>

// The nine rights a role may hold, in the numbering callers pass.
namespace UserRight {
constexpr int EditWorkspace = 0;
constexpr int ClearLog = 1;
constexpr int EditUsers = 2;
constexpr int SendCommand = 3;
constexpr int ConnectVisualAlarm = 4;
constexpr int GatewaySetup = 5;
constexpr int TimersSetup = 6;
constexpr int VoltageDiagrams = 7;
constexpr int SensorsSetup = 8;
constexpr int Count = 9;
} // namespace UserRight

// True when the role of `user` holds `right` (its column in `rights` is 1).
// Unknown users, unknown rights, roles without a rights row and SQL errors
// (logged) give false. Runs on the default connection, GUI thread only.
bool checkUserRight(int right, const QString& user);
