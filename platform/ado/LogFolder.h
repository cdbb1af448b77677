#pragma once
// Internal: folds a database's write-ahead log into the file on a thread of
// its own, with a connection of its own, so that no commit waits for the
// copying. SQLite lets one connection fold the log while others read and
// write.
// While a bulk transaction fills the log, the same thread has the log's new
// pages written out as they come, so the commit's wait for the disk finds
// little left to write.
// Every folder is known to a list of the process: the way out of the
// program stops and joins their threads (endLogFolding) before the
// libraries clean up after themselves.

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

struct sqlite3;

namespace ado::detail {

class LogFolder {
public:
    // Told on the folding thread when a fold failed for a cause not told
    // since the last fold that worked, with the reason, and when a fold
    // works again after a failure, with an empty reason. It must only take
    // note (hand the news on).
    using Outcome = std::function<void(const QString &reason)>;

    // The folding connection opens `path` keyed with `password` when the
    // first fold is asked for.
    LogFolder(QString path, QString password, Outcome outcome = {});
    // Waits for a fold under way to end (the copying cannot be interrupted
    // safely), then closes the folding connection.
    ~LogFolder();
    LogFolder(const LogFolder &) = delete;
    LogFolder &operator=(const LogFolder &) = delete;

    // Asks for a fold; returns at once. Asks made while one runs are
    // served by one more fold after it. Once the folding has ended for the
    // process, nothing starts any more.
    void request();
    // True once no fold is asked for or under way and the last one folded
    // the whole log in, waiting up to `msecs` for the folds to end.
    bool waitFolded(int msecs);
    // Starts or stops writing the log out ahead of the commit.
    void setWritingAhead(bool on);
    // The last fold failed (not merely left pages a reader still needs):
    // the next commit asks again, whatever the log's length.
    bool failed() const { return m_failed.load(std::memory_order_relaxed); }

    // Stops every folder's thread and waits for it; from then on no folder
    // of the process starts one.
    static void endAll();

private:
    void startLocked();   // the thread, once; with m_mutex held
    void stopAndJoin();
    void run();
    void foldOnce();
    void writeAhead();
    void noteOutcome(const QString &reason) noexcept;

    const QString m_path;
    const QString m_password;
    const Outcome m_outcome;
    sqlite3 *m_db = nullptr;   // used on the folding thread only
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_asked = false;
    bool m_busy = false;
    bool m_stop = false;
    bool m_complete = true;
    bool m_writingAhead = false;
    std::atomic<bool> m_failed = false;
    QString m_lastFailure;     // told last; the folding thread's own
    int m_logFile = -1;        // the log, opened for writing it out ahead
    std::mutex m_joining;      // one joins the thread: the folder's end or endAll
    std::thread m_thread;
};

} // namespace ado::detail
