// The main window on a real database: the folder tree, the enabled
// commands, the lists with their sort state and selection, and the preview.
#include "MainWindowFixture.h"
#include "controls/Measure.h"
#include "controls/ProgressBar.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"
#include "core/MainWindowParts.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/ListColumns.h"
#include "vb/DoEvents.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>

using namespace mainwindow;
using namespace mainwindow::test;
using controls::ListView;

TEST_F(MainWindowTest, LoadBuildsTheTreeFillsTheListsAndShowsTheWelcomePage)
{
    insert(QStringLiteral("Inbox"), {});
    insert(QStringLiteral("Inbox"), {});
    insertLog(QStringLiteral("Exchange"), QStringLiteral("Info"), QStringLiteral("sent"));
    frmMain &main = load();
    EXPECT_EQ(modGlobal::strCurrentUser, QStringLiteral("System"));
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Corvantis"));
    ASSERT_EQ(main.tvwFolderList->nodeCount(), 8);
    const char *texts[] = {"Corvantis", "Folders", "Inbox (2)", "Outbox (0)", "Sent (0)", "Recycled (0)", "History (0)", "Exchange (1)"};
    const char *keys[] = {"Top", "Root", "Inbox", "Outbox", "Sent", "Recycled", "History", "Exchange"};
    const int parents[] = {0, 1, 2, 2, 2, 2, 1, 1};
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(main.tvwFolderList->nodeText(i), QString::fromLatin1(texts[i - 1])) << i;
        EXPECT_EQ(main.tvwFolderList->nodeKey(i), QString::fromLatin1(keys[i - 1])) << i;
        EXPECT_EQ(main.tvwFolderList->parentIndex(i), parents[i - 1]) << i;
    }
    EXPECT_TRUE(main.tvwFolderList->isExpanded(1));
    EXPECT_TRUE(main.tvwFolderList->isExpanded(2));
    EXPECT_FALSE(main.scrpWelcome->isHidden());
    EXPECT_EQ(main.visibleList(), nullptr);
    EXPECT_TRUE(main.tabPreview->isHidden());
    EXPECT_EQ(main.menuItem(QStringLiteral("mnuRefresh"))->text(), QStringLiteral("Refresh          F5"));
    EXPECT_FALSE(enabled(main, "mnuDelete"));
    EXPECT_TRUE(enabled(main, "mnuOpen"));
    EXPECT_EQ(main.lvwInbox->itemCount(), 2);
    EXPECT_GT(main.lvwInbox->item(1)->rowid(), 0);
    EXPECT_EQ(main.lvwExchange->item(1)->iconKey(0), QStringLiteral("Info"));
    EXPECT_TRUE(modGlobal::mainWindowLink().historyStored);
    EXPECT_TRUE(corvantis::test::dialogs().boxes().empty());
}

TEST_F(MainWindowTest, TheNamedPartsAreThePartsTheWindowBuilds)
{
    frmMain &main = load();
    struct Node {
        int index;
        const char *key;
        ListView *list; // nullptr: a node without a list
    };
    const Node nodes[] = {
        {core::folderNode::Top, core::folderKey::Top, nullptr},
        {core::folderNode::Folders, core::folderKey::Folders, nullptr},
        {core::folderNode::Inbox, core::folderKey::Inbox, main.lvwInbox},
        {core::folderNode::Outbox, core::folderKey::Outbox, main.lvwOutbox},
        {core::folderNode::Sent, core::folderKey::Sent, main.lvwSent},
        {core::folderNode::Recycled, core::folderKey::Recycled, main.lvwRecycled},
        {core::folderNode::History, core::folderKey::History, main.lvwHistory},
        {core::folderNode::Exchange, core::folderKey::Exchange, main.lvwExchange},
    };
    ASSERT_EQ(main.tvwFolderList->nodeCount(), core::folderNode::Count);
    for (const Node &n : nodes) {
        EXPECT_EQ(main.tvwFolderList->nodeKey(n.index), QString::fromLatin1(n.key)) << n.key;
        EXPECT_EQ(main.tvwFolderList->nodeIndex(QString::fromLatin1(n.key)), n.index) << n.key;
        if (n.list) {
            EXPECT_EQ(n.list->tag(), QString::fromLatin1(n.key)) << n.key;
        }
    }
    ASSERT_EQ(main.sbrStatusBar->panelCount(), core::statusPanel::Count);
    // The progress bar lies over its own panel.
    main.resize(900, 600);
    main.show();
    const int left = controls::twipsToPixels(main.sbrStatusBar->panelLeftTwips(core::statusPanel::Progress));
    const int right = left + controls::twipsToPixels(main.sbrStatusBar->panelWidthTwips(core::statusPanel::Progress));
    const int middle = main.pgbProgressBar->geometry().center().x();
    EXPECT_GT(middle, left);
    EXPECT_LT(middle, right);
    main.tvwFolderList_NodeClick(core::folderNode::Inbox);
    EXPECT_EQ(main.sbrStatusBar->panelText(core::statusPanel::Text), QStringLiteral("0 item(s) "));
}

