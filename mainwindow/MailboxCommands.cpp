#include "mainwindow/MailboxCommands.h"
#include "core/Logging.h"
#include "core/MainWindowParts.h"

#include "mainwindow/LockStepWalk.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/Transaction.h"
#include "controls/ListView.h"
#include "controls/ProgressBar.h"
#include "controls/StatusBar.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "core/BusyScope.h"
#include "vb/Format.h"
#include "vb/VbError.h"

#include <QStringList>
#include <memory>
#include <optional>

namespace mainwindow {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A field as the text it holds; a field that holds no value cannot be taken
// as text (the classic "Invalid use of Null").
QString fieldText(ado::Recordset &rs, const QString &name)
{
    const vb::Variant value = rs.Fields(name).Value();
    if (value.isNull())
        vb::raise(94);
    return value.toString();
}

// Releases a record set of a failed command. A pending edit is dropped
// first: closing would store it, after the rollback, as a row of its own.
void closeQuietly(ado::Recordset &rs)
{
    try {
        if (rs.State() != ado::adStateOpen)
            return;
        if (rs.EditMode() != ado::adEditNone)
            rs.CancelUpdate();
        rs.Close();
    } catch (const std::exception &) {
        // The command's own failure is the one reported.
        core::recordCaught(lcMailbox(), "mailbox command: the record set of a failed command was not released");
    }
}

} // namespace

const QStringList &MailboxColumns()
{
    static const QStringList columns = {
        QStringLiteral("Partner"), QStringLiteral("Transaction"), QStringLiteral("Version"),
        QStringLiteral("Direction"), QStringLiteral("Date"), QStringLiteral("Time"),
        QStringLiteral("Used"), QStringLiteral("InterchangeControlNumber"),
        QStringLiteral("GroupControlNumber"), QStringLiteral("FunctionalGroup"),
        QStringLiteral("SenderID"), QStringLiteral("SenderDivision"), QStringLiteral("ReceiverID"),
        QStringLiteral("ReceiverDivision"), QStringLiteral("Acknowledged"), QStringLiteral("Status"),
        QStringLiteral("TSet"),
    };
    return columns;
}

MailboxCommands::MailboxCommands(MailboxContext context)
    : m_ctx(std::move(context))
{
}

std::unique_ptr<core::BusyScope> MailboxCommands::takeBusyScope(const QString &command)
{
    auto busy = std::make_unique<core::BusyScope>(command, m_ctx.connection);
    if (!busy->acquired()) {
        core::BusyScope::refuse(command);
        return nullptr;
    }
    return busy;
}

ado::Connection &MailboxCommands::connection() const
{
    if (!m_ctx.connection)
        vb::raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
    return *m_ctx.connection;
}

QString MailboxCommands::MoveQuestion(int count, const QString &source, const QString &target)
{
    return QStringLiteral("Are you sure you want to move these ") + QString::number(count) + QLatin1Char(' ')
        + source + QStringLiteral(" Item(s) to the ") + target + kCrLf;
}

QString MailboxCommands::RecycleQuestion(int count)
{
    return QStringLiteral("Are you sure you want to send these ") + QString::number(count)
        + QStringLiteral(" Item(s) to the Recycled folder ") + kCrLf;
}

QString MailboxCommands::DeleteQuestion(int count)
{
    return QStringLiteral("You are about to delete ") + QString::number(count) + QStringLiteral(" Item(s).")
        + kCrLf + QStringLiteral("Are you sure you want to delete these Item(s)?");
}

// ---- progress display

void MailboxCommands::setProgressMax(int max)
{
    if (m_ctx.pgbProgressBar)
        m_ctx.pgbProgressBar->setMax(max);
}

void MailboxCommands::showProgress(int handled, int total)
{
    const double percent = static_cast<double>(handled) / total * 100;
    if (m_ctx.sbrStatusBar && m_ctx.sbrStatusBar->panelCount() >= core::statusPanel::Percent)
        m_ctx.sbrStatusBar->setPanelText(core::statusPanel::Percent, vb::Format(vb::Variant(percent), QStringLiteral("###0"))
                                                + QStringLiteral("% Complete"));
    if (m_ctx.pgbProgressBar)
        m_ctx.pgbProgressBar->setValue(handled);
    vb::DoEventsIfDue();
}

void MailboxCommands::clearProgress()
{
    // Also on the error path: a failure here must not replace the error being reported.
    try {
        if (m_ctx.pgbProgressBar)
            m_ctx.pgbProgressBar->setValue(0);
        if (m_ctx.sbrStatusBar && m_ctx.sbrStatusBar->panelCount() >= core::statusPanel::Percent)
            m_ctx.sbrStatusBar->setPanelText(core::statusPanel::Percent, QString());
    } catch (const std::exception &) {
        core::recordCaught(lcMailbox(), "mailbox command: the progress was not cleared");
    }
}

void MailboxCommands::refresh(controls::ListView &list)
{
    if (m_ctx.RefreshBox)
        m_ctx.RefreshBox(&list);
}

// ---- move, recycle, delete

