#include "sqlitetemplimit.h"

#include <sqlite3.h>

#include <atomic>

namespace {

constexpr int TempFlags = SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL | SQLITE_OPEN_TRANSIENT_DB | SQLITE_OPEN_SUBJOURNAL;

constexpr int roundedUp(int bytes)
{
    return (bytes + 7) / 8 * 8;
}

} // namespace

// A temporary file: this header, and the default layer's file behind it.
struct SqliteTempLimit::TempFile
{
    sqlite3_file base;
    SqliteTempLimit* owner;
    sqlite3_int64 size;

    static TempFile* of(sqlite3_file* file) { return reinterpret_cast<TempFile*>(file); }
    static sqlite3_file* real(sqlite3_file* file)
    {
        return reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + roundedUp(sizeof(TempFile)));
    }
    static const sqlite3_io_methods* methods(sqlite3_file* file) { return real(file)->pMethods; }

    static int close(sqlite3_file* file)
    {
        of(file)->owner->m_used -= of(file)->size;
        return methods(file)->xClose(real(file));
    }
    static int write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
    {
        TempFile* self = of(file);
        const sqlite3_int64 end = offset + amount;
        if (end > self->size && !self->owner->grow(end - self->size))
            return SQLITE_FULL;
        const int result = methods(file)->xWrite(real(file), data, amount, offset);
        if (result == SQLITE_OK && end > self->size)
            self->size = end;
        else if (end > self->size)
            self->owner->m_used -= end - self->size;
        return result;
    }
    static int truncate(sqlite3_file* file, sqlite3_int64 size)
    {
        const int result = methods(file)->xTruncate(real(file), size);
        if (result == SQLITE_OK && size < of(file)->size) {
            of(file)->owner->m_used -= of(file)->size - size;
            of(file)->size = size;
        }
        return result;
    }
    // A size hint may reserve room on the disk beyond the limit: it is only a hint.
    static int control(sqlite3_file* file, int op, void* argument)
    {
        return op == SQLITE_FCNTL_SIZE_HINT ? SQLITE_OK : methods(file)->xFileControl(real(file), op, argument);
    }
    static int read(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset)
    {
        return methods(f)->xRead(real(f), data, amount, offset);
    }
    static int sync(sqlite3_file* f, int flags) { return methods(f)->xSync(real(f), flags); }
    static int fileSize(sqlite3_file* f, sqlite3_int64* size) { return methods(f)->xFileSize(real(f), size); }
    static int lock(sqlite3_file* f, int level) { return methods(f)->xLock(real(f), level); }
    static int unlock(sqlite3_file* f, int level) { return methods(f)->xUnlock(real(f), level); }
    static int reserved(sqlite3_file* f, int* out) { return methods(f)->xCheckReservedLock(real(f), out); }
    static int sectorSize(sqlite3_file* f) { return methods(f)->xSectorSize(real(f)); }
    static int device(sqlite3_file* f) { return methods(f)->xDeviceCharacteristics(real(f)); }

    // Version 1: a temporary file is never mapped into memory, so every
    // byte of it goes through write().
    static constexpr sqlite3_io_methods Methods = {1,     &close, &read, &write, &truncate,   &sync,   &fileSize, &lock,
                                                   &unlock, &reserved, &control, &sectorSize, &device, nullptr, nullptr,
                                                   nullptr, nullptr,   nullptr, nullptr};
};

