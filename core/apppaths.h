#pragma once

#include <QString>

// Where the files the program keeps beside itself live. Normally the program's
// own directory; the environment variable LUMETRA_HOME points elsewhere (tests
// run with private copies, a read-only install can keep its data apart).
class AppPaths
{
public:
    static QString homeDir();
    static QString filePath(const QString& fileName);

    static QString database() { return filePath(QStringLiteral("brenik.db")); }
    static QString settings() { return filePath(QStringLiteral("setting.ini")); }
    static QString defaultParams() { return filePath(QStringLiteral("DefaultParams.xml")); }
};
