#pragma once
// The main window's side of the shared module's callbacks: status texts go to
// panel 1, a stored History entry becomes the last item of the History list
// and the History node shows the list's count, and RefreshBox by table name
// reaches the list of that table. frmMain and the window tests build the link
// from their controls with one function.

#include "core/MainWindowLink.h"

#include <functional>
#include <vector>

namespace controls {
class ListView;
class StatusBar;
class TreeView;
}

namespace mainwindow {

struct MainWindowControls {
    controls::StatusBar *sbrStatusBar = nullptr;
    controls::TreeView *tvwFolderList = nullptr; // its node core::folderNode::History shows the count
    controls::ListView *lvwHistory = nullptr;
    // The lists RefreshBox can reach, found by their Tag (the table).
    std::vector<controls::ListView *> lists;
    std::function<void(controls::ListView *)> RefreshBox;
};

// A link writing into the given controls; a null control is not written.
modGlobal::MainWindowLink makeMainWindowLink(const MainWindowControls &controls);

// Adds a stored History entry to the History list (image by type: "Info" and
// "Warning" show their own, any other type "Error") and updates the node count.
void showHistoryEntry(controls::ListView &lvwHistory, controls::TreeView *tvwFolderList,
                      const modGlobal::HistoryEntry &entry);

} // namespace mainwindow
