#pragma once

#include <QString>
#include <QTemporaryDir>

// A private home with the runtime files (database, settings, templates) in a
// temporary directory, made the program's home through LUMETRA_HOME for as
// long as the object lives. The files are made from the sources: the
// database from the schema, the rest copied from the shipped files. Tests
// never read the program's own directory, whose files a run changes.
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

    // The shipped runtime files in the sources (all but the database), and the program binary.
    static QString runtimeDir();
    static QString programBinary();
    // The database schema the build makes brenik.db from.
    static QString schemaFile();

private:
    QTemporaryDir m_dir;
    QByteArray m_previousHome;
    bool m_valid = false;
};
