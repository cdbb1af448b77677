#pragma once
// Internal: folds a database's write-ahead log into the file on a thread of
// its own, with a connection of its own, so that no commit waits for the
// copying. SQLite lets one connection fold the log while others read and
// write.
// While a bulk transaction fills the log, the same thread has the log's new
// pages written out as they come, so the commit's wait for the disk finds
// little left to write.

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

struct sqlite3;

namespace ado::detail {

class LogFolder {
public:
    // The folding connection opens `path` keyed with `password` when the
    // first fold is asked for.
    LogFolder(QString path, QString password);
    // Waits for a fold under way to end (the copying cannot be interrupted
    // safely), then closes the folding connection.
    ~LogFolder();
    LogFolder(const LogFolder &) = delete;
    LogFolder &operator=(const LogFolder &) = delete;

    // Asks for a fold; returns at once. Asks made while one runs are
    // served by one more fold after it.
    void request();
    // True once no fold is asked for or under way and the last one folded
    // the whole log in, waiting up to `msecs` for the folds to end.
    bool waitFolded(int msecs);
    // Starts or stops writing the log out ahead of the commit.
    void setWritingAhead(bool on);

private:
    void startLocked();   // the thread, once; with m_mutex held
    void run();
    void foldOnce();
    void writeAhead();

    const QString m_path;
    const QString m_password;
    sqlite3 *m_db = nullptr;   // used on the folding thread only
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_asked = false;
    bool m_busy = false;
    bool m_stop = false;
    bool m_complete = true;
    bool m_writingAhead = false;
    int m_logFile = -1;        // the log, opened for writing it out ahead
    std::thread m_thread;
};

} // namespace ado::detail
