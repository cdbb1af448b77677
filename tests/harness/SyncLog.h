#pragma once
// Watches SQLite sync its files: while a SyncLog lives, the harness's file
// layer (SqliteFileLayer.h) stands in front of SQLite's own, and every sync
// that a connection opened meanwhile makes on the test's own thread is
// recorded (the log's folding thread is left out). `onSync` runs at each such sync, before it
// reaches the disk, so a test can note what the folders hold at that moment.
// Connections opened before the SyncLog are not watched: reopen them.

#include <QString>
#include <QStringList>

#include <functional>

namespace corvantis::test {

class SyncLog {
public:
    explicit SyncLog(std::function<void(const QString &file)> onSync = {});
    ~SyncLog();
    SyncLog(const SyncLog &) = delete;
    SyncLog &operator=(const SyncLog &) = delete;

    // The files synced, by path, in order.
    QStringList synced() const;
    // How many syncs of a database's write-ahead log (a path ending "-wal").
    int logSyncs() const;

private:
    bool recording_ = false; // false when another log was already recording
};

} // namespace corvantis::test