TEST_F(MainWindowTest, EachNodeShowsItsFolder)
{
    insert(QStringLiteral("Inbox"), {});
    insert(QStringLiteral("Inbox"), {});
    insert(QStringLiteral("Sent"), {});
    insertLog(QStringLiteral("Exchange"), QStringLiteral("Warning"), QStringLiteral("late"));
    frmMain &main = load();
    struct Case {
        int node;
        const char *caption, *folderBar, *shown;
        bool preview;
        const char *panel;
        int outboxMove, sentMove; // -1: not touched by this node
        bool itemCommands, exportCommand, sortCommands;
    };
    const Case cases[] = {
        {3, "Corvantis - Inbox", " Inbox", "lvwInbox", true, "2 item(s) ", 0, 0, true, true, true},
        {4, "Corvantis - Outbox", " Outbox", "lvwOutbox", true, "0 item(s) ", 0, 1, false, false, false},
        {5, "Corvantis - Sent", " Sent", "lvwSent", true, "1 item(s) ", 1, 0, true, false, true},
        {6, "Corvantis - Recycled", " Recycled", "lvwRecycled", true, "0 item(s) ", 0, 0, false, false, false},
        {7, "Corvantis - History", " History", "lvwHistory", false, "0 item(s) ", -1, -1, false, false, false},
        {8, "Corvantis - Exchange", " Exchange", "lvwExchange", false, "1 item(s) ", -1, -1, false, false, true},
        {1, "Corvantis - Local", "Corvantis", "", false, "", -1, -1, false, false, false},
        {2, "Corvantis - Folders", " Folders", "", false, "", -1, -1, false, false, false},
    };
    for (const Case &c : cases) {
        main.tvwFolderList_NodeClick(c.node);
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(main.windowTitle(), QString::fromLatin1(c.caption));
        EXPECT_EQ(main.lblFolderBar->text(), QString::fromLatin1(c.folderBar));
        ListView *shown = main.visibleList();
        EXPECT_EQ(shown ? shown->objectName() : QString(), QString::fromLatin1(c.shown));
        EXPECT_EQ(main.scrpWelcome->isHidden(), shown != nullptr);
        EXPECT_EQ(!main.tabPreview->isHidden(), c.preview);
        EXPECT_EQ(panel1(main), QString::fromLatin1(c.panel));
        if (c.outboxMove >= 0) {
            EXPECT_EQ(enabled(main, "mnuOutbox"), c.outboxMove == 1);
            EXPECT_EQ(enabled(main, "mnuSent"), c.sentMove == 1);
        }
        EXPECT_EQ(enabled(main, "mnuDelete"), c.itemCommands);
        EXPECT_EQ(enabled(main, "mnuProperties"), c.itemCommands);
        EXPECT_EQ(main.toolbarButton(6)->isEnabled(), c.itemCommands);
        EXPECT_EQ(enabled(main, "mnuExport"), c.exportCommand);
        EXPECT_EQ(enabled(main, "mnuGenerateAcknowledgement"), c.exportCommand);
        EXPECT_EQ(enabled(main, "mnuSortBy"), c.sortCommands);
        EXPECT_EQ(enabled(main, "mnuRefresh"), c.sortCommands);
        if (shown && main.isMailboxList(shown) && shown->itemCount() == 0) {
            EXPECT_EQ(main.txtMessage->text(), QStringLiteral("There are no Items in this view."));
        }
        EXPECT_TRUE(enabled(main, "mnuPartners"));
        EXPECT_TRUE(enabled(main, "mnuMap"));
    }
}

