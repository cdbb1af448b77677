// The main window's side of what the core reports: a stored History entry
// becomes the last History item with its image and the node's count, status
// texts reach panel 1, and a refresh by table name refills that table's list.
#include "MainWindowFixture.h"

#include "TestEnvironment.h"
#include "mainwindow/CoreLink.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"

using namespace mainwindow;
using namespace mainwindow::test;

TEST_F(MainWindowTest, LoggedEntriesShowInTheHistoryListWithTheirImageAndCount)
{
    frmMain &main = load();
    struct Case {
        const char *type;
        const char *image;
    };
    const Case cases[] = {{"Info", "Info"}, {"Warning", "Warning"}, {"Error", "Error"},
                          {"Debug", "Error"}, {"info", "Error"}, {"", "Error"}};
    // In Index order a new entry is the last row.
    main.lvwHistory->setSortKey(1);
    main.lvwHistory->setSortOrder(0);
    main.RefreshBox(main.lvwHistory);
    const int before = main.lvwHistory->itemCount();
    int n = before;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        modGlobal::LogHistory(QString::fromLatin1(c.type), QStringLiteral("text %1").arg(n));
        ++n;
        ASSERT_EQ(main.lvwHistory->itemCount(), n);
        const controls::ListItem *item = main.lvwHistory->item(n);
        EXPECT_EQ(item->text(), c.type);
        EXPECT_EQ(item->iconKey(), c.image);
        EXPECT_GT(item->rowid(), 0);
        EXPECT_FALSE(item->subItem(1).isEmpty());
        EXPECT_EQ(item->subItem(2), QStringLiteral("12/10/2026"));
        EXPECT_EQ(item->subItem(3), QStringLiteral("01:05:09 PM"));
        EXPECT_EQ(item->subItem(5), QStringLiteral("text %1").arg(n - 1));
        EXPECT_EQ(main.tvwFolderList->nodeText(7), QStringLiteral("History (%1)").arg(n));
        EXPECT_EQ(main.sbrStatusBar->panelText(1), QStringLiteral("text %1").arg(n - 1));
    }
}

TEST_F(MainWindowTest, ALoggedEntryTakesThePlaceItsListOrderGivesIt)
{
    frmMain &main = load();
    struct Order {
        int key;
        int order;
    };
    const Order orders[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {5, 0}, {5, 1}};
    const char *const types[] = {"Info", "Warning", "Error", "Info", "Warning", "Info"};
    int n = 0;
    for (const Order &o : orders) {
        SCOPED_TRACE(QStringLiteral("key %1 order %2").arg(o.key).arg(o.order).toStdString());
        main.lvwHistory->setSortKey(o.key);
        main.lvwHistory->setSortOrder(o.order);
        main.RefreshBox(main.lvwHistory);
        for (const char *type : types)
            modGlobal::LogHistory(QString::fromLatin1(type), QStringLiteral("entry %1").arg(++n, 3, 10, QLatin1Char('0')));
        // What the list shows is what a refill from its statement shows.
        QStringList shown, refilled;
        for (int i = 1; i <= main.lvwHistory->itemCount(); ++i)
            shown << main.lvwHistory->item(i)->subItem(1);
        main.RefreshBox(main.lvwHistory);
        for (int i = 1; i <= main.lvwHistory->itemCount(); ++i)
            refilled << main.lvwHistory->item(i)->subItem(1);
        EXPECT_EQ(shown, refilled);
    }
}

TEST_F(MainWindowTest, AnEntryThatWasNotStoredIsNotShown)
{
    frmMain &main = load();
    modGlobal::cnDatabase->Execute("CREATE TRIGGER refuse_history BEFORE INSERT ON History "
                                   "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    const int before = main.lvwHistory->itemCount();
    corvantis::test::dialogs().answer(vb::vbOK);
    modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("lost"));
    EXPECT_EQ(main.lvwHistory->itemCount(), before);
    EXPECT_EQ(main.tvwFolderList->nodeText(7), QStringLiteral("History (%1)").arg(before));
}

TEST_F(MainWindowTest, RefreshByTableNameRefillsThatList)
{
    frmMain &main = load();
    EXPECT_EQ(main.lvwSent->itemCount(), 0);
    insert(QStringLiteral("Sent"), {});
    modGlobal::mainWindowLink().RefreshBox(QStringLiteral("Sent"));
    EXPECT_EQ(main.lvwSent->itemCount(), 1);
    // A table without a list is no error and refills nothing.
    modGlobal::mainWindowLink().RefreshBox(QStringLiteral("Partner"));
}

TEST_F(MainWindowTest, AFillYieldsBeforeTheListIsEmptied)
{
    for (int i = 0; i < 3; ++i)
        insert(QStringLiteral("Inbox"), {}, i);
    frmMain &main = load();
    ASSERT_EQ(main.lvwInbox->itemCount(), 3);
    std::vector<int> seen;
    vb::setDoEventsObserver([&] { seen.push_back(main.lvwInbox->itemCount()); });
    insert(QStringLiteral("Inbox"), {}, 3);
    main.RefreshBox(main.lvwInbox);
    vb::setDoEventsObserver({});
    ASSERT_FALSE(seen.empty());
    for (int count : seen)
        EXPECT_EQ(count, 3) << "a click during the yield would act on an emptied list";
    EXPECT_EQ(main.lvwInbox->itemCount(), 4);
}

TEST_F(MainWindowTest, ASmallWindowKeepsItsStatusBarAtTheBottom)
{
    frmMain &main = load();
    main.resize(500, 375);
    QTest::qWait(0);
    // Never below the layout's minimum, and laid out for the size it has.
    EXPECT_GE(main.height(), main.minimumHeight());
    EXPECT_GE(main.minimumHeight(), 375);
    const int clientBottom = main.centralWidget() ? main.centralWidget()->height() : main.height();
    const QRect bar = main.sbrStatusBar->geometry();
    EXPECT_GE(bar.bottom(), clientBottom - 2 * bar.height()) << "status bar drawn across the middle";
    EXPECT_LE(main.tabPreview->geometry().bottom(), bar.top()) << "preview runs under the status bar";
}
