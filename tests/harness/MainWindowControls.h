#pragma once
// The main window's controls as the shared routines see them, built without
// the window: plain images for every status, acknowledgement and log type,
// the status bar, the eight-node folder tree and the History list.

#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"

#include <QIcon>
#include <QPixmap>
#include <memory>

namespace corvantis::test {

inline void addStateImages(controls::ImageList &images)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::gray);
    for (const char *key : {"Info", "Warning", "Error", "Closed", "Validated", "Opened", "Exported",
                            "Yes", "No", "Void"})
        images.add(QString::fromLatin1(key), QIcon(pixmap));
}

inline std::unique_ptr<controls::StatusBar> makeStatusBar(int panels)
{
    auto bar = std::make_unique<controls::StatusBar>();
    for (int i = 0; i < panels; ++i)
        bar->addPanel(1500, i == 0);
    return bar;
}

// History is node 7, as in the main window.
inline std::unique_ptr<controls::TreeView> makeFolderTree()
{
    auto tree = std::make_unique<controls::TreeView>();
    tree->addNode({}, QStringLiteral("Top"), QStringLiteral("Top"));
    tree->addNode(QStringLiteral("Top"), QStringLiteral("Root"), QStringLiteral("Folders"));
    for (const char *key : {"Inbox", "Outbox", "Sent", "Recycled", "History", "Exchange"})
        tree->addNode(QStringLiteral("Root"), QString::fromLatin1(key), QString::fromLatin1(key));
    return tree;
}

inline std::unique_ptr<controls::ListView> makeHistoryList(controls::ImageList &images)
{
    auto list = std::make_unique<controls::ListView>();
    list->setTag(QStringLiteral("History"));
    list->setImageList(&images);
    for (const char *key : {"Type", "Index", "Date", "Time", "User", "Description"})
        list->addColumnHeader(QString::fromLatin1(key), QString::fromLatin1(key), 1200);
    return list;
}

} // namespace corvantis::test