void MailboxCommands::MoveItems(controls::ListView &source, controls::ListView &target)
{
    transfer(source, target, Transfer::Move);
}

void MailboxCommands::RecycleItems(controls::ListView &list, controls::ListView &recycled)
{
    transfer(list, recycled, Transfer::Recycle);
}

void MailboxCommands::transfer(controls::ListView &source, controls::ListView &target, Transfer kind)
{
    // Held from the question on: nothing else starts, and the program does
    // not exit, while the rows are moved.
    const auto busy = takeBusyScope(kind == Transfer::Move ? QStringLiteral("Move") : QStringLiteral("Recycle"));
    if (!busy)
        return;
    const int selected = source.selectedCount();
    const QString question = kind == Transfer::Move ? MoveQuestion(selected, source.tag(), target.tag())
                                                    : RecycleQuestion(selected);
    // Recycling is destructive: a quick Enter keeps the rows where they are.
    const int style = vb::vbYesNo | vb::vbQuestion | (kind == Transfer::Recycle ? vb::vbDefaultButton2 : 0);
    if (vb::MsgBox(question, style, modGlobal::AppTitle()) != vb::vbYes)
        return;
    // Confirmed with nothing selected: there is nothing to move, and nothing to record.
    if (selected == 0)
        return;

    // Declared before the walk: a failure closes the record sets first and
    // only then rolls back (a pending edit closed after the rollback would be
    // stored as a row of its own). A failed rollback is recorded, never
    // thrown over the error being reported.
    std::optional<ado::Transaction> tx;
    std::unique_ptr<LockStepWalk> walk;
    ado::Recordset rsTarget;
    try {
        ado::Connection &cn = connection();
        walk = std::make_unique<LockStepWalk>(source, cn);
        rsTarget.Open(QStringLiteral("SELECT * FROM ") + target.tag(), cn, ado::adOpenKeyset, ado::adLockOptimistic);
        setProgressMax(selected);

        // Copy and delete of every row in one transaction: a failure anywhere
        // leaves every row in its table, never in both or in neither.
        tx.emplace(cn);
        int handled = 0;
        const QStringList &columns = MailboxColumns();
        const auto outcome = walk->run(LockStepWalk::Rows::Selected, [&](int, ado::Recordset &rs) {
            rsTarget.AddNew();
            for (const QString &column : columns)
                rsTarget.Fields(column) = rs.Fields(column).Value();
            rsTarget.Update();
            rs.Delete();
            ++handled;
            showProgress(handled, selected);
        });
        if (outcome == LockStepWalk::Outcome::Stale) {
            walk->close();
            rsTarget.Close();
            tx.reset();
            clearProgress();
            ReportStaleList(source, kind == Transfer::Move ? QStringLiteral("Move") : QStringLiteral("Recycle"),
                            m_ctx.RefreshBox);
            return;
        }
        tx->commit();
        walk->close();
        rsTarget.Close();

        if (kind == Transfer::Move) {
            modGlobal::LogHistory(QStringLiteral("Info"), QString::number(selected) + QLatin1Char(' ') + source.tag()
                                                              + QStringLiteral(" Item(s) moved to the ") + target.tag());
            refresh(source);
            refresh(target);
        } else {
            modGlobal::LogHistory(QStringLiteral("Info"), QString::number(selected) + QLatin1Char(' ') + source.tag()
                                                              + QStringLiteral(" Item(s) Recycled"));
            refresh(target);
            refresh(source);
        }
        clearProgress();
    } catch (const std::exception &e) {
        if (walk)
            closeQuietly(walk->recordset());
        closeQuietly(rsTarget);
        tx.reset();
        clearProgress();
        modGlobal::ReportError(e);
    }
}

void MailboxCommands::DeleteItems(controls::ListView &list)
{
    if (!list.selectedItem())
        return;
    const auto busy = takeBusyScope(QStringLiteral("Delete"));
    if (!busy)
        return;
    const int selected = list.selectedCount();
    if (vb::MsgBox(DeleteQuestion(selected), vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2, modGlobal::AppTitle())
        != vb::vbYes)
        return;
    if (selected == 0)
        return;

    // Declared before the walk: a failure closes the record sets first and
    // only then rolls back (a pending edit closed after the rollback would be
    // stored as a row of its own). A failed rollback is recorded, never
    // thrown over the error being reported.
    std::optional<ado::Transaction> tx;
    std::unique_ptr<LockStepWalk> walk;
    try {
        ado::Connection &cn = connection();
        walk = std::make_unique<LockStepWalk>(list, cn);
        setProgressMax(selected);
        tx.emplace(cn);
        int handled = 0;
        const auto outcome = walk->run(LockStepWalk::Rows::Selected, [&](int, ado::Recordset &rs) {
            rs.Delete();
            ++handled;
            showProgress(handled, selected);
        });
        if (outcome == LockStepWalk::Outcome::Stale) {
            walk->close();
            tx.reset();
            clearProgress();
            ReportStaleList(list, QStringLiteral("Delete"), m_ctx.RefreshBox);
            return;
        }
        tx->commit();
        walk->close();
        refresh(list);
        modGlobal::LogHistory(QStringLiteral("Info"), QString::number(selected) + QStringLiteral(" Item(s) deleted "));
        clearProgress();
    } catch (const std::exception &e) {
        if (walk)
            closeQuietly(walk->recordset());
        tx.reset();
        clearProgress();
        modGlobal::ReportError(e);
    }
}