TEST_F(MainWindowTest, CollapsingAnUpperNodeShowsTheWelcomePage)
{
    insert(QStringLiteral("Inbox"), {});
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    EXPECT_TRUE(enabled(main, "mnuDelete"));
    main.tvwFolderList->collapseItem(main.tvwFolderList->nodeItem(2));
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Corvantis - Folders"));
    EXPECT_FALSE(main.scrpWelcome->isHidden());
    EXPECT_FALSE(enabled(main, "mnuDelete"));
    EXPECT_EQ(panel1(main), QString());
    main.tvwFolderList_NodeClick(7);
    main.tvwFolderList->collapseItem(main.tvwFolderList->nodeItem(1));
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Corvantis - Local"));
    EXPECT_EQ(main.lblFolderBar->text(), QStringLiteral("Corvantis"));
}

TEST_F(MainWindowTest, EnableCommandsForEachArgumentAndList)
{
    frmMain &main = load();
    for (bool inbox : {true, false}) {
        main.tvwFolderList_NodeClick(inbox ? 3 : 4);
        for (bool enable : {true, false}) {
            main.EnableCommands(enable);
            for (const CommandState &state : menuCommandStates(enable, inbox)) {
                EXPECT_EQ(main.menuItem(state.control)->isEnabled(), state.enabled)
                    << state.control.toStdString() << " inbox " << inbox << " enable " << enable;
            }
            for (int button = 1; button <= 13; ++button) {
                const bool follows = button == 6 || button == 8 || button == 10 || button == 11 || button == 13;
                EXPECT_EQ(main.toolbarButton(button)->isEnabled(), follows ? enable : true) << button;
            }
            for (const char *untouched : {"mnuMap", "mnuOptions", "mnuAccount", "mnuExchange", "mnuActiveX",
                                          "mnuHelpContents", "mnuAbout", "mnuPopupSelectAll"})
                EXPECT_TRUE(enabled(main, untouched)) << untouched;
        }
    }
    // The table itself: Export and Generate Acknowledgement only for a shown Inbox.
    EXPECT_EQ(menuCommandStates(true, false).back(), (CommandState{QStringLiteral("mnuGenerateAcknowledgement"), false}));
    EXPECT_EQ(menuCommandStates(true, true).back(), (CommandState{QStringLiteral("mnuGenerateAcknowledgement"), true}));
}

TEST_F(MainWindowTest, HeaderClicksChangeTheOrderAndTheSortMenu)
{
    insert(QStringLiteral("Inbox"), {QStringLiteral("BETA"), QStringLiteral("862")}, 1);
    insert(QStringLiteral("Inbox"), {QStringLiteral("ALPHA"), QStringLiteral("997")}, 2);
    insert(QStringLiteral("Inbox"), {QStringLiteral("GAMMA"), QStringLiteral("830")}, 3);
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    ListView *inbox = main.lvwInbox;
    auto sortCaptions = [&] {
        QStringList captions;
        for (QAction *item : main.sortByItems())
            captions << item->text() + (item->isChecked() ? QStringLiteral("*") : QString());
        return captions;
    };
    // Sorted by the Acknowledged column: no header shows a sort image.
    EXPECT_EQ(sortCaptions(), (QStringList{"Acknowledged*", "Partner", "Transaction", "Version", "Date", "Time"}));
    for (int i = 0; i < inbox->columnHeaderCount(); ++i)
        EXPECT_EQ(inbox->headerImage(i), -1) << i;

    inbox->setColumnWidthTwips(1, 900);
    main.lvwBox_ColumnClick(inbox, 2);
    EXPECT_EQ(inbox->columnWidthTwips(1), 270);
    EXPECT_EQ(inbox->sortKey(), 2);
    EXPECT_EQ(inbox->sortOrder(), 0);
    EXPECT_EQ(inbox->item(1)->subItem(1), QStringLiteral("GAMMA")); // 830 first
    EXPECT_EQ(inbox->headerImage(2), 0);
    EXPECT_EQ(inbox->headerImage(1), -1);
    EXPECT_EQ(sortCaptions()[2], QStringLiteral("Transaction*"));
    EXPECT_TRUE(main.menuItem(QStringLiteral("mnuAscending"))->isChecked());

    main.lvwBox_ColumnClick(inbox, 2);
    EXPECT_EQ(inbox->sortOrder(), 1);
    EXPECT_EQ(inbox->item(1)->subItem(1), QStringLiteral("ALPHA")); // 997 first
    EXPECT_EQ(inbox->headerImage(2), 1);
    EXPECT_TRUE(main.menuItem(QStringLiteral("mnuDescending"))->isChecked());
    EXPECT_FALSE(main.menuItem(QStringLiteral("mnuAscending"))->isChecked());

    // Another header keeps the order and moves the image.
    main.lvwBox_ColumnClick(inbox, 1);
    EXPECT_EQ(inbox->sortKey(), 1);
    EXPECT_EQ(inbox->sortOrder(), 1);
    EXPECT_EQ(inbox->item(1)->subItem(1), QStringLiteral("GAMMA"));
    EXPECT_EQ(inbox->headerImage(1), 1);
    EXPECT_EQ(inbox->headerImage(2), -1);

    // A refill of another list rebuilds the menu for that list; opening the
    // View menu brings back the shown list's items.
    main.RefreshBox(main.lvwHistory);
    EXPECT_EQ(main.sortByItems().first()->text(), QStringLiteral("Type"));
    emit main.viewMenu()->aboutToShow();
    EXPECT_EQ(sortCaptions()[1], QStringLiteral("Partner*"));
}

