#include "mainwindow/FolderTree.h"

#include "core/MainWindowParts.h"

namespace mainwindow {

const std::array<FolderNode, core::folderNode::Count> &folderNodes()
{
    // In the order of core::folderNode.
    static const std::array<FolderNode, core::folderNode::Count> nodes{{
        {core::folderKey::Top, "Corvantis", "", "X", "Corvantis - Local", "Corvantis", 1, NodeShows::Welcome},
        {core::folderKey::Folders, "Folders", core::folderKey::Top, "Root", "Corvantis - Folders", " Folders", 2, NodeShows::Welcome},
        {core::folderKey::Inbox, "Inbox", core::folderKey::Folders, "Inbox", "Corvantis - Inbox", " Inbox", 3, NodeShows::MailboxList},
        {core::folderKey::Outbox, "Outbox", core::folderKey::Folders, "Outbox", "Corvantis - Outbox", " Outbox", 4, NodeShows::MailboxList},
        {core::folderKey::Sent, "Sent", core::folderKey::Folders, "Sent", "Corvantis - Sent", " Sent", 5, NodeShows::MailboxList},
        {core::folderKey::Recycled, "Recycled", core::folderKey::Folders, "Recycled", "Corvantis - Recycled", " Recycled", 6, NodeShows::MailboxList},
        {core::folderKey::History, "History", core::folderKey::Top, "History", "Corvantis - History", " History", 7, NodeShows::LogList},
        {core::folderKey::Exchange, "Exchange", core::folderKey::Top, "Exchange", "Corvantis - Exchange", " Exchange", 8, NodeShows::LogList},
    }};
    return nodes;
}

const FolderNode *folderNode(const QString &key)
{
    for (const FolderNode &node : folderNodes())
        if (key == QLatin1String(node.key))
            return &node;
    return nullptr;
}

std::vector<CommandState> menuCommandStates(bool enable, bool inboxVisible)
{
    std::vector<CommandState> states;
    for (const char *always : {"mnuOpen", "mnuPrintSetup", "mnuExit", "mnuFolderBar", "mnuStatusBar",
                               "mnuIntegrator", "mnuPartners"})
        states.push_back({QString::fromLatin1(always), true});
    for (const char *follows : {"mnuPrint", "mnuProperties", "mnuSelectionFilter", "mnuSelectAll", "mnuColumns",
                                "mnuEditData", "mnuFind", "mnuDelete", "mnuMarkAsClosed", "mnuSortBy",
                                "mnuSortOrder", "mnuReportViewer", "mnuRefresh", "mnuValidate", "mnuDesigner"})
        states.push_back({QString::fromLatin1(follows), enable});
    for (const char *inboxOnly : {"mnuExport", "mnuGenerateAcknowledgement"})
        states.push_back({QString::fromLatin1(inboxOnly), enable && inboxVisible});
    return states;
}

const std::array<int, 5> &toolbarButtonsFollowingSelection()
{
    static const std::array<int, 5> buttons{6, 8, 10, 11, 13};
    return buttons;
}

} // namespace mainwindow