SqliteTempLimit::SqliteTempLimit(qint64 bytes)
    : m_default(sqlite3_vfs_find(nullptr))
    , m_vfs(std::make_unique<sqlite3_vfs>())
    , m_limit(bytes)
{
    static std::atomic<int> serial{0};
    m_name = "report-temp-" + QByteArray::number(++serial);
    if (!m_default)
        return;
    sqlite3_vfs& vfs = *m_vfs;
    vfs.iVersion = 2;
    vfs.szOsFile = roundedUp(sizeof(TempFile)) + m_default->szOsFile;
    vfs.mxPathname = m_default->mxPathname;
    vfs.zName = m_name.constData();
    vfs.pAppData = this;
    vfs.xOpen = &SqliteTempLimit::open;
    vfs.xDelete = [](sqlite3_vfs* v, const char* name, int sync) { return base(v)->xDelete(base(v), name, sync); };
    vfs.xAccess = [](sqlite3_vfs* v, const char* name, int flags, int* out) { return base(v)->xAccess(base(v), name, flags, out); };
    vfs.xFullPathname = [](sqlite3_vfs* v, const char* name, int size, char* out) {
        return base(v)->xFullPathname(base(v), name, size, out);
    };
    vfs.xDlOpen = [](sqlite3_vfs* v, const char* name) { return base(v)->xDlOpen(base(v), name); };
    vfs.xDlError = [](sqlite3_vfs* v, int size, char* out) { base(v)->xDlError(base(v), size, out); };
    vfs.xDlSym = [](sqlite3_vfs* v, void* library, const char* symbol) { return base(v)->xDlSym(base(v), library, symbol); };
    vfs.xDlClose = [](sqlite3_vfs* v, void* library) { base(v)->xDlClose(base(v), library); };
    vfs.xRandomness = [](sqlite3_vfs* v, int size, char* out) { return base(v)->xRandomness(base(v), size, out); };
    vfs.xSleep = [](sqlite3_vfs* v, int microseconds) { return base(v)->xSleep(base(v), microseconds); };
    vfs.xCurrentTime = [](sqlite3_vfs* v, double* now) { return base(v)->xCurrentTime(base(v), now); };
    vfs.xGetLastError = [](sqlite3_vfs* v, int size, char* out) { return base(v)->xGetLastError(base(v), size, out); };
    vfs.xCurrentTimeInt64 = [](sqlite3_vfs* v, sqlite3_int64* now) {
        sqlite3_vfs* b = base(v);
        if (b->iVersion >= 2 && b->xCurrentTimeInt64)
            return b->xCurrentTimeInt64(b, now);
        double days = 0;
        const int result = b->xCurrentTime(b, &days);
        *now = sqlite3_int64(days * 86400000.0);
        return result;
    };
    m_registered = sqlite3_vfs_register(m_vfs.get(), 0) == SQLITE_OK;
}

SqliteTempLimit::~SqliteTempLimit()
{
    if (m_registered)
        sqlite3_vfs_unregister(m_vfs.get());
}

SqliteTempLimit& SqliteTempLimit::of(sqlite3_vfs* vfs)
{
    return *static_cast<SqliteTempLimit*>(vfs->pAppData);
}

sqlite3_vfs* SqliteTempLimit::base(sqlite3_vfs* vfs)
{
    return of(vfs).m_default;
}

// Files other than temporary ones are the default layer's own, opened in
// place: their reads, locks and write-ahead log go by it untouched.
int SqliteTempLimit::open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    sqlite3_vfs* b = base(vfs);
    if (name && !(flags & TempFlags))
        return b->xOpen(b, name, file, flags, outFlags);
    TempFile* temp = TempFile::of(file);
    temp->base.pMethods = nullptr;
    const int result = b->xOpen(b, name, TempFile::real(file), flags, outFlags);
    if (result != SQLITE_OK)
        return result;
    temp->owner = &of(vfs);
    temp->size = 0;
    if (TempFile::methods(file)->xFileSize(TempFile::real(file), &temp->size) != SQLITE_OK)
        temp->size = 0;
    temp->owner->m_used += temp->size;
    temp->base.pMethods = &TempFile::Methods;
    return SQLITE_OK;
}

bool SqliteTempLimit::grow(qint64 bytes)
{
    if (m_used + bytes > m_limit) {
        m_exceeded = true;
        return false;
    }
    m_used += bytes;
    return true;
}

// Encoded so that no character of the name reads as part of the URI.
QString SqliteTempLimit::uriFor(const QString& databaseName) const
{
    const QString parameter = QStringLiteral("vfs=") + QString::fromLatin1(m_name);
    if (databaseName.startsWith(QLatin1String("file:"))) {
        // Its own parameters stay; the last "vfs" names the layer.
        const int fragment = databaseName.indexOf(QLatin1Char('#'));
        const QString uri = databaseName.left(fragment);
        return uri + (uri.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + parameter;
    }
    QString path = databaseName;
    path.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('?'), QLatin1String("%3f"))
        .replace(QLatin1Char('#'), QLatin1String("%23"));
    // An empty authority before an absolute path: "//" of the path cannot read as a host.
    return (path.startsWith(QLatin1Char('/')) ? QStringLiteral("file://") : QStringLiteral("file:")) + path
           + QLatin1Char('?') + parameter;
}
