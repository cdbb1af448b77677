#include "core/BusyScope.h"

#include "core/HandlerGuard.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"

#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/VbError.h"

namespace core {

namespace {

struct State {
    bool busy = false;
    QString work;
    int depth = 0;                                // the holder's vb::yieldDepth()
    std::shared_ptr<ado::Connection> connection;  // the holder's
    std::function<void(bool)> observer;
};

State &state()
{
    static State s;
    return s;
}

void tellObserver(bool busy)
{
    if (const auto observer = state().observer)
        modGlobal::GuardHandler([&] { observer(busy); });
}

} // namespace

BusyScope::BusyScope(const QString &work, std::shared_ptr<ado::Connection> connection)
{
    State &s = state();
    if (s.busy) {
        // Started by the holder itself, not from inside one of its yields.
        if (vb::yieldDepth() == s.depth) {
            m_acquired = true;
            m_joined = true;
            m_connection = s.connection;
        }
        return;
    }
    s.busy = true;
    s.work = work;
    s.depth = vb::yieldDepth();
    s.connection = connection;
    m_acquired = true;
    m_connection = std::move(connection);
    tellObserver(true);
}

BusyScope::~BusyScope()
{
    if (!m_acquired || m_joined)
        return;
    State &s = state();
    s.busy = false;
    s.work.clear();
    s.connection.reset();
    tellObserver(false);
}

ado::Connection &BusyScope::connection() const
{
    if (!m_connection)
        vb::raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
    return *m_connection;
}

bool BusyScope::isBusy()
{
    return state().busy;
}

QString BusyScope::work()
{
    return state().work;
}

QString BusyScope::refusalText(const QString &what)
{
    return what + QStringLiteral(" cannot start while ") + work() + QStringLiteral(" is in progress.");
}

void BusyScope::refuse(const QString &what, bool silent)
{
    const QString text = refusalText(what);
    modGlobal::LogHistory(QStringLiteral("Warning"), text);
    if (!silent)
        vb::MsgBox(text, vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
}

bool BusyScope::heldByOther()
{
    const State &s = state();
    return s.busy && vb::yieldDepth() != s.depth;
}

bool BusyScope::databaseFree(const QString &what)
{
    if (heldByOther()) {
        refuse(what);
        return false;
    }
    // The command has begun nothing yet: an open transaction is another task's.
    if (modGlobal::cnDatabase && modGlobal::cnDatabase->transactionLevel() > 0) {
        vb::MsgBox(QStringLiteral("Another task is writing to the database. Try again when it has finished."),
                   vb::vbExclamation);
        return false;
    }
    return true;
}

void BusyScope::setObserver(std::function<void(bool busy)> observer)
{
    state().observer = std::move(observer);
}

} // namespace core
