#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

struct sqlite3_file;
struct sqlite3_vfs;

// A file system layer of SQLite's for connections that share a limit:
// every file opens through the default layer, and the temporary files the
// connections make (a sort's, a temporary table's) may hold so many bytes
// together, no more. A write past them fails as on a full disk, and
// exceeded() tells that the limit, not the disk, was full.
//
// The layer is registered under a name of its own while the object lives;
// the connections that use it must be closed before it goes.
class SqliteTempLimit
{
public:
    explicit SqliteTempLimit(qint64 bytes);
    ~SqliteTempLimit();
    SqliteTempLimit(const SqliteTempLimit&) = delete;
    SqliteTempLimit& operator=(const SqliteTempLimit&) = delete;

    // Whether the layer could be registered.
    bool isValid() const { return m_registered; }
    qint64 limit() const { return m_limit; }
    // Bytes the temporary files hold now.
    qint64 used() const { return m_used; }
    bool exceeded() const { return m_exceeded; }
    // Forgets that it was exceeded: a run of another query begins.
    void clearExceeded() { m_exceeded = false; }
    // The SQLite file name that opens `databaseName` (a path, ":memory:" or
    // a "file:" name) through this layer.
    QString uriFor(const QString& databaseName) const;

private:
    struct TempFile;
    static SqliteTempLimit& of(sqlite3_vfs* vfs);
    static sqlite3_vfs* base(sqlite3_vfs* vfs);
    static int open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags);
    bool grow(qint64 bytes);

    sqlite3_vfs* m_default = nullptr;
    std::unique_ptr<sqlite3_vfs> m_vfs;
    QByteArray m_name;
    qint64 m_limit;
    qint64 m_used = 0;
    bool m_exceeded = false;
    bool m_registered = false;
};