TEST_F(MainWindowTest, OnlyTheAcknowledgedColumn)
{
    for (const MailboxColumn &c : mailboxColumns())
        saveSetting("Columns", c.switchKey, QLatin1String(c.switchKey) == QLatin1String("Acknowledged") ? "True" : "False");
    insert(QStringLiteral("Inbox"), {QStringLiteral("ACME"), QStringLiteral("830"), QStringLiteral("Closed"), QStringLiteral("Void")});
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    ASSERT_EQ(main.lvwInbox->itemCount(), 1);
    EXPECT_EQ(main.lvwInbox->item(1)->iconKey(0), QStringLiteral("Void"));
    EXPECT_EQ(main.lvwInbox->item(1)->text(), QString());
    ASSERT_EQ(main.sortByItems().size(), 1);
    EXPECT_EQ(main.sortByItems().first()->text(), QStringLiteral("Acknowledged"));
}

TEST_F(MainWindowTest, SelectionIsRestoredAfterARefill)
{
    for (int i = 1; i <= 10; ++i)
        insert(QStringLiteral("Inbox"), {}, i);
    frmMain &main = load();
    ListView *inbox = main.lvwInbox;
    inbox->setSelectedItem(5);
    main.RefreshBox(inbox);
    EXPECT_EQ(inbox->selectedItemIndex(), 5);
    EXPECT_EQ(main.CountSelected(inbox), 1);

    // Row 5 is gone: nothing is selected in its place; the row now at the
    // nearest position is current, not selected.
    db.connection().Execute(QStringLiteral("DELETE FROM Inbox WHERE InterchangeControlNumber > '000000003'"));
    main.RefreshBox(inbox);
    EXPECT_EQ(inbox->itemCount(), 3);
    EXPECT_EQ(inbox->selectedItemIndex(), 3);
    EXPECT_EQ(main.CountSelected(inbox), 0);
    EXPECT_EQ(main.tvwFolderList->nodeText(3), QStringLiteral("Inbox (3)"));

    // Two rows selected stay two rows.
    inbox->setMultiSelect(true);
    inbox->setSelectedItem(1);
    inbox->setItemSelected(3, true);
    main.RefreshBox(inbox);
    EXPECT_EQ(inbox->selectedItemIndex(), 1);
    EXPECT_EQ(main.CountSelected(inbox), 2);
    EXPECT_TRUE(inbox->isItemSelected(3));
}

