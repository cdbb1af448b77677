#pragma once
// The few controls of the main window that the shared module writes into.
// frmMain fills the link when it loads and clears it when it unloads; tests
// fill it with free-standing controls. The shared routines never reach the
// window in any other way, so the core needs no window to run: a control
// left null is simply not updated.

#include <functional>

namespace controls {
class ListView;
class TreeView;
class StatusBar;
}

namespace modGlobal {

struct MainWindowLink {
    controls::StatusBar *sbrStatusBar = nullptr; // panel 1 carries errors and History texts
    controls::TreeView *tvwFolderList = nullptr; // node 7 is the History node

    controls::ListView *lvwInbox = nullptr;
    controls::ListView *lvwOutbox = nullptr;
    controls::ListView *lvwSent = nullptr;
    controls::ListView *lvwRecycled = nullptr;
    controls::ListView *lvwHistory = nullptr;
    controls::ListView *lvwExchange = nullptr;

    // frmMain.RefreshBox: refills one mailbox list from its table.
    std::function<void(controls::ListView *)> RefreshBox;
};

// The one link of the program (empty until the main window fills it).
MainWindowLink &mainWindowLink();

} // namespace modGlobal
