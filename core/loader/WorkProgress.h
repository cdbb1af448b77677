#pragma once
// What the long mailbox operations (loading, validating, acknowledging) show
// while they work. The main window implements it over its status bar,
// progress bar, notice box, preview and lists; tests and benchmarks pass
// their own or none at all. Every member has a do-nothing default, so an
// implementation overrides only what it shows.

#include <QList>
#include <QString>

namespace core {

class WorkProgress {
public:
    virtual ~WorkProgress() = default;

    virtual void setStatusText(const QString &) {}   // status-bar panel core::statusPanel::Text
    virtual void setPercentText(const QString &) {}  // status-bar panel core::statusPanel::Percent
    virtual void setProgressMax(int) {}              // pgbProgressBar.Max
    virtual void setProgressValue(int) {}            // pgbProgressBar.Value
    // Lets pending window messages run (timers, other windows). Called from
    // hot loops: an implementation should yield only when enough time passed.
    virtual void yield() {}
    virtual void hideNotice() {}                     // txtMessage, when shown
    // Refills the list that shows `table` ("Inbox", "Outbox", "Sent", "Recycled").
    virtual void refreshList([[maybe_unused]] const QString &table) {}
    // The preview rtfTSet: its whole text, and the selection of a found segment.
    virtual void showPreview(const QString &) {}
    virtual void selectInPreview([[maybe_unused]] int start, [[maybe_unused]] int length) {}
};

// The selected rows of a mailbox list: the statement that filled the list
// (modGlobal::BuildSortedSelect) and the rowids of its selected items, in
// list order. The commands open the statement again and act on the records
// whose rowid is selected, in the statement's order, so a row changed or
// added meanwhile can never be mistaken for a selected one. A command that
// must act only on what the user saw (a translation) also gets the rowid of
// every item in list order, and refuses when the statement no longer gives
// those rows in that order.
struct MailboxSelection {
    QString table;      // the list's Tag: "Inbox", "Outbox", "Sent" or "Recycled"
    QString statement;
    QList<qint64> rowids;
    bool hasCurrentItem = true;  // the list's SelectedItem is set
    QList<qint64> order = {};    // every item's rowid, in list order
};

} // namespace core
