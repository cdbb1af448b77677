// The main window's mailbox commands: the menu, pop-up, toolbar and key
// handlers of Edit and View that act on the rows of the current list. Each
// handler records its History entry and hands the work to the plain command
// classes (MailboxCommands, TransactionSetEditor, FindInPreview,
// SelectionFilter).

#include "mainwindow/frmMain.h"

#include "mainwindow/FindInPreview.h"
#include "mainwindow/MailboxCommands.h"
#include "mainwindow/SelectionFilter.h"
#include "mainwindow/TransactionSetEditor.h"

#include "ado/Connection.h"
#include "controls/ListView.h"
#include "controls/TreeView.h"
#include "core/modGlobal.h"

#include <QAction>
#include <QTextEdit>

namespace mainwindow {

using controls::ListView;

namespace {

void logSelected(const char *text)
{
    modGlobal::LogHistory(QStringLiteral("Info"), QString::fromLatin1(text));
}

} // namespace

void frmMain::installMailboxCommands()
{
    setMenuHandler(QStringLiteral("mnuOutbox"), [this] { mnuOutbox_Click(); });
    setMenuHandler(QStringLiteral("mnuSent"), [this] { mnuSent_Click(); });
    setMenuHandler(QStringLiteral("mnuDelete"), [this] { mnuDelete_Click(); });
    setMenuHandler(QStringLiteral("mnuMarkAsClosed"), [this] { mnuMarkAsClosed_Click(); });
    setMenuHandler(QStringLiteral("mnuRefresh"), [this] { mnuRefresh_Click(); });
    setMenuHandler(QStringLiteral("mnuSortByColumn"), [this] { mnuSortByColumn_Click(static_cast<int16_t>(menuIndex())); });
    setMenuHandler(QStringLiteral("mnuAscending"), [this] { mnuAscending_Click(); });
    setMenuHandler(QStringLiteral("mnuDescending"), [this] { mnuDescending_Click(); });
    setMenuHandler(QStringLiteral("mnuEditData"), [this] { mnuEditData_Click(); });
    setMenuHandler(QStringLiteral("mnuFind"), [this] { mnuFind_Click(); });
    setMenuHandler(QStringLiteral("mnuSelectAll"), [this] { mnuSelectAll_Click(); });
    setMenuHandler(QStringLiteral("mnuSelectionFilter"), [this] { mnuSelectionFilter_Click(); });
}

MailboxContext frmMain::mailboxContext()
{
    MailboxContext context;
    context.connection = modGlobal::cnDatabase;
    context.pgbProgressBar = pgbProgressBar;
    context.sbrStatusBar = sbrStatusBar;
    context.RefreshBox = [this](ListView *list) { RefreshBox(list); };
    return context;
}

ListView *frmMain::currentList() const
{
    const int node = tvwFolderList->selectedNode();
    return node > 0 ? listForNode(tvwFolderList->nodeKey(node)) : nullptr;
}

ListView *frmMain::currentMailboxList() const
{
    ListView *list = currentList();
    return list && isMailboxList(list) ? list : nullptr;
}

TransactionSetEditor &frmMain::transactionSetEditor()
{
    if (!m_transactionSetEditor)
        m_transactionSetEditor = std::make_unique<TransactionSetEditor>(*rtfTSet, *menuItem(QStringLiteral("mnuEditData")),
                                                                        mailboxContext());
    return *m_transactionSetEditor;
}

// ---- Move To (pop-up), Delete, Mark as Closed

void frmMain::mnuOutbox_Click()
{
    MailboxCommands(mailboxContext()).MoveItems(*lvwSent, *lvwOutbox);
}

void frmMain::mnuSent_Click()
{
    MailboxCommands(mailboxContext()).MoveItems(*lvwOutbox, *lvwSent);
}

void frmMain::mnuDelete_Click()
{
    logSelected("Selected [Edit] - [Delete]");
    ListView *list = currentMailboxList();
    if (!list)
        return;
    MailboxCommands commands(mailboxContext());
    if (list == lvwRecycled)
        commands.DeleteItems(*list);
    else
        commands.RecycleItems(*list, *lvwRecycled);
}

void frmMain::mnuMarkAsClosed_Click()
{
    logSelected("Selected [Edit] - [Mark As Closed]");
    if (ListView *list = currentMailboxList())
        MailboxCommands(mailboxContext()).SetStatus(*list, QStringLiteral("Closed"));
}

// ---- View

void frmMain::mnuRefresh_Click()
{
    logSelected("Selected [View] - [Refresh]");
    if (ListView *list = currentList())
        RefreshBox(list);
}

void frmMain::mnuSortByColumn_Click(int16_t Index)
{
    logSelected("Selected [View] - [Sort By]");
    if (ListView *list = currentList())
        MailboxCommands(mailboxContext()).SortByColumn(*list, Index);
}

void frmMain::mnuAscending_Click()
{
    logSelected("Selected [View] - [Sort Order] - [Ascending]");
    if (ListView *list = currentList())
        MailboxCommands(mailboxContext()).SortAscending(*list);
}

void frmMain::mnuDescending_Click()
{
    logSelected("Selected [View] - [Sort Order] - [Descending]");
    if (ListView *list = currentList())
        MailboxCommands(mailboxContext()).SortDescending(*list);
}

// ---- Edit Data, Find, Select All, Selection Filter

void frmMain::mnuEditData_Click()
{
    logSelected("Selected [Edit] - [Edit Data]");
    transactionSetEditor().Toggle(currentMailboxList());
}

void frmMain::mnuFind_Click()
{
    logSelected("Selected [Edit] - [Find]");
    FindInPreview(*rtfTSet);
}

void frmMain::mnuSelectAll_Click()
{
    logSelected("Selected [Edit] - [Select All]");
    if (ListView *list = currentList())
        MailboxCommands::SelectAllItems(*list);
}

void frmMain::mnuSelectionFilter_Click()
{
    logSelected("Selected [Edit] - [Selection Filter]");
    if (ListView *list = currentMailboxList())
        mainwindow::SelectionFilter(*list);
}

// ---- Public selection helpers

QString frmMain::IsSelectionUnique(ListView *lvwBox)
{
    if (!lvwBox)
        return {};
    return MailboxCommands(mailboxContext()).IsSelectionUnique(*lvwBox);
}

bool frmMain::MakeUniqueSelection(ListView *lvwBox, const QString &strPartner, const QString &strTransaction,
                                  const QString &strVersion, const QString &strDirection)
{
    if (!lvwBox)
        return false;
    return MailboxCommands(mailboxContext()).MakeUniqueSelection(*lvwBox, strPartner, strTransaction, strVersion,
                                                                 strDirection);
}

void frmMain::SelectionFilter(ListView *lvwBox)
{
    if (lvwBox)
        mainwindow::SelectionFilter(*lvwBox);
}

} // namespace mainwindow
