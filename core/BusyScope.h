#pragma once
// The one busy scope of the program. Every long command (load, validate,
// acknowledge, move, recycle, delete, a list refill, and the translation,
// report, transfer and integration runs) holds it for its whole length,
// because it yields to window messages: a timer, a toolbar click or the
// close box can then run code in the middle of it. While the scope is held:
//   - exit is refused with a message (nothing is lost, nothing is closed
//     under the running work);
//   - a command that would start other work is refused (`refuse`), never
//     run inside the running work's transaction;
//   - the work uses the connection the scope holds by a shared pointer, so
//     the connection lives as long as the work, whatever happens meanwhile.
//
//   core::BusyScope busy(QStringLiteral("Move"), modGlobal::cnDatabase);
//   if (!busy.acquired())
//       return core::BusyScope::refuse(QStringLiteral("Move"));
//   ado::Connection &cn = busy.connection();
//   ... yields inside use vb::DoEventsIfDue() ...
//
// Work the holder starts itself (the acknowledgement loading its 997, a
// list refresh at the end of a move) joins the scope: it runs at the
// holder's own depth of yields and event loops (vb::yieldDepth). Anything
// that runs inside a yield or a modal box of the holder sits deeper and is
// refused; the main window defers list refreshes asked for meanwhile until
// the scope ends (`setObserver`).

#include <QString>

#include <functional>
#include <memory>

namespace ado {
class Connection;
}

namespace core {

class BusyScope {
public:
    // Takes the scope for `work`, its name in messages ("Load", "Move" ...).
    BusyScope(const QString &work, std::shared_ptr<ado::Connection> connection);
    ~BusyScope();
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

    // False when other work held the scope already (and this work was not
    // started by it); this one then holds nothing.
    bool acquired() const { return m_acquired; }
    // The connection held for the work; 3704 when there is none (closed).
    ado::Connection &connection() const;
    const std::shared_ptr<ado::Connection> &connectionPtr() const { return m_connection; }

    static bool isBusy();
    // The name of the running work; empty when none runs.
    static QString work();

    // "<what> cannot start while <work> is in progress.": a History "Warning"
    // and, unless silent, the same text in an exclamation box.
    static void refuse(const QString &what, bool silent = false);
    static QString refusalText(const QString &what);

    // For a window's command that writes: true when nothing holds the
    // database against it. Otherwise refuses `what` and returns false: while
    // work holds the scope and the command is not part of it, as `refuse`
    // does; while a transaction is open on the program's connection without
    // a named work, with the box "Another task is writing to the database.
    // Try again when it has finished."
    static bool databaseFree(const QString &what);
    // True while work holds the scope and the caller is not part of it (it
    // runs inside one of the holder's yields or modal boxes).
    static bool heldByOther();

    // Called with true when work takes the scope and false when it ends
    // (the main window runs the list refreshes it deferred). One observer.
    static void setObserver(std::function<void(bool busy)> observer);

private:
    bool m_acquired = false;
    bool m_joined = false; // part of the holder's own work
    std::shared_ptr<ado::Connection> m_connection;
};

} // namespace core