TEST_F(MainWindowTest, ARefreshAskedForDuringAFillRunsAfterIt)
{
    insert(QStringLiteral("Inbox"), {});
    frmMain &main = load();
    insert(QStringLiteral("Outbox"), {});
    int asked = 0;
    vb::setDoEventsObserver([&] {
        if (asked++ == 0) {
            main.RefreshBox(main.lvwOutbox);
            main.RefreshBox(main.lvwOutbox); // remembered once
            EXPECT_EQ(main.lvwOutbox->itemCount(), 0);
        }
    });
    main.RefreshBox(main.lvwInbox);
    vb::setDoEventsObserver({});
    EXPECT_EQ(main.lvwOutbox->itemCount(), 1);
    EXPECT_EQ(main.tvwFolderList->nodeText(4), QStringLiteral("Outbox (1)"));
    EXPECT_EQ(asked, 2); // the Inbox fill and the one remembered Outbox fill
    EXPECT_FALSE(main.blnRefreshing);
}

TEST_F(MainWindowTest, UnknownStatusShowsTheErrorImage)
{
    insert(QStringLiteral("Inbox"), {QStringLiteral("ACME"), QStringLiteral("830"), QStringLiteral("Archived"), QStringLiteral("Maybe")});
    insert(QStringLiteral("Inbox"), {});
    insertLog(QStringLiteral("Exchange"), QStringLiteral("Debug"), QStringLiteral("odd type"));
    frmMain &main = load();
    ASSERT_EQ(main.lvwInbox->itemCount(), 2);
    EXPECT_EQ(main.lvwInbox->item(1)->iconKey(0), QStringLiteral("Error"));
    EXPECT_EQ(main.lvwInbox->item(1)->iconKey(1), QStringLiteral("Error"));
    EXPECT_EQ(main.lvwInbox->item(2)->iconKey(0), QStringLiteral("No"));
    EXPECT_EQ(main.lvwInbox->item(2)->iconKey(1), QStringLiteral("Closed"));
    EXPECT_EQ(main.lvwExchange->item(1)->iconKey(0), QStringLiteral("Error"));
    EXPECT_EQ(main.lvwExchange->item(1)->text(), QStringLiteral("Debug"));
    EXPECT_TRUE(corvantis::test::dialogs().boxes().empty());
}

TEST_F(MainWindowTest, PreviewShowsOneSegmentPerLine)
{
    db.connection().Execute(QStringLiteral("INSERT INTO Partner (Partner, Segment, element, sub) VALUES ('ACME', 126, 42, 62)"));
    insert(QStringLiteral("Inbox"), {QStringLiteral("ACME"), QStringLiteral("830"), QStringLiteral("Closed"),
                                     QStringLiteral("No"), QStringLiteral("ST*830*0001~BFR*00~SE*3*0001~")});
    insert(QStringLiteral("Inbox"), {QStringLiteral("NOBODY"), QStringLiteral("830"), QStringLiteral("Closed"),
                                     QStringLiteral("No"), QStringLiteral("ST*830*0002~SE*2*0002~")});
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    EXPECT_EQ(main.rtfTSet->toPlainText(), QStringLiteral("ST*830*0001\nBFR*00\nSE*3*0001\n"));
    EXPECT_TRUE(main.txtMessage->isHidden());
    main.lvwInbox->setSelectedItem(2);
    main.lvwBox_ItemClick(main.lvwInbox);
    // A partner without a row: the text as stored.
    EXPECT_EQ(main.rtfTSet->toPlainText(), QStringLiteral("ST*830*0002~SE*2*0002~"));
    // Two rows selected: the preview keeps what it showed.
    main.lvwInbox->setMultiSelect(true);
    main.lvwInbox->setItemSelected(1, true);
    main.lvwInbox->setSelectedItem(1);
    main.lvwInbox->setItemSelected(2, true);
    main.lvwBox_ItemClick(main.lvwInbox);
    EXPECT_EQ(main.rtfTSet->toPlainText(), QStringLiteral("ST*830*0002~SE*2*0002~"));
}

