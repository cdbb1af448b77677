#pragma once
// The layouts kept in the settings store: the columns of the mailbox lists
// (section `Columns`), the widths and sort state of each list (a section
// named after the list's Tag) and the main window's placement (section
// `Main`). A stored value that cannot be read falls back to its default.

#include "mainwindow/LayoutMath.h"

#include <QString>

namespace controls {
class ListView;
}

namespace mainwindow {

// Rebuilds a mailbox list's columns from the `Columns` switches with their
// stored widths (default W / 12, 270 for Acknowledged); the sort column
// returns to the first. A switch that is not a truth value raises 13 after
// the columns were removed.
void createMailboxColumns(controls::ListView &list, double captionWidth);

// The six fixed columns of a log list at their creation widths.
void createLogColumns(controls::ListView &list);

// "save" or "load" (any letter case) the column widths, SortKey and
// SortOrder of a list; other operations do nothing. Loaded widths default to
// W / n, the Description of a log list to kLogDescriptionWidth; a SortKey outside the columns or a SortOrder other than 0 and 1
// falls back to 0.
void listViewLayout(const QString &operation, controls::ListView &list, double captionWidth);

struct MainLayoutValues {
    int state = 0; // 0 normal, 2 maximized
    long top = 0, left = 0, height = 0, width = 0;
    bool folderBar = true, statusBar = true;
    bool topNode = true, treeNode = true;
    long vSplit = 0, hSplit = 0;
    bool operator==(const MainLayoutValues &) const = default;
};

// Section `Main` with the defaults of the screen. A State other than 0, 1 or
// 2, a splitter position below its drag limit (1000, 2400) and a size below
// the window minimum count as unreadable.
MainLayoutValues readMainLayout(const MainDefaults &defaults);
// Writes section `Main`; the placement only when the window is not maximized.
void saveMainLayout(const MainLayoutValues &values);

} // namespace mainwindow
