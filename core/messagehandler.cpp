#include "messagehandler.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

const char kBlack[] = "\x1b[30m";
const char kGreen[] = "\x1b[32m";
const char kBlue[] = "\x1b[34m";

bool isCategory(const char* category, const char* name)
{
    return category && std::strcmp(category, name) == 0;
}

// One line at a time: lines logged by different threads never interleave.
QMutex& lineMutex()
{
    static QMutex mutex;
    return mutex;
}

} // namespace

QByteArray formatLogLine(const char* category, const QString& message)
{
    const bool isDefault = !category || isCategory(category, "default");
    if (isCategory(category, "TWSENSORS") && !LogSwitches::logTwSensors)
        return QByteArray();
    if (isCategory(category, "ENERGIZERS") && !LogSwitches::logEnergizers)
        return QByteArray();

    QString datePart;
    if (LogSwitches::logDatePrefix)
        datePart = QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) + QLatin1Char(' ');

    QString prefix;
    if (LogSwitches::logCategoryPrefix && !isDefault) {
        const char* colour = kBlack;
        if (isCategory(category, "TWSENSORS"))
            colour = kGreen;
        else if (isCategory(category, "ENERGIZERS"))
            colour = kBlue;
        prefix = QString::fromLatin1(colour) + QString::fromUtf8(category) + QStringLiteral(": ");
    }

    // Plain concatenation: a "%1" inside the message text stays as it is.
    const QString line = datePart + prefix + message;
    return QByteArray(kBlack) + line.toUtf8() + '\n';
}

void debugMessageHandler(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    const QByteArray bytes = formatLogLine(context.category, message);
    if (bytes.isEmpty())
        return;

    QMutexLocker locker(&lineMutex());
    if (LogSwitches::logToFile) {
        QFile file(QStringLiteral("debugLog.txt"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            QTextStream stream(&file);
            // The file copy carries no escape, only the line.
            stream << QString::fromUtf8(bytes.mid(int(sizeof(kBlack)) - 1).chopped(1)) << Qt::endl;
        }
    }
    if (LogSwitches::logToStderr) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        std::fflush(stderr);
    }
}
