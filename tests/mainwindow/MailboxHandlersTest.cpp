// The main window's handlers of the mailbox commands: each records its
// History entry and acts on the list of the selected folder; the toolbar,
// the pop-up menu and the Delete key reach the same handlers.

#include "MainWindowFixture.h"

#include "ado/Recordset.h"
#include "vb/Dialogs.h"

#include <QMenu>
#include <QTextEdit>

using corvantis::test::dialogs;

namespace mainwindow::test {
namespace {

class MailboxHandlersTest : public MainWindowTest {
protected:
    QStringList history()
    {
        QStringList result;
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM History ORDER BY [Index]"), db.connection(), ado::adOpenForwardOnly,
                ado::adLockReadOnly);
        while (!rs.Eof()) {
            result << rs.Fields(QStringLiteral("Description")).Value().toString();
            rs.MoveNext();
        }
        return result;
    }
    long count(const QString &table)
    {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM ") + table, db.connection(), ado::adOpenKeyset, ado::adLockReadOnly);
        return rs.RecordCount();
    }
    QStringList statuses(const QString &table)
    {
        QStringList result;
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY InterchangeControlNumber"),
                db.connection(), ado::adOpenForwardOnly, ado::adLockReadOnly);
        while (!rs.Eof()) {
            result << rs.Fields(QStringLiteral("Status")).Value().toString();
            rs.MoveNext();
        }
        return result;
    }
    void click(frmMain &main, const char *node)
    {
        const int index = main.tvwFolderList->nodeIndex(QString::fromLatin1(node));
        main.tvwFolderList->setSelectedNode(index);
        main.tvwFolderList_NodeClick(index);
    }
    void trigger(frmMain &main, const char *control) { main.menuItem(QString::fromLatin1(control))->trigger(); }
};

TEST_F(MailboxHandlersTest, MoveToItemsMoveBetweenSentAndOutboxWithoutAnEntryOfTheirOwn)
{
    for (int i = 1; i <= 3; ++i)
        insert(QStringLiteral("Sent"), MailboxRow{}, i);
    frmMain &main = load();
    click(main, "Sent");
    main.lvwSent->setItemSelected(2, true);
    const int before = history().size();

    dialogs().answer(vb::vbYes);
    trigger(main, "mnuOutbox");
    EXPECT_EQ(count(QStringLiteral("Sent")), 1);
    EXPECT_EQ(count(QStringLiteral("Outbox")), 2);
    EXPECT_EQ(history().mid(before), QStringList({"2 Sent Item(s) moved to the Outbox"}));
    EXPECT_EQ(main.lvwSent->itemCount(), 1);
    EXPECT_EQ(main.lvwOutbox->itemCount(), 2);
    EXPECT_EQ(main.tvwFolderList->nodeText(4), QStringLiteral("Outbox (2)"));
}

TEST_F(MailboxHandlersTest, DeleteRecyclesOrDeletesByFolderFromMenuToolbarAndKey)
{
    insert(QStringLiteral("Inbox"), MailboxRow{}, 1);
    insert(QStringLiteral("Inbox"), MailboxRow{}, 2);
    frmMain &main = load();
    click(main, "Inbox");

    dialogs().answer(vb::vbYes);
    trigger(main, "mnuDelete");
    EXPECT_EQ(dialogs().last().defaultButton, 2) << "a quick Enter keeps the row in the Inbox";
    EXPECT_EQ(history().last(), QStringLiteral("1 Inbox Item(s) Recycled"));
    EXPECT_TRUE(history().contains(QStringLiteral("Selected [Edit] - [Delete]")));
    EXPECT_EQ(count(QStringLiteral("Recycled")), 1);
    // The recycled row selects nothing in its place.
    EXPECT_EQ(main.CountSelected(main.lvwInbox), 0);

    main.lvwInbox->setSelectedItem(1);
    dialogs().answer(vb::vbYes);
    main.tbrToolbar_ButtonClick(QStringLiteral("Delete"));
    EXPECT_EQ(count(QStringLiteral("Inbox")), 0);
    EXPECT_EQ(count(QStringLiteral("Recycled")), 2);

    click(main, "Recycled");
    dialogs().answer(vb::vbYes);
    main.lvwBox_KeyDown(main.lvwRecycled, 46, 0);
    EXPECT_EQ(dialogs().last().text,
              QStringLiteral("You are about to delete 1 Item(s).\r\nAre you sure you want to delete these Item(s)?"));
    EXPECT_EQ(dialogs().last().defaultButton, 2) << "a quick Enter deletes nothing for good";
    EXPECT_EQ(count(QStringLiteral("Recycled")), 1);
    EXPECT_EQ(history().last(), QStringLiteral("1 Item(s) deleted "));
}

