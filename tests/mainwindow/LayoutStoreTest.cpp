// Column and window layouts in the settings store, and their fallbacks.
#include "TestEnvironment.h"
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "mainwindow/Icons.h"
#include "mainwindow/LayoutStore.h"
#include "mainwindow/ListColumns.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <gtest/gtest.h>

using namespace mainwindow;

namespace {

void set(const char *section, const char *key, const QString &value)
{
    vb::SaveSetting(QStringLiteral("Corvantis"), QString::fromLatin1(section), QString::fromLatin1(key), value);
}

QString get(const char *section, const char *key)
{
    return vb::GetSetting(QStringLiteral("Corvantis"), QString::fromLatin1(section), QString::fromLatin1(key),
                          QStringLiteral("<none>"));
}

struct LayoutStoreTest : ::testing::Test {
    LayoutStoreTest() : images(makeListIcons())
    {
        inbox.setTag(QStringLiteral("Inbox"));
        inbox.setImageList(images.get());
    }
    QStringList keys() const
    {
        QStringList k;
        for (int i = 1; i <= inbox.columnHeaderCount(); ++i)
            k << inbox.columnKey(i);
        return k;
    }
    std::unique_ptr<controls::ImageList> images;
    controls::ListView inbox;
};

} // namespace

TEST_F(LayoutStoreTest, FirstStartColumnsAndWidths)
{
    inbox.setSortKey(3);
    createMailboxColumns(inbox, 8655);
    EXPECT_EQ(keys(), (QStringList{"Acknowledged", "Partner", "Transaction", "Version", "Date", "Time"}));
    EXPECT_EQ(inbox.columnText(1), QString());
    EXPECT_EQ(inbox.columnHeader(1).iconKey, QStringLiteral("Void"));
    EXPECT_EQ(inbox.columnText(2), QStringLiteral("Partner"));
    EXPECT_EQ(inbox.columnWidthTwips(1), 270);
    EXPECT_EQ(inbox.columnWidthTwips(2), 721);
    EXPECT_EQ(inbox.sortKey(), 0);
    // At start-up the layout load gives every column the caption width / 6.
    listViewLayout(QStringLiteral("load"), inbox, 8655);
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(inbox.columnWidthTwips(i), 1442) << i;
    EXPECT_EQ(inbox.sortKey(), 0);
    EXPECT_EQ(inbox.sortOrder(), 0);
}

TEST_F(LayoutStoreTest, ChosenColumnsAndWidthKeysByFieldName)
{
    set("Columns", "Interchange Control Number", QStringLiteral("True"));
    set("Columns", "Partner", QStringLiteral("0"));
    set("Inbox", "Interchange Control Number", QStringLiteral("5000")); // never read: keys are field names
    set("Inbox", "Transaction", QStringLiteral("1501.5"));
    createMailboxColumns(inbox, 8655);
    EXPECT_EQ(keys(), (QStringList{"Acknowledged", "Transaction", "Version", "Date", "Time", "InterchangeControlNumber"}));
    EXPECT_EQ(inbox.columnText(6), QStringLiteral("Interchange Control Number"));
    EXPECT_EQ(inbox.columnWidthTwips(6), 721);
    EXPECT_EQ(inbox.columnWidthTwips(2), 1502);
}

TEST_F(LayoutStoreTest, ASwitchThatIsNoTruthValueLeavesNoColumns)
{
    createMailboxColumns(inbox, 8655);
    set("Columns", "Version", QStringLiteral("maybe"));
    try {
        createMailboxColumns(inbox, 8655);
        FAIL() << "no error";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 13);
    }
    EXPECT_EQ(inbox.columnHeaderCount(), 0);
    EXPECT_THROW(readColumnSwitches(), vb::VbError);
}

TEST_F(LayoutStoreTest, SaveAndLoadRoundTrip)
{
    createMailboxColumns(inbox, 8655);
    inbox.setColumnWidthTwips(2, 2000);
    inbox.setColumnWidthTwips(3, 1500.5);
    inbox.setSortKey(2);
    inbox.setSortOrder(1);
    listViewLayout(QStringLiteral("SAVE"), inbox, 8655);
    EXPECT_EQ(get("Inbox", "Partner"), QStringLiteral("2000"));
    EXPECT_EQ(get("Inbox", "Transaction"), QStringLiteral("1500"));
    EXPECT_EQ(get("Inbox", "Acknowledged"), QStringLiteral("270"));
    EXPECT_EQ(get("Inbox", "SortKey"), QStringLiteral("2"));
    EXPECT_EQ(get("Inbox", "SortOrder"), QStringLiteral("1"));

    controls::ListView again;
    again.setTag(QStringLiteral("Inbox"));
    again.setImageList(images.get());
    createMailboxColumns(again, 8655);
    listViewLayout(QStringLiteral("Load"), again, 8655);
    EXPECT_EQ(again.columnWidthTwips(2), 2000);
    EXPECT_EQ(again.columnWidthTwips(3), 1500);
    EXPECT_EQ(again.columnWidthTwips(1), 270);
    EXPECT_EQ(again.sortKey(), 2);
    EXPECT_EQ(again.sortOrder(), 1);

    // Any other operation changes nothing.
    again.setSortKey(4);
    listViewLayout(QStringLiteral("reload"), again, 8655);
    EXPECT_EQ(again.sortKey(), 4);
    listViewLayout(QStringLiteral("store"), again, 8655);
    EXPECT_EQ(get("Inbox", "SortKey"), QStringLiteral("2"));
}

