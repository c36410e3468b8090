#pragma once

#include <QtGlobal>
#include <QString>

class QIODevice;

// The switches of the diagnostic log. They are fixed when the program is
// built; the program never changes them while it runs.
namespace LogSwitches {
constexpr bool logDatePrefix = false;
constexpr bool logCategoryPrefix = true;
constexpr bool logTwSensors = false;
constexpr bool logEnergizers = true;
constexpr bool logToFile = false;
constexpr bool logToStderr = true;
}

// Formats one message as the bytes the diagnostic log writes for it (escape,
// category prefix, text, newline). Empty when the category is dropped.
QByteArray formatLogLine(const char* category, const QString& message);

// Installed with qInstallMessageHandler: every message of every thread goes here.
void debugMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
