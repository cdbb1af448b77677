#include "SqliteFileLayer.h"

#include <sqlite3.h>

#include <QFileInfo>

#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace corvantis::test {

namespace {

// One layer for the program's life: connections opened through it may
// outlive the test object that set an option.
struct State {
    std::mutex mutex;
    std::map<std::string, int> openings;
    std::string failing;        // the file whose writes fail; empty: none
    int fromOpening = 1;
    int failed = 0;
    bool recording = false;     // syncs recorded
    int recordingSince = 0;     // the openings counted when recording began
    std::thread::id thread;     // the thread whose syncs are recorded
    std::function<void(const QString &)> onSync;
    QStringList synced;
};

State &state()
{
    static State *s = new State; // used by SQLite until the process ends
    return *s;
}

sqlite3_vfs *g_real = nullptr;
int g_allOpenings = 0;          // under the state's mutex

// The file as SQLite holds it: this layer's part, then the real file's.
struct File {
    sqlite3_file base;
    sqlite3_file *real;         // right behind this struct
    std::string *path;          // null for SQLite's nameless temporary files
    int opening;                // of this path
    int openedAs;               // among all openings
};

File *layer(sqlite3_file *f)
{
    return reinterpret_cast<File *>(f);
}

sqlite3_file *real(sqlite3_file *f)
{
    return layer(f)->real;
}

int xClose(sqlite3_file *f)
{
    File *file = layer(f);
    const int rc = file->real->pMethods ? file->real->pMethods->xClose(file->real) : SQLITE_OK;
    delete file->path;
    file->path = nullptr;
    return rc;
}

int xRead(sqlite3_file *f, void *buffer, int amount, sqlite3_int64 offset)
{
    return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}

bool failsNow(sqlite3_file *f)
{
    const File *file = layer(f);
    if (!file->path)
        return false;
    State &s = state();
    std::lock_guard lock(s.mutex);
    if (s.failing.empty() || *file->path != s.failing || file->opening < s.fromOpening)
        return false;
    ++s.failed;
    return true;
}

int xWrite(sqlite3_file *f, const void *buffer, int amount, sqlite3_int64 offset)
{
    if (failsNow(f))
        return SQLITE_FULL;
    return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}

int xTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    return real(f)->pMethods->xTruncate(real(f), size);
}

int xSync(sqlite3_file *f, int flags)
{
    const File *file = layer(f);
    State &s = state();
    std::function<void(const QString &)> onSync;
    QString path;
    bool recorded = false;
    {
        std::lock_guard lock(s.mutex);
        if (s.recording && file->openedAs > s.recordingSince && std::this_thread::get_id() == s.thread) {
            path = file->path ? QString::fromStdString(*file->path) : QString();
            s.synced << path;
            onSync = s.onSync;
            recorded = true;
        }
    }
    // Outside the lock: the test may look at anything, even open files.
    if (recorded && onSync)
        onSync(path);
    return real(f)->pMethods->xSync(real(f), flags);
}

int xFileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}

int xLock(sqlite3_file *f, int level)
{
    return real(f)->pMethods->xLock(real(f), level);
}

int xUnlock(sqlite3_file *f, int level)
{
    return real(f)->pMethods->xUnlock(real(f), level);
}

int xCheckReservedLock(sqlite3_file *f, int *out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}

int xFileControl(sqlite3_file *f, int op, void *arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}

int xSectorSize(sqlite3_file *f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}

int xDeviceCharacteristics(sqlite3_file *f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}

int xShmMap(sqlite3_file *f, int region, int size, int extend, void volatile **out)
{
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, out);
}

int xShmLock(sqlite3_file *f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}

void xShmBarrier(sqlite3_file *f)
{
    real(f)->pMethods->xShmBarrier(real(f));
}

int xShmUnmap(sqlite3_file *f, int deleteFlag)
{
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}

int xFetch(sqlite3_file *f, sqlite3_int64 offset, int amount, void **out)
{
    return real(f)->pMethods->xFetch(real(f), offset, amount, out);
}

int xUnfetch(sqlite3_file *f, sqlite3_int64 offset, void *page)
{
    return real(f)->pMethods->xUnfetch(real(f), offset, page);
}

const sqlite3_io_methods kMethods = {
    3, xClose, xRead, xWrite, xTruncate, xSync, xFileSize, xLock, xUnlock, xCheckReservedLock, xFileControl,
    xSectorSize, xDeviceCharacteristics, xShmMap, xShmLock, xShmBarrier, xShmUnmap, xFetch, xUnfetch,
};

