#pragma once
// One file layer in front of SQLite's own, made the default once for the
// process and passing everything through, for the tests that need to see or
// spoil what a connection does to its files. Its two options can be on
// together: writes to one chosen file fail (FailingWrites), and the syncs made
// on one thread are recorded (SyncLog). Connections opened before install()
// go straight to SQLite's own layer: reopen them.

#include <QString>
#include <QStringList>

#include <functional>

namespace corvantis::test {

class SqliteFileLayer {
public:
    static void install();

    // Writes to `path` fail with SQLITE_FULL through the handles that are its
    // `fromOpening`th opening or a later one (counted since install), until
    // writesWork().
    static void failWrites(const QString &path, int fromOpening);
    static void writesWork();
    // How many times SQLite opened `path` since install.
    static int openings(const QString &path);
    // How many writes failed on purpose since install.
    static int failedWrites();

    // From now on the syncs of the files opened meanwhile, made on the
    // calling thread, are recorded; `onSync` runs at each before it reaches
    // the disk. Returns false when syncs are already being recorded.
    static bool recordSyncs(std::function<void(const QString &file)> onSync);
    static void stopRecordingSyncs();
    // The files synced while recording, by path, in order.
    static QStringList synced();
};

} // namespace corvantis::test
