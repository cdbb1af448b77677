#include "SyncLog.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace corvantis::test {

namespace {

// One layer for the program's life: connections opened through it may
// outlive the log that was recording.
struct State {
    std::atomic<bool> recording{false};
    std::thread::id thread;
    std::function<void(const QString &)> onSync;
    QStringList synced;
    std::mutex mutex; // the synced list, read while the folding thread syncs
    sqlite3_vfs *real = nullptr;
    sqlite3_vfs vfs{};
};

State g_state;
bool g_active = false;

// The file as SQLite holds it: this layer's part, then the real file's.
struct ShimFile {
    sqlite3_file base;
    char path[1024];
    sqlite3_file *real() { return reinterpret_cast<sqlite3_file *>(this + 1); }
};

ShimFile *shim(sqlite3_file *file)
{
    return reinterpret_cast<ShimFile *>(file);
}

sqlite3_file *real(sqlite3_file *file)
{
    return shim(file)->real();
}

int shimClose(sqlite3_file *f) { return real(f)->pMethods->xClose(real(f)); }
int shimRead(sqlite3_file *f, void *b, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), b, n, o); }
int shimWrite(sqlite3_file *f, const void *b, int n, sqlite3_int64 o)
{
    return real(f)->pMethods->xWrite(real(f), b, n, o);
}
int shimTruncate(sqlite3_file *f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); }
int shimSync(sqlite3_file *f, int flags)
{
    if (g_state.recording && std::this_thread::get_id() == g_state.thread) {
        const QString path = QString::fromUtf8(shim(f)->path);
        {
            std::lock_guard<std::mutex> lock(g_state.mutex);
            g_state.synced << path;
        }
        if (g_state.onSync)
            g_state.onSync(path);
    }
    return real(f)->pMethods->xSync(real(f), flags);
}
int shimFileSize(sqlite3_file *f, sqlite3_int64 *size) { return real(f)->pMethods->xFileSize(real(f), size); }
int shimLock(sqlite3_file *f, int lock) { return real(f)->pMethods->xLock(real(f), lock); }
int shimUnlock(sqlite3_file *f, int lock) { return real(f)->pMethods->xUnlock(real(f), lock); }
int shimCheckReservedLock(sqlite3_file *f, int *out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int shimFileControl(sqlite3_file *f, int op, void *arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int shimSectorSize(sqlite3_file *f) { return real(f)->pMethods->xSectorSize(real(f)); }
int shimDeviceCharacteristics(sqlite3_file *f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
int shimShmMap(sqlite3_file *f, int region, int size, int extend, void volatile **out)
{
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, out);
}
int shimShmLock(sqlite3_file *f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void shimShmBarrier(sqlite3_file *f) { real(f)->pMethods->xShmBarrier(real(f)); }
int shimShmUnmap(sqlite3_file *f, int deleteFlag) { return real(f)->pMethods->xShmUnmap(real(f), deleteFlag); }
int shimFetch(sqlite3_file *f, sqlite3_int64 o, int n, void **out) { return real(f)->pMethods->xFetch(real(f), o, n, out); }
int shimUnfetch(sqlite3_file *f, sqlite3_int64 o, void *p) { return real(f)->pMethods->xUnfetch(real(f), o, p); }

const sqlite3_io_methods kMethods = {
    3,           shimClose,     shimRead,           shimWrite,
    shimTruncate, shimSync,     shimFileSize,       shimLock,
    shimUnlock,  shimCheckReservedLock, shimFileControl, shimSectorSize,
    shimDeviceCharacteristics, shimShmMap, shimShmLock, shimShmBarrier,
    shimShmUnmap, shimFetch,    shimUnfetch,
};

sqlite3_vfs *realVfs(sqlite3_vfs *vfs)
{
    return static_cast<sqlite3_vfs *>(vfs->pAppData);
}

int shimOpen(sqlite3_vfs *vfs, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    ShimFile *f = shim(file);
    f->base.pMethods = nullptr;
    std::memset(f->path, 0, sizeof f->path);
    if (name)
        std::strncpy(f->path, name, sizeof f->path - 1);
    f->real()->pMethods = nullptr;
    const int rc = realVfs(vfs)->xOpen(realVfs(vfs), name, f->real(), flags, outFlags);
    // The real file's methods set means SQLite will close it, even after a failure.
    if (f->real()->pMethods)
        f->base.pMethods = &kMethods;
    return rc;
}

int shimDelete(sqlite3_vfs *v, const char *name, int syncDir) { return realVfs(v)->xDelete(realVfs(v), name, syncDir); }
int shimAccess(sqlite3_vfs *v, const char *name, int flags, int *out)
{
    return realVfs(v)->xAccess(realVfs(v), name, flags, out);
}
int shimFullPathname(sqlite3_vfs *v, const char *name, int n, char *out)
{
    return realVfs(v)->xFullPathname(realVfs(v), name, n, out);
}
void *shimDlOpen(sqlite3_vfs *v, const char *name) { return realVfs(v)->xDlOpen(realVfs(v), name); }
void shimDlError(sqlite3_vfs *v, int n, char *out) { realVfs(v)->xDlError(realVfs(v), n, out); }
void (*shimDlSym(sqlite3_vfs *v, void *handle, const char *symbol))(void)
{
    return realVfs(v)->xDlSym(realVfs(v), handle, symbol);
}
void shimDlClose(sqlite3_vfs *v, void *handle) { realVfs(v)->xDlClose(realVfs(v), handle); }
int shimRandomness(sqlite3_vfs *v, int n, char *out) { return realVfs(v)->xRandomness(realVfs(v), n, out); }
int shimSleep(sqlite3_vfs *v, int micro) { return realVfs(v)->xSleep(realVfs(v), micro); }
int shimCurrentTime(sqlite3_vfs *v, double *out) { return realVfs(v)->xCurrentTime(realVfs(v), out); }
int shimGetLastError(sqlite3_vfs *v, int n, char *out) { return realVfs(v)->xGetLastError(realVfs(v), n, out); }
int shimCurrentTimeInt64(sqlite3_vfs *v, sqlite3_int64 *out)
{
    return realVfs(v)->xCurrentTimeInt64(realVfs(v), out);
}

} // namespace

SyncLog::SyncLog(std::function<void(const QString &)> onSync)
{
    if (g_active) {
        ADD_FAILURE() << "one SyncLog at a time";
        return;
    }
    State &state = g_state;
    if (!state.real) {
        state.real = sqlite3_vfs_find(nullptr);
        sqlite3_vfs &vfs = state.vfs;
        vfs.iVersion = 2;
        vfs.szOsFile = int(sizeof(ShimFile)) + state.real->szOsFile;
        vfs.mxPathname = state.real->mxPathname;
        vfs.zName = "corvantis-sync-log";
        vfs.pAppData = state.real;
        vfs.xOpen = shimOpen;
        vfs.xDelete = shimDelete;
        vfs.xAccess = shimAccess;
        vfs.xFullPathname = shimFullPathname;
        vfs.xDlOpen = shimDlOpen;
        vfs.xDlError = shimDlError;
        vfs.xDlSym = shimDlSym;
        vfs.xDlClose = shimDlClose;
        vfs.xRandomness = shimRandomness;
        vfs.xSleep = shimSleep;
        vfs.xCurrentTime = shimCurrentTime;
        vfs.xGetLastError = shimGetLastError;
        vfs.xCurrentTimeInt64 = shimCurrentTimeInt64;
    }
    // Made the default: connections opened from now on go through it.
    if (sqlite3_vfs_register(&state.vfs, 1) != SQLITE_OK) {
        ADD_FAILURE() << "the file layer could not be registered";
        return;
    }
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.synced.clear();
    }
    state.thread = std::this_thread::get_id();
    state.onSync = std::move(onSync);
    state.recording = true;
    g_active = true;
}

SyncLog::~SyncLog()
{
    if (!g_active)
        return;
    g_state.recording = false;
    g_state.onSync = nullptr;
    sqlite3_vfs_register(g_state.real, 1);
    g_active = false;
}

QStringList SyncLog::synced() const
{
    std::lock_guard<std::mutex> lock(g_state.mutex);
    return g_state.synced;
}

int SyncLog::logSyncs() const
{
    int n = 0;
    for (const QString &path : synced())
        n += path.endsWith(QLatin1String("-wal")) ? 1 : 0;
    return n;
}

} // namespace corvantis::test
