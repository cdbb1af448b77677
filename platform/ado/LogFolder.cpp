#include "ado/LogFolder.h"
#include "ado/ConnectionData.h"
#include "ado/Transaction.h"
#include "vb/VbError.h"

#include <sqlite3.h>

#include <QFile>

#include <chrono>
#include <cstdlib>
#include <exception>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace ado::detail {

namespace {

// The folders of the process. Never destroyed: it is used on the way out,
// after static objects may be gone.
struct Folders {
    std::mutex mutex;
    std::vector<LogFolder *> live;
    bool ended = false;
};

Folders &folders()
{
    static Folders *list = new Folders;
    return *list;
}

} // namespace

LogFolder::LogFolder(QString path, QString password, Outcome outcome)
    : m_path(std::move(path)), m_password(std::move(password)), m_outcome(std::move(outcome))
{
    Folders &list = folders();
    std::lock_guard lock(list.mutex);
    m_stop = list.ended;
    list.live.push_back(this);
}

LogFolder::~LogFolder()
{
    {
        Folders &list = folders();
        std::lock_guard lock(list.mutex);
        std::erase(list.live, this);
    }
    stopAndJoin();
}

void LogFolder::stopAndJoin()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    std::lock_guard joining(m_joining);
    if (m_thread.joinable())
        m_thread.join();
}

void LogFolder::endAll()
{
    Folders &list = folders();
    std::lock_guard lock(list.mutex);
    list.ended = true;
    for (LogFolder *folder : list.live)
        folder->stopAndJoin();
}

void LogFolder::startLocked()
{
    if (m_thread.joinable() || m_stop)
        return;
    // A program that leaves through exit() without closing its database
    // must not have the thread deriving a key or copying pages while the
    // cipher library cleans up: registered after that library's own
    // clean-up (the opening connection set it up), this runs before it.
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit([] { LogFolder::endAll(); }); });
    m_thread = std::thread([this] { run(); });
}

void LogFolder::request()
{
    {
        std::lock_guard lock(m_mutex);
        m_asked = true;
        startLocked();
    }
    m_changed.notify_all();
}

void LogFolder::setWritingAhead(bool on)
{
    {
        std::lock_guard lock(m_mutex);
        m_writingAhead = on;
        if (on)
            startLocked();
    }
    m_changed.notify_all();
}

bool LogFolder::waitFolded(int msecs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(msecs), [this] { return !m_asked && !m_busy; })
        && m_complete;
}

void LogFolder::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto ready = [this] { return m_asked || m_stop; };
        // The log is held open only while written ahead: a log removed and
        // made anew later is another file.
        if (!m_writingAhead && m_logFile >= 0) {
            ::close(m_logFile);
            m_logFile = -1;
        }
        if (m_writingAhead) {
            // Often enough that little is left unwritten at any moment.
            if (!m_changed.wait_for(lock, std::chrono::milliseconds(10), ready)) {
                lock.unlock();
                writeAhead();
                lock.lock();
                continue;
            }
        } else {
            m_changed.wait(lock, ready);
        }
        // A fold asked for before the stop is still made: closing the
        // database afterwards then finds little left to fold itself.
        if (!m_asked)
            break;
        m_asked = false;
        m_busy = true;
        lock.unlock();
        // Nothing may end the thread: a failure of any kind is a failed fold.
        bool threw = true;
        try {
            foldOnce();
            threw = false;
        } catch (const std::exception &error) {
            noteOutcome(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            noteOutcome(QStringLiteral("an unknown error"));
        }
        lock.lock();
        if (threw)
            m_complete = false;
        m_busy = false;
        m_changed.notify_all();
    }
    lock.unlock();
    if (m_logFile >= 0)
        ::close(m_logFile);
    m_logFile = -1;
    if (m_db)
        sqlite3_close(m_db);
    m_db = nullptr;
}

void LogFolder::writeAhead()
{
#ifdef __linux__
    // Only starts the writing: the commit's own sync is what makes the log
    // durable. A log not there yet is looked for again next time.
    if (m_logFile < 0)
        m_logFile = ::open(QFile::encodeName(m_path + QStringLiteral("-wal")).constData(), O_RDONLY | O_CLOEXEC);
    if (m_logFile >= 0)
        ::sync_file_range(m_logFile, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void LogFolder::noteOutcome(const QString &reason) noexcept
{
    // Told once per cause, and once when folding works again.
    try {
        const bool wasFailed = m_failed.exchange(!reason.isEmpty());
        if (reason.isEmpty() ? !wasFailed : reason == m_lastFailure)
            return;
        m_lastFailure = reason;
        if (!reason.isEmpty())
            qCWarning(lcAdo).noquote() << "folding the log of" << m_path << "into it failed:" << reason;
        if (m_outcome)
            m_outcome(reason);
    } catch (...) {
    }
}

void LogFolder::foldOnce()
{
    bool complete = false;
    bool worked = false;
    QString failure;
    if (!m_db) {
        try {
            m_db = openKeyed(m_path, m_password);
        } catch (const vb::VbError &error) {
            // The log stays as it is and is folded in at the next ask, or
            // by the last connection to close the file.
            failure = error.description;
        }
    }
    if (m_db) {
        // Passive: it waits for no one and keeps no one waiting. The log is
        // started over and cut back by the next write, on the writer's own
        // connection: restarting it from here could invalidate what a
        // connection in the middle of a read is about to write.
        sqlite3_busy_timeout(m_db, 0);
        int logFrames = 0, folded = 0;
        const int rc = sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, &logFrames, &folded);
        worked = rc == SQLITE_OK;
        complete = worked && folded == logFrames;
        // Busy: another connection holds what the fold needs, which is no
        // failure; the next ask tries again.
        if (rc != SQLITE_OK && rc != SQLITE_BUSY)
            failure = QString::fromUtf8(sqlite3_errmsg(m_db));
    }
    {
        std::lock_guard lock(m_mutex);
        m_complete = complete;
    }
    if (!failure.isEmpty() || worked)
        noteOutcome(failure);
}

} // namespace ado::detail
