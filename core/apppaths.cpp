#include "apppaths.h"

#include <QCoreApplication>
#include <QDir>

QString AppPaths::homeDir()
{
    const QString overridden = qEnvironmentVariable("LUMETRA_HOME");
    if (!overridden.isEmpty())
        return QDir(overridden).absolutePath();
    return QCoreApplication::applicationDirPath();
}

QString AppPaths::filePath(const QString& fileName)
{
    return homeDir() + QLatin1Char('/') + fileName;
}
