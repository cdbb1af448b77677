#include "ado/LogFolder.h"
#include "ado/ConnectionData.h"
#include "ado/Transaction.h"
#include "vb/VbError.h"

#include <sqlite3.h>

#include <QFile>

#include <chrono>

#include <fcntl.h>
#include <unistd.h>

namespace ado::detail {

LogFolder::LogFolder(QString path, QString password)
    : m_path(std::move(path)), m_password(std::move(password))
{
}

LogFolder::~LogFolder()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void LogFolder::startLocked()
{
    if (!m_thread.joinable())
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
        foldOnce();
        lock.lock();
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

void LogFolder::foldOnce()
{
    bool complete = false;
    if (!m_db) {
        try {
            m_db = openKeyed(m_path, m_password);
        } catch (const vb::VbError &error) {
            // The log stays as it is and is folded in at the next ask, or
            // by the last connection to close the file.
            qCWarning(lcAdo).noquote() << "the log of" << m_path << "cannot be folded in:" << error.description;
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
        complete = rc == SQLITE_OK && folded == logFrames;
        if (rc != SQLITE_OK && rc != SQLITE_BUSY)
            qCWarning(lcAdo).noquote() << "folding the log of" << m_path << "into it failed:" << sqlite3_errmsg(m_db);
    }
    std::lock_guard lock(m_mutex);
    m_complete = complete;
}

} // namespace ado::detail
