// The main window's commands into the settings and auxiliary dialogs: each
// dialog is modal, built afresh at every opening and given what it needs of
// this window through settings::MainWindowAccess.
#include "mainwindow/frmMain.h"

#include "controls/ListView.h"
#include "controls/TreeView.h"
#include "core/modGlobal.h"
#include "settings/AboutInfo.h"
#include "settings/frmAbout.h"
#include "settings/frmColumns.h"
#include "settings/frmOptions.h"
#include "settings/frmProperties.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"

#include <QDesktopServices>
#include <QUrl>

namespace mainwindow {

namespace {

// The dialogs are modal without an owner window, as the main window's other
// modal commands.
template <class Dialog>
void runModal(Dialog &dialog)
{
    dialog.exec();
}

} // namespace

settings::MainWindowAccess frmMain::settingsAccess()
{
    settings::MainWindowAccess access;
    auto listOf = [this](const QString &table) -> controls::ListView * {
        for (controls::ListView *list : lists())
            if (list->tag() == table)
                return list;
        return nullptr;
    };
    access.itemCount = [listOf](const QString &table) {
        controls::ListView *list = listOf(table);
        return list ? list->itemCount() : 0;
    };
    access.refreshBox = [this, listOf](const QString &table) {
        if (controls::ListView *list = listOf(table))
            RefreshBox(list);
    };
    access.createColumns = [this, listOf](const QString &table) {
        if (controls::ListView *list = listOf(table))
            CreateColumns(list);
    };
    access.selectedFolderKey = [this] {
        const int node = tvwFolderList ? tvwFolderList->selectedNode() : 0;
        return node ? tvwFolderList->nodeKey(node) : QString();
    };
    access.selectedRowid = [listOf](const QString &table) -> qint64 {
        controls::ListView *list = listOf(table);
        const controls::ListItem *item = list ? list->selectedItem() : nullptr;
        return item ? item->rowid() : 0;
    };
    access.icons = lvwIcons.get();
    return access;
}

void frmMain::installSettingsCommands()
{
    setMenuHandler(QStringLiteral("mnuOptions"), [this] {
        modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [Setup] - [Options]"));
        settings::frmOptions dialog(settingsAccess());
        runModal(dialog);
    });
    setMenuHandler(QStringLiteral("mnuColumns"), [this] {
        modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [View] - [Columns]"));
        settings::frmColumns dialog(settingsAccess());
        runModal(dialog);
    });
    setMenuHandler(QStringLiteral("mnuProperties"), [this] {
        modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [File] - [Properties]"));
        settings::frmProperties dialog(settingsAccess());
        runModal(dialog);
    });
    setMenuHandler(QStringLiteral("mnuAbout"), [] {
        settings::frmAbout dialog;
        runModal(dialog);
    });
}

void frmMain::mnuHelpContents_Click()
{
    const std::optional<QString> problem = settings::openHelpContents(
        vb::AppInfo::path(), [](const QString &file) { return QDesktopServices::openUrl(QUrl::fromLocalFile(file)); });
    if (problem)
        vb::MsgBox(*problem, vb::vbOKOnly | vb::vbExclamation);
}

} // namespace mainwindow
