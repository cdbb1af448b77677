#include "mainwindow/CoreLink.h"
#include "core/MainWindowParts.h"

#include "controls/ListView.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"

namespace mainwindow {

void showHistoryEntry(controls::ListView &lvwHistory, controls::TreeView *tvwFolderList,
                      const modGlobal::HistoryEntry &entry)
{
    const QString image = entry.type == QLatin1String("Info") || entry.type == QLatin1String("Warning")
        ? entry.type
        : QStringLiteral("Error");
    // The row goes where the list's statement would put it, so the list stays
    // in the order its header shows: ties keep the order rows were stored in.
    const int key = lvwHistory.sortKey();
    const bool descending = lvwHistory.sortOrder() != 0;
    const QString values[] = {entry.type, entry.index, entry.shownDate, entry.time, entry.user, entry.description};
    const QString value = key >= 0 && key < 6 ? values[key] : QString();
    auto compare = [&](const controls::ListItem *row) {
        const QString other = key == 0 ? row->text() : row->subItem(key);
        if (key == 1)
            return other.toLongLong() < value.toLongLong() ? -1 : other.toLongLong() > value.toLongLong() ? 1 : 0;
        return QString::compare(other, value, Qt::CaseInsensitive);
    };
    int low = 1, high = lvwHistory.itemCount() + 1; // first row that must come after the new one
    while (low < high) {
        const int middle = (low + high) / 2;
        const int c = compare(lvwHistory.item(middle));
        const bool before = descending ? c >= 0 : c <= 0;
        if (before)
            low = middle + 1;
        else
            high = middle;
    }
    controls::ListItem *item = lvwHistory.insertItem(low, entry.type, image);
    // The item names its row like every filled item, so a walk over the
    // History list can check it.
    item->setRowid(entry.rowid);
    item->setSubItem(1, entry.index);
    item->setSubItem(2, entry.shownDate);
    item->setSubItem(3, entry.time);
    item->setSubItem(4, entry.user);
    item->setSubItem(5, entry.description);
    if (tvwFolderList)
        tvwFolderList->setNodeText(core::folderNode::History,
                                   QStringLiteral("History (") + QString::number(lvwHistory.itemCount()) + QStringLiteral(")"));
}

modGlobal::MainWindowLink makeMainWindowLink(const MainWindowControls &c)
{
    modGlobal::MainWindowLink link;
    if (c.sbrStatusBar) {
        controls::StatusBar *bar = c.sbrStatusBar;
        link.setStatusText = [bar](const QString &text) { bar->setPanelText(core::statusPanel::Text, text); };
    }
    if (c.lvwHistory) {
        controls::ListView *history = c.lvwHistory;
        controls::TreeView *tree = c.tvwFolderList;
        link.historyStored = [history, tree](const modGlobal::HistoryEntry &entry) {
            showHistoryEntry(*history, tree, entry);
        };
    }
    if (c.RefreshBox) {
        link.RefreshBox = [lists = c.lists, refresh = c.RefreshBox](const QString &table) {
            for (controls::ListView *list : lists) {
                if (list && list->tag().compare(table, Qt::CaseInsensitive) == 0) {
                    refresh(list);
                    return;
                }
            }
        };
    }
    return link;
}

} // namespace mainwindow