TEST_F(LayoutStoreTest, UnreadableListValuesFallBackToTheirDefaults)
{
    createMailboxColumns(inbox, 8655);
    const struct { const char *key; const char *value; } stored[] = {
        {"Partner", "wide"}, {"Transaction", "-5"}, {"SortKey", "9"}, {"SortOrder", "2"},
    };
    for (const auto &s : stored)
        set("Inbox", s.key, QString::fromLatin1(s.value));
    listViewLayout(QStringLiteral("load"), inbox, 8655);
    EXPECT_EQ(inbox.columnWidthTwips(2), 1442);
    EXPECT_EQ(inbox.columnWidthTwips(3), 1442);
    EXPECT_EQ(inbox.sortKey(), 0);
    EXPECT_EQ(inbox.sortOrder(), 0);
    set("Inbox", "SortKey", QStringLiteral("70000"));
    set("Inbox", "SortOrder", QStringLiteral("x"));
    inbox.setSortKey(3);
    listViewLayout(QStringLiteral("load"), inbox, 8655);
    EXPECT_EQ(inbox.sortKey(), 0);
    EXPECT_EQ(inbox.sortOrder(), 0);
}

TEST_F(LayoutStoreTest, LogColumns)
{
    controls::ListView history;
    history.setTag(QStringLiteral("History"));
    createLogColumns(history);
    ASSERT_EQ(history.columnHeaderCount(), 6);
    const char *names[] = {"Type", "Index", "Date", "Time", "User", "Description"};
    const int widths[] = {1000, 1200, 1200, 1200, 1200, 20000};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(history.columnKey(i + 1), QString::fromLatin1(names[i]));
        EXPECT_EQ(history.columnText(i + 1), QString::fromLatin1(names[i]));
        EXPECT_EQ(history.columnWidthTwips(i + 1), widths[i]);
    }
    listViewLayout(QStringLiteral("load"), history, 8655);
    EXPECT_EQ(history.columnWidthTwips(1), 1442);
    EXPECT_EQ(history.columnWidthTwips(6), 7200);
}

// The log lists' Description opens wide enough to read an entry; a width the
// user chose is kept, the caption's share an earlier exit wrote back is not.
TEST_F(LayoutStoreTest, LogDescriptionWidths)
{
    const struct Case {
        const char *list;
        const char *stored; // nullptr: none
        int expected;
    } cases[] = {
        {"History", nullptr, 7200},  {"Exchange", nullptr, 7200}, {"History", "1442", 7200},
        {"Exchange", "1442", 7200}, {"History", "3000", 3000},   {"Exchange", "12000", 12000},
        {"History", "wide", 7200},  {"History", "1443", 1443},
    };
    for (const Case &c : cases) {
        controls::ListView log;
        log.setTag(QString::fromLatin1(c.list));
        createLogColumns(log);
        if (c.stored)
            set(c.list, "Description", QString::fromLatin1(c.stored));
        listViewLayout(QStringLiteral("load"), log, 8655);
        EXPECT_EQ(log.columnWidthTwips(6), c.expected) << c.list << " " << (c.stored ? c.stored : "none");
        EXPECT_EQ(log.columnWidthTwips(5), 1442) << c.list;
        // Saved and loaded again, the width stays.
        listViewLayout(QStringLiteral("save"), log, 8655);
        controls::ListView again;
        again.setTag(QString::fromLatin1(c.list));
        createLogColumns(again);
        listViewLayout(QStringLiteral("load"), again, 8655);
        EXPECT_EQ(again.columnWidthTwips(6), c.expected) << c.list << " saved";
        vb::DeleteSetting(QStringLiteral("Corvantis"), QString::fromLatin1(c.list));
    }
    // A mailbox list has no such column: its widths stay the caption's share.
    createMailboxColumns(inbox, 8655);
    listViewLayout(QStringLiteral("load"), inbox, 8655);
    EXPECT_EQ(inbox.columnWidthTwips(6), 1442);
}

TEST(MainLayoutStoreTest, DefaultsAndRoundTrip)
{
    const MainDefaults d = mainDefaults(19200, 14400);
    MainLayoutValues v = readMainLayout(d);
    EXPECT_EQ(v, (MainLayoutValues{0, 1800, 2400, 10800, 14400, true, true, true, true, 3600, 5400}));

    v = {0, 100, 200, 7000, 9000, false, true, true, false, 2500, 4000};
    saveMainLayout(v);
    EXPECT_EQ(readMainLayout(d), v);
    EXPECT_EQ(get("Main", "FolderBar"), QStringLiteral("False"));
    EXPECT_EQ(get("Main", "VSplitPos"), QStringLiteral("2500"));

    // Maximized: the state is stored, the normal placement is kept.
    MainLayoutValues maximized = v;
    maximized.state = 2;
    maximized.top = 0;
    maximized.height = 14400;
    saveMainLayout(maximized);
    const MainLayoutValues back = readMainLayout(d);
    EXPECT_EQ(back.state, 2);
    EXPECT_EQ(back.top, 100);
    EXPECT_EQ(back.height, 7000);
}

TEST(MainLayoutStoreTest, UnreadableValuesFallBackOneByOne)
{
    const MainDefaults d = mainDefaults(19200, 14400);
    const struct { const char *key; const char *value; } stored[] = {
        {"State", "7"}, {"Top", "high"}, {"Left", "300"}, {"Height", "5000"}, {"Width", "wide"},
        {"FolderBar", "perhaps"}, {"StatusBar", "False"}, {"TopNode", "0"}, {"TreeNode", "x"},
        {"VSplitPos", "-20"}, {"HSplitPos", "100"},
    };
    for (const auto &s : stored)
        set("Main", s.key, QString::fromLatin1(s.value));
    const MainLayoutValues v = readMainLayout(d);
    EXPECT_EQ(v, (MainLayoutValues{0, 1800, 300, 10800, 14400, true, false, false, true, 3600, 5400}));
}
