#pragma once
// The walk that every command on selected rows uses: the list's own query
// (modGlobal::BuildSortedSelect) is opened again and its records are walked
// in step with the list's rows, so the n-th row is the n-th record.
//
// The list may have gone stale since it was filled (rows removed or added by
// other work, or during a yield of a running walk). Each list item carries
// the rowid of the row it shows, and the walk acts on a record only when the
// record's rowid is the item's. Before acting at all, it checks every row of
// the list; while acting it checks again at each row. At the first
// disagreement it stops and reports stale() instead of acting on a row the
// user did not select.

#include "ado/Recordset.h"

#include <QString>
#include <functional>

namespace controls {
class ListView;
}
namespace ado {
class Connection;
}

namespace mainwindow {

class LockStepWalk {
public:
    enum class Rows { Selected, All };
    enum class Outcome {
        Done,   // every row of the list matched its record
        Stale,  // the list no longer shows its query: nothing more was done
    };

    // Opens the list's query on the connection, keyset cursor, with the given
    // lock. Errors of the query (and of BuildSortedSelect) reach the caller.
    LockStepWalk(const controls::ListView &list, ado::Connection &connection,
                 int lockType = ado::adLockOptimistic);

    // Walks list positions 1..N (N read once) with the records of the query
    // and calls act(position, recordset) for every selected row (or every row)
    // whose record is under the cursor. The callback may change or delete the
    // current record; the walk moves on afterwards. Errors of the callback
    // reach the caller.
    Outcome run(Rows rows, const std::function<void(int position, ado::Recordset &rs)> &act);

    // Positions the record set on the record of one list row (1-based), the
    // positioned form of the walk used by the preview and the edit save.
    // Stale when the record at that position is not the row's.
    Outcome position(int listPosition);

    // The 1-based list position at which the walk found the list stale, 0 when none.
    int stalePosition() const { return m_stalePosition; }
    bool queryEmpty() const;

    ado::Recordset &recordset() { return m_rs; }
    void close();

private:
    bool matches(int position);
    Outcome verifyAll();

    const controls::ListView &m_list;
    ado::Recordset m_rs;
    int m_stalePosition = 0;
};

// What a command does when its walk found the list stale: tells the user
// (exclamation box), records a History warning, and refills the list so the
// user can choose again. `command` names the command in both texts
// ("Move", "Delete" ...). Without a box when `silent` (unattended callers).
void ReportStaleList(controls::ListView &list, const QString &command,
                     const std::function<void(controls::ListView *)> &refreshBox,
                     bool silent = false);

// The texts used by ReportStaleList, for tests.
QString StaleListMessage(const QString &table);
QString StaleListHistory(const QString &table, const QString &command);

} // namespace mainwindow