TEST_F(MailboxHandlersTest, LogFoldersGetOnlyTheHistoryEntries)
{
    insert(QStringLiteral("Inbox"), MailboxRow{}, 1);
    frmMain &main = load();
    click(main, "History");
    const int before = history().size();
    // The items are disabled here; the handlers themselves still act on no list.
    main.runMenuHandler(QStringLiteral("mnuDelete"));
    main.runMenuHandler(QStringLiteral("mnuMarkAsClosed"));
    main.runMenuHandler(QStringLiteral("mnuSelectionFilter"));
    EXPECT_EQ(history().mid(before), QStringList({"Selected [Edit] - [Delete]", "Selected [Edit] - [Mark As Closed]",
                                                  "Selected [Edit] - [Selection Filter]"}));
    EXPECT_EQ(count(QStringLiteral("Inbox")), 1);
}

TEST_F(MailboxHandlersTest, MarkAsClosedSortAndSelectAll)
{
    MailboxRow row;
    row.status = QStringLiteral("Error");
    for (int i = 1; i <= 3; ++i) {
        row.partner = QStringLiteral("P%1").arg(4 - i);
        insert(QStringLiteral("Outbox"), row, i);
    }
    frmMain &main = load();
    click(main, "Outbox");
    const int before = history().size();

    trigger(main, "mnuPopupSelectAll"); // the pop-up item runs Edit > Select All
    EXPECT_EQ(main.lvwOutbox->selectedCount(), 3);
    trigger(main, "mnuMarkAsClosed");
    EXPECT_EQ(statuses(QStringLiteral("Outbox")), QStringList({"Closed", "Closed", "Closed"}));

    trigger(main, "mnuDescending");
    EXPECT_EQ(main.lvwOutbox->sortOrder(), 1);
    trigger(main, "mnuAscending");
    EXPECT_EQ(main.lvwOutbox->sortOrder(), 0);
    // Sort By the Partner column (item 1).
    main.sortByItems().at(1)->trigger();
    EXPECT_EQ(main.lvwOutbox->sortKey(), 1);
    EXPECT_EQ(main.lvwOutbox->item(1)->subItem(1), QStringLiteral("P1"));
    trigger(main, "mnuPopUpRefresh");
    EXPECT_EQ(history().mid(before),
              QStringList({"Selected [Edit] - [Select All]", "Selected [Edit] - [Mark As Closed]",
                           "Selected [View] - [Sort Order] - [Descending]",
                           "Selected [View] - [Sort Order] - [Ascending]", "Selected [View] - [Sort By]",
                           "Selected [View] - [Refresh]"}));
}

TEST_F(MailboxHandlersTest, EditDataSavesThePreviewAndFindSearchesIt)
{
    db.connection().Execute(QStringLiteral("INSERT INTO Partner (Partner, Segment, element, sub) VALUES ('ACME', 126, 42, 62)"));
    MailboxRow row;
    row.tset = QStringLiteral("ST*830*0001~BFR*05~SE*3*0001~");
    insert(QStringLiteral("Inbox"), row, 1);
    frmMain &main = load();
    click(main, "Inbox");
    ASSERT_EQ(main.rtfTSet->toPlainText(), QStringLiteral("ST*830*0001\nBFR*05\nSE*3*0001\n"));

    trigger(main, "mnuEditData");
    EXPECT_TRUE(main.menuItem(QStringLiteral("mnuEditData"))->isChecked());
    EXPECT_FALSE(main.rtfTSet->isReadOnly());
    main.rtfTSet->setPlainText(QStringLiteral("ST*830*0001\nBFR*06\nSE*3*0001\n"));
    dialogs().answer(vb::vbYes);
    trigger(main, "mnuEditData");
    EXPECT_FALSE(main.menuItem(QStringLiteral("mnuEditData"))->isChecked());
    EXPECT_TRUE(main.rtfTSet->isReadOnly());
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Inbox"), db.connection(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    EXPECT_EQ(rs.Fields(QStringLiteral("TSet")).Value().toString(), QStringLiteral("ST*830*0001~BFR*06~SE*3*0001~"));
    rs.Close();

    dialogs().answerInput(QStringLiteral("SE")).answer(vb::vbOK);
    main.tbrToolbar_ButtonClick(QStringLiteral("Find"));
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Found on Segment 3"));
    EXPECT_EQ(history().mid(history().size() - 4),
              QStringList({"Selected [Edit] - [Edit Data]", "Selected [Edit] - [Edit Data]",
                           "Selected [Edit] - [Edit Transaction]", "Selected [Edit] - [Find]"}));
}

} // namespace
} // namespace mainwindow::test
