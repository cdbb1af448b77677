#pragma once
// What the dialogs of this folder need of the main window. The main window
// fills it when it opens one of them; tests fill it with their own stand-ins.
// A member left empty is simply not used.

#include <QString>
#include <functional>

namespace controls {
class ImageList;
}

namespace settings {

struct MainWindowAccess {
    // Rows the History or Exchange list shows (by table name).
    std::function<int(const QString &table)> itemCount;
    // frmMain.RefreshBox and frmMain.CreateColumns of a list, by table name.
    std::function<void(const QString &table)> refreshBox;
    std::function<void(const QString &table)> createColumns;
    // The key of the folder tree's selected node ("" when none).
    std::function<QString()> selectedFolderKey;
    // The rowid of the selected item of a mailbox list (0 when none).
    std::function<qint64(const QString &table)> selectedRowid;
    // The main window's pictures, by key.
    const controls::ImageList *icons = nullptr;
};

} // namespace settings