// A set stored by an earlier version holds U+0080-U+009F for the partner's
// bytes 0x80-0x9F: shown as the characters they stand for, as a set loaded now.
TEST_F(MainWindowTest, PreviewShowsTheBytesOfEarlierVersionsAsTheirCharacters)
{
    db.connection().Execute(QStringLiteral("INSERT INTO Partner (Partner, Segment, element, sub) VALUES ('ACME', 126, 42, 62)"));
    insert(QStringLiteral("Inbox"), {QStringLiteral("ACME"), QStringLiteral("830"), QStringLiteral("Closed"),
                                     QStringLiteral("No"), QStringLiteral("ST*830*0001~BSN*NW\u0093" "4711\u0094 \u0080\u0081~SE*3*0001~")});
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    EXPECT_EQ(main.rtfTSet->toPlainText(), QStringLiteral("ST*830*0001\nBSN*NW\u201C4711\u201D \u20AC\u0081\nSE*3*0001\n"));
}

TEST_F(MainWindowTest, KeysAndTheContextMenu)
{
    insert(QStringLiteral("Inbox"), {});
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    int deletes = 0;
    main.setMenuHandler(QStringLiteral("mnuDelete"), [&] { ++deletes; });
    main.lvwBox_KeyDown(main.lvwInbox, 46, 1);
    main.lvwBox_KeyDown(main.lvwHistory, 46, 0);
    EXPECT_EQ(deletes, 1);
    insert(QStringLiteral("Inbox"), {});
    main.lvwBox_KeyDown(main.lvwInbox, 116, 2);
    EXPECT_EQ(main.lvwInbox->itemCount(), 2);
    main.tbrToolbar_ButtonClick(QStringLiteral("Delete"));
    main.tbrToolbar_ButtonClick(QStringLiteral("delete")); // captions compare exactly
    EXPECT_EQ(deletes, 2);

    // A press on a list without a current row: single selection, no menu.
    main.lvwRecycled->setMultiSelect(true);
    main.lvwBox_MouseDown(main.lvwRecycled, 2, 0, 0, 0);
    EXPECT_FALSE(main.lvwRecycled->multiSelect());
    // The left button on a list with rows: multiple selection and the width rule.
    main.lvwInbox->setColumnWidthTwips(1, 600);
    main.lvwBox_MouseDown(main.lvwInbox, 1, 0, 0, 0);
    EXPECT_TRUE(main.lvwInbox->multiSelect());
    EXPECT_EQ(main.lvwInbox->columnWidthTwips(1), 270);
}

// F5 shows what is stored, rows that another connection wrote included, also
// when the focus is in the folder tree after a folder click.
TEST_F(MainWindowTest, F5AnywhereInTheWindowShowsWhatAnotherConnectionStored)
{
    insert(QStringLiteral("Inbox"), {}, 1);
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    main.tvwFolderList->setFocus();
    ASSERT_EQ(main.lvwInbox->itemCount(), 1);
    insert(QStringLiteral("Inbox"), {}, 2); // through the test's own connection
    insertLog(QStringLiteral("Exchange"), QStringLiteral("Info"), QStringLiteral("written elsewhere"));
    QTest::keyClick(main.tvwFolderList, Qt::Key_F5);
    EXPECT_EQ(main.lvwInbox->itemCount(), 2);
    EXPECT_EQ(main.tvwFolderList->nodeText(3), QStringLiteral("Inbox (2)"));

    main.tvwFolderList_NodeClick(8);
    EXPECT_EQ(main.lvwExchange->itemCount(), 0) << "a folder click shows the list as it is";
    QTest::keyClick(main.tvwFolderList, Qt::Key_F5);
    ASSERT_EQ(main.lvwExchange->itemCount(), 1);
    EXPECT_EQ(main.lvwExchange->item(1)->subItem(5), QStringLiteral("written elsewhere"));

    // The list with the focus answers F5 itself.
    insertLog(QStringLiteral("Exchange"), QStringLiteral("Info"), QStringLiteral("and another"));
    main.lvwExchange->setFocus();
    QTest::keyClick(main.lvwExchange, Qt::Key_F5);
    EXPECT_EQ(main.lvwExchange->itemCount(), 2);
}

