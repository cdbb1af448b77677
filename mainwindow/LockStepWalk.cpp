#include "mainwindow/LockStepWalk.h"

#include "controls/ListView.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"

namespace mainwindow {

LockStepWalk::LockStepWalk(const controls::ListView &list, ado::Connection &connection, int lockType)
    : m_list(list)
{
    m_rs.Open(modGlobal::BuildSortedSelect(list), connection, ado::adOpenKeyset, lockType);
}

bool LockStepWalk::queryEmpty() const
{
    return m_rs.Bof() && m_rs.Eof();
}

bool LockStepWalk::matches(int position)
{
    if (m_rs.Eof() || m_rs.Bof())
        return false;
    const controls::ListItem *item = m_list.item(position);
    return item->rowid() != 0 && item->rowid() == m_rs.rowid();
}

LockStepWalk::Outcome LockStepWalk::verifyAll()
{
    const int count = m_list.itemCount();
    if (count == 0)
        return Outcome::Done;
    if (queryEmpty()) {
        m_stalePosition = 1;
        return Outcome::Stale;
    }
    // Reading rowids fetches no row, so the check is cheap even for long lists.
    m_rs.MoveFirst();
    for (int i = 1; i <= count; ++i) {
        if (!matches(i)) {
            m_stalePosition = i;
            return Outcome::Stale;
        }
        m_rs.MoveNext();
    }
    return Outcome::Done;
}

LockStepWalk::Outcome LockStepWalk::run(Rows rows, const std::function<void(int, ado::Recordset &)> &act)
{
    m_stalePosition = 0;
    if (verifyAll() == Outcome::Stale)
        return Outcome::Stale;
    const int count = m_list.itemCount();
    if (count == 0)
        return Outcome::Done;
    m_rs.MoveFirst();
    for (int i = 1; i <= count; ++i) {
        // The list may have changed during a yield of an earlier row.
        if (i > m_list.itemCount() || !matches(i)) {
            m_stalePosition = i;
            return Outcome::Stale;
        }
        if (rows == Rows::All || m_list.isItemSelected(i))
            act(i, m_rs);
        m_rs.MoveNext();
    }
    return Outcome::Done;
}

LockStepWalk::Outcome LockStepWalk::position(int listPosition)
{
    m_stalePosition = 0;
    if (listPosition < 1 || listPosition > m_list.itemCount() || queryEmpty()) {
        m_stalePosition = listPosition;
        return Outcome::Stale;
    }
    m_rs.MoveLast();
    if (listPosition > m_rs.RecordCount()) {
        m_stalePosition = listPosition;
        return Outcome::Stale;
    }
    m_rs.setAbsolutePosition(listPosition);
    if (!matches(listPosition)) {
        m_stalePosition = listPosition;
        return Outcome::Stale;
    }
    return Outcome::Done;
}

void LockStepWalk::close()
{
    if (m_rs.State() == ado::adStateOpen)
        m_rs.Close();
}

QString StaleListMessage(const QString &table)
{
    return QStringLiteral("The ") + table
        + QStringLiteral(" list no longer matches the ") + table
        + QStringLiteral(" folder: items were added or removed since it was shown.\r\n")
        + QStringLiteral("Nothing was changed. The list has been refreshed; please check your selection and try again.");
}

QString StaleListHistory(const QString &table, const QString &command)
{
    return command + QStringLiteral(" stopped: the ") + table
        + QStringLiteral(" list was out of date and has been refreshed");
}

void ReportStaleList(controls::ListView &list, const QString &command,
                     const std::function<void(controls::ListView *)> &refreshBox, bool silent)
{
    const QString table = list.tag();
    if (!silent)
        vb::MsgBox(StaleListMessage(table), vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
    modGlobal::LogHistory(QStringLiteral("Warning"), StaleListHistory(table, command));
    if (refreshBox)
        refreshBox(&list);
}

} // namespace mainwindow
