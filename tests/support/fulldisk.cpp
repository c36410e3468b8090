#include "fulldisk.h"

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::atomic<bool> g_full{false};
using Pwrite = ssize_t (*)(int, const void*, size_t, off_t);
Pwrite g_pwrite = nullptr;

ssize_t fullPwrite(int fd, const void* bytes, size_t count, off_t offset)
{
    char path[PATH_MAX];
    const ssize_t length =
        g_full ? ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path) : 0;
    if (g_full && !(length > 4 && std::memcmp(path + length - 4, "-shm", 4) == 0)) {
        errno = ENOSPC;
        return -1;
    }
    return g_pwrite(fd, bytes, count, offset);
}

} // namespace

bool FullDisk::install()
{
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    if (g_pwrite || !vfs || vfs->iVersion < 3)
        return g_pwrite;
    g_pwrite = reinterpret_cast<Pwrite>(vfs->xGetSystemCall(vfs, "pwrite64"));
    return g_pwrite && vfs->xSetSystemCall(vfs, "pwrite64", reinterpret_cast<sqlite3_syscall_ptr>(&fullPwrite)) == 0;
}

void FullDisk::setFull(bool full)
{
    g_full = full;
}
