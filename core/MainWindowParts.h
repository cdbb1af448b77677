#pragma once
// The parts of the main window that the core's callbacks and the window name
// alike: the panels of its status bar and the nodes of its folder tree. The
// window builds them in this order; everything else refers to them by these
// names.

namespace core {

// Status-bar panels, numbered from 1 as the status bar counts them.
namespace statusPanel {
inline constexpr int Text = 1;     // errors, History texts, a folder's item count
inline constexpr int Progress = 2; // the progress bar lies over it
inline constexpr int Percent = 3;  // the "% Complete" of running work
inline constexpr int Count = 3;
} // namespace statusPanel

// Folder-tree nodes by position, from 1 in the order they are added.
namespace folderNode {
inline constexpr int Top = 1;
inline constexpr int Folders = 2;
inline constexpr int Inbox = 3;
inline constexpr int Outbox = 4;
inline constexpr int Sent = 5;
inline constexpr int Recycled = 6;
inline constexpr int History = 7;
inline constexpr int Exchange = 8;
inline constexpr int Count = 8;
} // namespace folderNode

// Folder-tree node keys. The key of a list's node is also the list's table
// and its Tag.
namespace folderKey {
inline constexpr char Top[] = "Top";
inline constexpr char Folders[] = "Root";
inline constexpr char Inbox[] = "Inbox";
inline constexpr char Outbox[] = "Outbox";
inline constexpr char Sent[] = "Sent";
inline constexpr char Recycled[] = "Recycled";
inline constexpr char History[] = "History";
inline constexpr char Exchange[] = "Exchange";
} // namespace folderKey

} // namespace core
