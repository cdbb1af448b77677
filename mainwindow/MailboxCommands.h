#pragma once
// The commands of the main window that act on the rows selected in a mailbox
// list: move between Outbox and Sent, recycle, delete from Recycled, set the
// status; the sort commands; and the selection helpers IsSelectionUnique,
// MakeUniqueSelection and Select All. They take the lists and a small context
// (connection, progress display, list refill), so tests drive them without
// the window.
//
// Every command that reads or changes the rows behind a selection walks the
// list's query in step with the list (LockStepWalk); a list that went stale
// stops the command before it touches a row the user did not select.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace controls {
class ListView;
class ProgressBar;
class StatusBar;
}
namespace ado {
class Connection;
}
namespace core {
class BusyScope;
}

namespace mainwindow {

// What the commands need of the window around them.
struct MailboxContext {
    // Held by the commands for their whole run (their busy scope keeps it).
    std::shared_ptr<ado::Connection> connection;
    controls::ProgressBar *pgbProgressBar = nullptr; // may be null: no bar
    controls::StatusBar *sbrStatusBar = nullptr;     // panel 3 shows the percentage; may be null
    std::function<void(controls::ListView *)> RefreshBox;
};

// The 17 columns of a mailbox row in the order a move copies them.
const QStringList &MailboxColumns();

class MailboxCommands {
public:
    explicit MailboxCommands(MailboxContext context);

    // Moves the selected rows of the source list's table into the target
    // list's table after a question. Copy and delete run in one database
    // transaction: any failure leaves every row where it was.
    void MoveItems(controls::ListView &source, controls::ListView &target);
    // Moves the selected rows of the Inbox, Outbox or Sent list into Recycled.
    void RecycleItems(controls::ListView &list, controls::ListView &recycled);
    // Deletes the selected rows of the Recycled list after a question, in one
    // transaction.
    void DeleteItems(controls::ListView &list);
    // Writes the status text into Status of every selected row.
    void SetStatus(controls::ListView &list, const QString &status);

    // Sort commands: change the list's sort state and refill it, or do nothing
    // when the state is already so.
    void SortAscending(controls::ListView &list);
    void SortDescending(controls::ListView &list);
    void SortByColumn(controls::ListView &list, int16_t index);

    // Selects every row when the list has a current item.
    static void SelectAllItems(controls::ListView &list);

    // Partner, transaction set, version and direction of the selected rows
    // joined by ",", or empty text (no current item; rows of different keys,
    // after a warning box; an error; a stale list).
    QString IsSelectionUnique(controls::ListView &list);
    // Selects exactly the rows of one key; true when at least one matched.
    // Shows no box for an empty table or a stale list (unattended callers).
    bool MakeUniqueSelection(controls::ListView &list, const QString &strPartner,
                             const QString &strTransaction, const QString &strVersion,
                             const QString &strDirection);

    // The question texts, for tests and callers that show them.
    static QString MoveQuestion(int count, const QString &source, const QString &target);
    static QString RecycleQuestion(int count);
    static QString DeleteQuestion(int count);

private:
    enum class Transfer { Move, Recycle };
    void transfer(controls::ListView &source, controls::ListView &target, Transfer kind);
    void setProgressMax(int max);
    void showProgress(int handled, int total);
    void clearProgress();
    void refresh(controls::ListView &list);
    ado::Connection &connection() const;
    // Takes the busy scope for a command, or refuses it (box, History); null when refused.
    std::unique_ptr<core::BusyScope> takeBusyScope(const QString &command);

    MailboxContext m_ctx;
};

} // namespace mainwindow