TEST_F(MainWindowTest, MenusAndToolbarAsBuilt)
{
    frmMain &main = load();
    const struct { const char *control, *caption, *shortcut; } items[] = {
        {"mnuOpenInbound", "&Inbound...", ""}, {"mnuExport", "&Export", "Ctrl+E"}, {"mnuPrint", "Print...", ""},
        {"mnuPrintSetup", "Print Set&up...", ""}, {"mnuProperties", "Properties...", "Ctrl+P"},
        {"mnuExit", "E&xit", "Ctrl+X"}, {"mnuSelectAll", "Select &All", "Ctrl+A"}, {"mnuFind", "&Find...", "Ctrl+F"},
        {"mnuDelete", "&Delete", "Shift+Del"}, {"mnuPartners", "&Partners...", "Ctrl+T"},
        {"mnuValidate", "&Validate", "Ctrl+V"}, {"mnuHelpContents", "Contents...", "F1"},
        {"mnuAbout", "&About Corvantis...", ""}, {"mnuDesignActiveX", "ActiveX Report...", ""},
        {"mnuPopUpRefresh", "Refresh", ""}, {"mnuOutbox", "Outbox", ""},
    };
    for (const auto &i : items) {
        QAction *item = main.menuItem(QString::fromLatin1(i.control));
        ASSERT_NE(item, nullptr) << i.control;
        EXPECT_EQ(item->text(), QString::fromLatin1(i.caption)) << i.control;
        EXPECT_EQ(item->shortcut().toString(), QString::fromLatin1(i.shortcut)) << i.control;
    }
    const char *captions[] = {"Open", "", "Options", "Partners", "", "Properties", "", "Delete", "", "Viewer", "Designer", "", "Find"};
    for (int i = 1; i <= 13; ++i) {
        EXPECT_EQ(main.toolbarButton(i)->isSeparator(), captions[i - 1][0] == 0) << i;
        EXPECT_EQ(main.toolbarButton(i)->text(), QString::fromLatin1(captions[i - 1])) << i;
    }
    EXPECT_EQ(main.toolbarButton(10)->toolTip(), QStringLiteral("Report Viewer"));
    ASSERT_NE(main.toolbarButton(11)->menu(), nullptr);
    EXPECT_EQ(main.toolbarButton(11)->menu()->actions().size(), 3);

    // The toolbar and the pop-up run the menu commands' handlers.
    QStringList ran;
    for (const char *control : {"mnuOpenInbound", "mnuOpenOutbound", "mnuDesignReport", "mnuDesignExport", "mnuSelectAll", "mnuRefresh"})
        main.setMenuHandler(QString::fromLatin1(control), [&ran, control] { ran << QString::fromLatin1(control); });
    main.tbrToolbar_ButtonClick(QStringLiteral("Open"));
    main.tbrToolbar_ButtonMenuClick(QStringLiteral("Outbound"));
    main.tbrToolbar_ButtonClick(QStringLiteral("Designer"));
    main.tbrToolbar_ButtonMenuClick(QStringLiteral("Export"));
    main.tbrToolbar_ButtonMenuClick(QStringLiteral("Nothing"));
    main.menuItem(QStringLiteral("mnuPopupSelectAll"))->trigger();
    main.menuItem(QStringLiteral("mnuPopUpRefresh"))->trigger();
    EXPECT_EQ(ran, (QStringList{"mnuOpenInbound", "mnuOpenOutbound", "mnuDesignReport", "mnuDesignExport",
                                "mnuSelectAll", "mnuRefresh"}));
}

TEST_F(MainWindowTest, BarSwitchesRecordTheirEntryAndRelayout)
{
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    const int listTop = main.lvwInbox->y();
    main.menuItem(QStringLiteral("mnuFolderBar"))->trigger();
    EXPECT_FALSE(main.menuItem(QStringLiteral("mnuFolderBar"))->isChecked());
    EXPECT_TRUE(main.lblFolderBar->isHidden());
    EXPECT_EQ(main.lvwInbox->y(), listTop - controls::twipsToPixels(480));
    EXPECT_EQ(main.lvwHistory->item(main.lvwHistory->itemCount())->subItem(5), QStringLiteral("Selected [View] - [Folder Bar]"));
    main.mnuStatusBar_Click();
    EXPECT_TRUE(main.sbrStatusBar->isHidden());
    EXPECT_EQ(main.lvwHistory->item(main.lvwHistory->itemCount())->subItem(5), QStringLiteral("Selected [View] - [Status Bar]"));
    EXPECT_EQ(panel1(main), QStringLiteral("Selected [View] - [Status Bar]"));
}

