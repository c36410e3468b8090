#pragma once

#include <QFileInfo>

#include <sqlite3.h>

#include <atomic>
#include <cerrno>

// A disk as SQLite meets it, with `room` bytes for the `database` and its
// write-ahead log (0: full; below 0: no end, and `database` may be set): a
// write to either that would take the two past it fails with ENOSPC, on
// every connection and thread. `install` before any connection opens.
namespace SqliteDisk {

inline std::atomic<qint64> room{-1};
inline QString database;
inline ssize_t (*systemPwrite)(int, const void*, size_t, off_t) = nullptr;

inline ssize_t pwrite(int fd, const void* bytes, size_t count, off_t offset)
{
    const auto size = [](const QString& name) { return QFileInfo(name).size(); };
    const qint64 left = room;
    const QString file = left < 0 ? QString() : QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
    if (left < 0 || !file.startsWith(database) || file.endsWith(QLatin1String("-shm"))
        || size(database) + size(database + "-wal") - size(file) + qMax<qint64>(size(file), offset + count) <= left)
        return systemPwrite(fd, bytes, count, offset);
    errno = ENOSPC;
    return -1;
}

inline bool install()
{
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    systemPwrite = reinterpret_cast<decltype(systemPwrite)>(vfs->xGetSystemCall(vfs, "pwrite64"));
    return systemPwrite && vfs->xSetSystemCall(vfs, "pwrite64", reinterpret_cast<sqlite3_syscall_ptr>(&pwrite)) == 0;
}

inline void setRoom(const QString& path, qint64 bytes)
{
    database = QFileInfo(path).canonicalFilePath();
    room = bytes;
}

} // namespace SqliteDisk