void MailboxCommands::SetStatus(controls::ListView &list, const QString &status)
{
    std::unique_ptr<LockStepWalk> walk;
    try {
        walk = std::make_unique<LockStepWalk>(list, connection());
        // Each change is stored when the walk moves on (or the set closes).
        const auto outcome = walk->run(LockStepWalk::Rows::Selected, [&](int, ado::Recordset &rs) {
            rs.Fields(QStringLiteral("Status")) = status;
        });
        walk->close();
        if (outcome == LockStepWalk::Outcome::Stale) {
            ReportStaleList(list, QStringLiteral("Mark as Closed"), m_ctx.RefreshBox);
            return;
        }
        refresh(list);
    } catch (const std::exception &e) {
        if (walk)
            closeQuietly(walk->recordset());
        modGlobal::ReportError(e);
    }
}

// ---- sorting

void MailboxCommands::SortAscending(controls::ListView &list)
{
    if (list.sortOrder() != 0) {
        list.setSortOrder(0);
        refresh(list);
    }
}

void MailboxCommands::SortDescending(controls::ListView &list)
{
    if (list.sortOrder() != 1) {
        list.setSortOrder(1);
        refresh(list);
    }
}

void MailboxCommands::SortByColumn(controls::ListView &list, int16_t index)
{
    if (list.sortKey() != index) {
        list.setSortKey(index);
        refresh(list);
    }
}

// ---- selection helpers

void MailboxCommands::SelectAllItems(controls::ListView &list)
{
    if (!list.selectedItem())
        return;
    for (int i = 1; i <= list.itemCount(); ++i)
        list.setItemSelected(i, true);
}

QString MailboxCommands::IsSelectionUnique(controls::ListView &list)
{
    if (!list.selectedItem())
        return {};
    std::unique_ptr<LockStepWalk> walk;
    try {
        walk = std::make_unique<LockStepWalk>(list, connection());
        QString partner, transaction, version, direction;
        bool held = false;
        bool unique = true;
        const auto outcome = walk->run(LockStepWalk::Rows::Selected, [&](int, ado::Recordset &rs) {
            if (!unique)
                return;
            const QString p = fieldText(rs, QStringLiteral("Partner"));
            const QString t = fieldText(rs, QStringLiteral("Transaction"));
            const QString v = fieldText(rs, QStringLiteral("Version"));
            const QString d = fieldText(rs, QStringLiteral("Direction"));
            // Every later row is compared with the first, whatever the first holds.
            if (held && (p != partner || t != transaction || v != version || d != direction)) {
                unique = false;
                return;
            }
            partner = p;
            transaction = t;
            version = v;
            direction = d;
            held = true;
        });
        walk->close();
        if (outcome == LockStepWalk::Outcome::Stale) {
            ReportStaleList(list, QStringLiteral("Selection check"), m_ctx.RefreshBox);
            return {};
        }
        if (!unique) {
            vb::MsgBox(QStringLiteral("Unique selection is required!") + kCrLf + kCrLf
                           + QStringLiteral("Partner + Transaction + Version") + kCrLf + partner + QLatin1Char('_')
                           + transaction + QLatin1Char('_') + version,
                       vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
            return {};
        }
        return partner + QLatin1Char(',') + transaction + QLatin1Char(',') + version + QLatin1Char(',') + direction;
    } catch (const std::exception &e) {
        if (walk)
            closeQuietly(walk->recordset());
        modGlobal::ReportError(e);
        return {};
    }
}

bool MailboxCommands::MakeUniqueSelection(controls::ListView &list, const QString &strPartner,
                                          const QString &strTransaction, const QString &strVersion,
                                          const QString &strDirection)
{
    const auto equals = [](ado::Recordset &rs, const QString &name, const QString &wanted) {
        const vb::Variant value = rs.Fields(name).Value();
        return !value.isNull() && value.toString() == wanted;
    };
    try {
        // A list refilled after it went stale is walked once more; integration
        // jobs call this unattended and cannot choose again themselves.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (list.itemCount() == 0)
                return false;
            LockStepWalk walk(list, connection());
            bool found = false;
            const auto outcome = walk.run(LockStepWalk::Rows::All, [&](int position, ado::Recordset &rs) {
                const bool match = equals(rs, QStringLiteral("Partner"), strPartner)
                    && equals(rs, QStringLiteral("Transaction"), strTransaction)
                    && equals(rs, QStringLiteral("Version"), strVersion)
                    && equals(rs, QStringLiteral("Direction"), strDirection);
                list.setItemSelected(position, match);
                found = found || match;
            });
            walk.close();
            if (outcome == LockStepWalk::Outcome::Done)
                return found;
            ReportStaleList(list, QStringLiteral("Selection"), m_ctx.RefreshBox, true);
        }
        return false;
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
        return false;
    }
}

} // namespace mainwindow