// A refill never changes the widths the user sees: the refill a validation
// asks for and F5 keep them; only a click on the list applies the
// Acknowledged width rule.
TEST_F(MainWindowTest, RefillsKeepTheColumnWidths)
{
    for (int i = 0; i < 3; ++i)
        insert(QStringLiteral("Inbox"), {}, i);
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    ListView *inbox = main.lvwInbox;
    std::vector<double> widths;
    for (int c = 1; c <= inbox->columnHeaderCount(); ++c)
        widths.push_back(inbox->columnWidthTwips(c));
    EXPECT_NE(widths.front(), 270);
    for (int i = 1; i <= inbox->itemCount(); ++i)
        inbox->setItemSelected(i, true);
    // The refill a validation or a load asks for through the core's link.
    insert(QStringLiteral("Inbox"), {}, 9);
    modGlobal::mainWindowLink().RefreshBox(QStringLiteral("Inbox"));
    EXPECT_EQ(inbox->itemCount(), 4);
    main.lvwBox_KeyDown(inbox, 116, 0);
    for (int c = 1; c <= inbox->columnHeaderCount(); ++c)
        EXPECT_EQ(inbox->columnWidthTwips(c), widths[c - 1]) << c;
    EXPECT_EQ(inbox->header()->sectionSize(0), controls::twipsToPixels(widths.front()));
}

TEST_F(MainWindowTest, ARefillAfterTheSwitchesChangedShowsTheRuleRowsInTheListsOrder)
{
    // Switched after the columns were made: the refill shows the rows the
    // switches give, and still sorts by the list's Time column, which the
    // rows no longer show.
    MailboxRow zed, acme, mid;
    zed.partner = QStringLiteral("ZED");
    zed.transaction = QStringLiteral("810");
    acme.partner = QStringLiteral("ACME");
    acme.transaction = QStringLiteral("850");
    acme.status = QStringLiteral("Opened");
    acme.acknowledged = QStringLiteral("Yes");
    mid.partner = QStringLiteral("MID");
    mid.status = QStringLiteral("Unheard of");
    insert(QStringLiteral("Inbox"), zed, 3);
    insert(QStringLiteral("Inbox"), acme, 1);
    insert(QStringLiteral("Inbox"), mid, 2);
    db.connection().Execute(QStringLiteral("UPDATE Inbox SET Used = 'Once' WHERE Partner = 'MID'"));
    frmMain &main = load();
    ListView *inbox = main.lvwInbox;
    const int time = inbox->columnPosition(QStringLiteral("Time"));
    ASSERT_GT(time, 0);
    saveSetting("Columns", "Time", QStringLiteral("False"));
    saveSetting("Columns", "Used", QStringLiteral("True"));
    inbox->setSortKey(time - 1);
    inbox->setSortOrder(0);
    main.RefreshBox(inbox);
    struct Row {
        const char *ack, *partner, *status, *transaction, *used;
    };
    const Row rows[] = {
        {"Yes", "ACME", "Opened", "850", ""},
        {"No", "MID", "Error", "830", "Once"},
        {"No", "ZED", "Closed", "810", ""},
    };
    ASSERT_EQ(inbox->itemCount(), 3);
    EXPECT_TRUE(corvantis::test::dialogs().boxes().empty());
    for (int i = 1; i <= 3; ++i) {
        const Row &r = rows[i - 1];
        const controls::ListItem *item = inbox->item(i);
        EXPECT_EQ(item->text(), QString()) << i;
        EXPECT_EQ(item->iconKey(0), QString::fromLatin1(r.ack)) << i;
        EXPECT_EQ(item->subItem(1), QString::fromLatin1(r.partner)) << i;
        EXPECT_EQ(item->iconKey(1), QString::fromLatin1(r.status)) << i;
        EXPECT_EQ(item->subItem(2), QString::fromLatin1(r.transaction)) << i;
        EXPECT_EQ(item->subItem(3), QStringLiteral("004010")) << i;
        EXPECT_EQ(item->subItem(4), QStringLiteral("12/1/2026")) << i;
        EXPECT_EQ(item->subItem(5), QString::fromLatin1(r.used)) << i;
        EXPECT_GT(item->rowid(), 0) << i;
    }
}
