#pragma once
// The folder tree of the main window and what a click on each node shows,
// and the commands that follow what is shown (EnableCommands).

#include "core/MainWindowParts.h"

#include <QString>
#include <array>
#include <vector>

namespace mainwindow {

enum class NodeShows { Welcome, MailboxList, LogList };

struct FolderNode {
    const char *key;
    const char *text;
    const char *parent;        // key of the parent, "" for the top node
    const char *imageKey;      // in tvwIcons
    const char *caption;       // window caption on click
    const char *folderBar;     // folder bar caption
    int picture;               // position in tvwIcons
    NodeShows shows;
};

// The nodes in the order they are added (positions core::folderNode).
const std::array<FolderNode, core::folderNode::Count> &folderNodes();
// The entry for a key, nullptr when none.
const FolderNode *folderNode(const QString &key);

// The Enabled state that EnableCommands gives one item.
struct CommandState {
    QString control; // menu item name (objectName)
    bool enabled;
    bool operator==(const CommandState &) const = default;
};
// Menu items touched by EnableCommands(enable) while inboxVisible tells
// whether lvwInbox is the visible list; items not listed keep their state.
std::vector<CommandState> menuCommandStates(bool enable, bool inboxVisible);
// Toolbar buttons (1-based index) that follow the argument: 6, 8, 10, 11, 13.
const std::array<int, 5> &toolbarButtonsFollowingSelection();

} // namespace mainwindow
