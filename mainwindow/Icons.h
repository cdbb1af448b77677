#pragma once
// The program's own images, painted at start-up: the twelve list images
// (sort arrows, Status, log Type and Acknowledged marks), the eight folder
// images, the eight toolbar images and the window icon.

#include <QIcon>
#include <QPixmap>
#include <memory>

namespace controls {
class ImageList;
}

namespace mainwindow {

// lvwIcons: positions 1 and 2 the ascending and descending arrows (no key),
// then "Closed", "Opened", "Validated", "Exported", "Info", "Warning",
// "Error", "Yes", "Void", "No"; 16 by 16.
std::unique_ptr<controls::ImageList> makeListIcons();
// tvwIcons: "X", "Root", "Inbox", "Outbox", "Sent", "Recycled", "History", "Exchange".
std::unique_ptr<controls::ImageList> makeFolderIcons();
// The folder bar's picture of tvwIcons image `position` (1..8), 32 by 32.
QPixmap folderPicture(int position);
// The product's picture at any size (the splash shows it large).
QPixmap productPicture(int size);
// tbrIcons: "IMG1" to "IMG8".
std::unique_ptr<controls::ImageList> makeToolbarIcons();
// The window icon, 16 and 32 pixels.
QIcon windowIcon();

} // namespace mainwindow
