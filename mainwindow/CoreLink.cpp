#include "mainwindow/CoreLink.h"

#include "controls/ListView.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"

namespace mainwindow {

namespace {

// The History node is the seventh node of the folder tree.
constexpr int kHistoryNode = 7;

} // namespace

void showHistoryEntry(controls::ListView &lvwHistory, controls::TreeView *tvwFolderList,
                      const modGlobal::HistoryEntry &entry)
{
    const QString image = entry.type == QLatin1String("Info") || entry.type == QLatin1String("Warning")
        ? entry.type
        : QStringLiteral("Error");
    controls::ListItem *item = lvwHistory.addItem(entry.type, image);
    // The item names its row like every filled item, so a walk over the
    // History list can check it.
    item->setRowid(entry.rowid);
    item->setSubItem(1, entry.index);
    item->setSubItem(2, entry.shownDate);
    item->setSubItem(3, entry.time);
    item->setSubItem(4, entry.user);
    item->setSubItem(5, entry.description);
    if (tvwFolderList)
        tvwFolderList->setNodeText(kHistoryNode,
                                   QStringLiteral("History (") + QString::number(lvwHistory.itemCount()) + QStringLiteral(")"));
}

modGlobal::MainWindowLink makeMainWindowLink(const MainWindowControls &c)
{
    modGlobal::MainWindowLink link;
    if (c.sbrStatusBar) {
        controls::StatusBar *bar = c.sbrStatusBar;
        link.setStatusText = [bar](const QString &text) { bar->setPanelText(1, text); };
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
