#pragma once

#include <QString>
#include <QTemporaryDir>

// A private copy of the runtime files (database, settings, templates) in a
// temporary directory, made the program's home through LUMETRA_HOME for as
// long as the object lives. Tests never touch the files beside the build.
class TestHome
{
public:
    TestHome();
    ~TestHome();

    bool isValid() const { return m_valid; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Opens the default SQL connection on this home's brenik.db, on the
    // calling thread. Returns false (with a warning) when it cannot.
    bool openDatabase();
    void closeDatabase();

    // The directory the build lays the runtime files in, and the program binary.
    static QString runtimeDir();
    static QString programBinary();

private:
    QTemporaryDir m_dir;
    QByteArray m_previousHome;
    bool m_valid = false;
};
