#pragma once
// What the shared module tells the main window, as plain callbacks. The main
// window owns its widgets: it fills the link when it loads (writing the texts
// into its status bar, History list and folder tree) and clears it when it
// unloads; tests fill it with recorders. The shared routines never reach the
// window in any other way, so the core runs without widgets (tools, tests, a
// load before the window): a callback left empty is simply not called.

#include <QString>

#include <cstdint>
#include <functional>

namespace modGlobal {

// One History entry as it was stored: the window shows it as the last item of
// its History list.
struct HistoryEntry {
    int64_t rowid = 0;   // the row's rowid (the item names its row)
    QString type;        // Type, as given ("Info", "Warning", "Error" or another text)
    QString index;       // the Index the database gave the row
    QString shownDate;   // "m/d/yyyy" (the stored Date is "mm/d/yyyy")
    QString time;        // "hh:mm:ss AMPM", as stored
    QString user;
    QString description;
};

struct MainWindowLink {
    // Status-bar panel core::statusPanel::Text: errors and History texts.
    std::function<void(const QString &text)> setStatusText;
    // A History entry was stored (never called for one that was not).
    std::function<void(const HistoryEntry &entry)> historyStored;
    // frmMain.RefreshBox: refills the list of one table ("Inbox", "Outbox",
    // "Sent", "Recycled", "History", "Exchange") from the database.
    std::function<void(const QString &table)> RefreshBox;
};

// The one link of the program (empty until the main window fills it).
MainWindowLink &mainWindowLink();

} // namespace modGlobal