int xOpen(sqlite3_vfs *, const char *name, sqlite3_file *f, int flags, int *outFlags)
{
    File *file = layer(f);
    file->base.pMethods = nullptr;
    file->real = reinterpret_cast<sqlite3_file *>(file + 1);
    file->real->pMethods = nullptr;
    file->path = nullptr;
    file->opening = 0;
    file->openedAs = 0;
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        // SQLite calls xClose only when the methods are set.
        if (file->real->pMethods)
            file->real->pMethods->xClose(file->real);
        return rc;
    }
    State &s = state();
    std::lock_guard lock(s.mutex);
    file->openedAs = ++g_allOpenings;
    if (name) {
        file->path = new std::string(name);
        file->opening = ++s.openings[*file->path];
    }
    file->base.pMethods = &kMethods;
    return SQLITE_OK;
}

int xDelete(sqlite3_vfs *, const char *name, int syncDir)
{
    return g_real->xDelete(g_real, name, syncDir);
}

int xAccess(sqlite3_vfs *, const char *name, int flags, int *out)
{
    return g_real->xAccess(g_real, name, flags, out);
}

int xFullPathname(sqlite3_vfs *, const char *name, int size, char *out)
{
    return g_real->xFullPathname(g_real, name, size, out);
}

void *xDlOpen(sqlite3_vfs *, const char *name)
{
    return g_real->xDlOpen(g_real, name);
}

void xDlError(sqlite3_vfs *, int size, char *out)
{
    g_real->xDlError(g_real, size, out);
}

void (*xDlSym(sqlite3_vfs *, void *handle, const char *symbol))(void)
{
    return g_real->xDlSym(g_real, handle, symbol);
}

void xDlClose(sqlite3_vfs *, void *handle)
{
    g_real->xDlClose(g_real, handle);
}

int xRandomness(sqlite3_vfs *, int size, char *out)
{
    return g_real->xRandomness(g_real, size, out);
}

int xSleep(sqlite3_vfs *, int micros)
{
    return g_real->xSleep(g_real, micros);
}

int xCurrentTime(sqlite3_vfs *, double *out)
{
    return g_real->xCurrentTime(g_real, out);
}

int xGetLastError(sqlite3_vfs *, int size, char *out)
{
    return g_real->xGetLastError(g_real, size, out);
}

int xCurrentTimeInt64(sqlite3_vfs *, sqlite3_int64 *out)
{
    return g_real->xCurrentTimeInt64(g_real, out);
}

std::string pathOf(const QString &path)
{
    return QFileInfo(path).absoluteFilePath().toStdString();
}

} // namespace

void SqliteFileLayer::install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_real = sqlite3_vfs_find(nullptr);
        static sqlite3_vfs layerVfs = {
            2, int(sizeof(File)) + g_real->szOsFile, g_real->mxPathname, nullptr, "corvantis-test-files", nullptr,
            xOpen, xDelete, xAccess, xFullPathname, xDlOpen, xDlError, xDlSym, xDlClose, xRandomness, xSleep,
            xCurrentTime, xGetLastError, xCurrentTimeInt64, nullptr, nullptr, nullptr,
        };
        sqlite3_vfs_register(&layerVfs, 1);
    });
}

void SqliteFileLayer::failWrites(const QString &path, int fromOpening)
{
    install();
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.failing = pathOf(path);
    s.fromOpening = fromOpening;
}

void SqliteFileLayer::writesWork()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.failing.clear();
}

int SqliteFileLayer::openings(const QString &path)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    const auto found = s.openings.find(pathOf(path));
    return found == s.openings.end() ? 0 : found->second;
}

int SqliteFileLayer::failedWrites()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    return s.failed;
}

bool SqliteFileLayer::recordSyncs(std::function<void(const QString &)> onSync)
{
    install();
    State &s = state();
    std::lock_guard lock(s.mutex);
    if (s.recording)
        return false;
    s.recording = true;
    s.recordingSince = g_allOpenings;
    s.thread = std::this_thread::get_id();
    s.onSync = std::move(onSync);
    s.synced.clear();
    return true;
}

void SqliteFileLayer::stopRecordingSyncs()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.recording = false;
    s.onSync = nullptr;
}

QStringList SqliteFileLayer::synced()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    return s.synced;
}

} // namespace corvantis::test
