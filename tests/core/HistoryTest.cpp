// The error reporter, the History log and the statement behind a mailbox list.
#include "CoreTestSupport.h"

#include "TestEnvironment.h"

#include "controls/ListView.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

using namespace modGlobal;
using namespace coretest;
using corvantis::test::dialogs;

namespace {

class HistoryTest : public CoreTest {};

} // namespace

TEST_F(HistoryTest, ReportErrorShowsTheBoxSetsThePanelAndLogsNumberAndText)
{
    struct Case {
        int32_t number;
        const char *description;
        const char *detail; // kept for the record: in History, never in the box
        const char *logged;
    };
    const Case cases[] = {
        {13, "Type mismatch", "", "13 Type mismatch"},
        {3021, "Either BOF or EOF is True, or the current record has been deleted.", "",
         "3021 Either BOF or EOF is True, or the current record has been deleted."},
        {-2147217900, "Syntax error in query expression", "", "-2147217900 Syntax error in query expression"},
        {429, "ActiveX component can't create object", "Lorvanne.Nope: no class is registered under this name",
         "429 ActiveX component can't create object - Lorvanne.Nope: no class is registered under this name"},
    };
    int entry = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.logged);
        dialogs().answer(vb::vbOK);
        vb::VbError error(c.number, QString::fromUtf8(c.description));
        error.detail = QString::fromUtf8(c.detail);
        ReportError(error);
        ++entry;

        const auto &box = dialogs().last();
        EXPECT_EQ(box.text, QString::fromUtf8(c.description));
        EXPECT_EQ(box.icon, vb::vbCritical);
        EXPECT_EQ(box.buttons, vb::vbOKOnly);
        EXPECT_EQ(box.caption, QStringLiteral("Corvantis"));

        // The History entry is the last writer of panel 1.
        EXPECT_EQ(statusText, QString::fromUtf8(c.logged));
        const auto stored = rows(QStringLiteral("SELECT * FROM History ORDER BY [Index] DESC"));
        ASSERT_EQ(stored.size(), size_t(entry));
        EXPECT_EQ(stored.front().at("Type"), "Error");
        EXPECT_EQ(stored.front().at("Description"), QString::fromUtf8(c.logged));
        ASSERT_EQ(shown.size(), size_t(entry));
        EXPECT_EQ(shown.back().type, "Error");
        EXPECT_EQ(shown.back().description, QString::fromUtf8(c.logged));
    }
}

TEST_F(HistoryTest, ReportErrorOfAnyOtherExceptionNamesIt)
{
    dialogs().answer(vb::vbOK);
    ReportError(std::runtime_error("disk on fire"));
    EXPECT_EQ(dialogs().last().text, "Internal error: disk on fire");
    EXPECT_EQ(column("SELECT * FROM History", "Description"), QStringList{"51 Internal error: disk on fire"});
}

TEST_F(HistoryTest, ReportErrorWithoutDatabaseStillShowsTheErrorAndThePanel)
{
    cnDatabase->Close();
    dialogs().answer(vb::vbOK).answer(vb::vbOK);
    ReportError(vb::VbError(53, "File not found"));

    ASSERT_EQ(dialogs().boxes().size(), 2u);
    EXPECT_EQ(dialogs().boxes()[0].text, "File not found");
    // The logger reports its own failure in a box of its own and stops.
    EXPECT_EQ(dialogs().boxes()[1].icon, vb::vbCritical);
    EXPECT_EQ(dialogs().boxes()[1].caption, "Corvantis");
    EXPECT_FALSE(dialogs().boxes()[1].text.isEmpty());
    EXPECT_EQ(statusText, "File not found");
    EXPECT_TRUE(shown.empty());
}

TEST_F(HistoryTest, LogHistoryStoresLongMonthAndShowsShortMonth)
{
    struct Case {
        QDateTime at;
        const char *storedDate;
        const char *shownDate;
        const char *time;
    };
    const Case cases[] = {
        {QDateTime(QDate(2026, 7, 3), QTime(9, 4, 5)), "07/3/2026", "7/3/2026", "09:04:05 AM"},
        {QDateTime(QDate(2026, 12, 10), QTime(13, 5, 9)), "12/10/2026", "12/10/2026", "01:05:09 PM"},
        {QDateTime(QDate(2027, 1, 31), QTime(0, 0, 0)), "01/31/2027", "1/31/2027", "12:00:00 AM"},
        {QDateTime(QDate(2027, 2, 1), QTime(12, 30, 0)), "02/1/2027", "2/1/2027", "12:30:00 PM"},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.storedDate);
        corvantis::test::setClock(c.at);
        LogHistory("Info", QStringLiteral("entry %1").arg(++n));

        const auto stored = rows(QStringLiteral("SELECT * FROM History ORDER BY [Index] DESC")).front();
        EXPECT_EQ(stored.at("Date"), c.storedDate);
        EXPECT_EQ(stored.at("Time"), c.time);
        EXPECT_EQ(stored.at("User"), "tester");
        EXPECT_EQ(stored.at("Type"), "Info");
        EXPECT_EQ(stored.at("Description"), QStringLiteral("entry %1").arg(n));

        ASSERT_EQ(shown.size(), size_t(n));
        const HistoryEntry &item = shown.back();
        EXPECT_EQ(item.index, stored.at("Index"));
        EXPECT_EQ(item.rowid, rows(QStringLiteral("SELECT rowid AS r FROM History ORDER BY [Index] DESC")).front().at("r").toLongLong());
        EXPECT_EQ(item.shownDate, c.shownDate);
        EXPECT_EQ(item.time, c.time);
        EXPECT_EQ(item.user, "tester");
        EXPECT_EQ(item.description, QStringLiteral("entry %1").arg(n));
    }
}

TEST_F(HistoryTest, LogHistoryKeepsUnknownTypesAsGiven)
{
    int n = 0;
    for (const char *type : {"Info", "Warning", "Error", "Debug", "info", ""}) {
        SCOPED_TRACE(type);
        LogHistory(QString::fromLatin1(type), "text");
        ++n;
        ASSERT_EQ(shown.size(), size_t(n));
        EXPECT_EQ(shown.back().type, type);
        const auto stored = rows(QStringLiteral("SELECT * FROM History ORDER BY [Index] DESC")).front();
        EXPECT_EQ(stored.at("Type"), type);
    }
    EXPECT_EQ(statusText, "text");
}

TEST_F(HistoryTest, IndexesFollowTheDatabase)
{
    addRow("History", {{"Type", "Info"}, {"Date", "01/1/2026"}, {"Time", "01:00:00 AM"},
                       {"User", "x"}, {"Description", "not listed"}});

    LogHistory("Warning", "first");
    LogHistory("Warning", "second");
    EXPECT_EQ(statusText, "second");

    ASSERT_EQ(shown.size(), 2u);
    const QString first = shown[0].index;
    const QString second = shown[1].index;
    EXPECT_EQ(column("SELECT * FROM History WHERE Description = 'first'", "Index"), QStringList{first});
    EXPECT_EQ(column("SELECT * FROM History WHERE Description = 'second'", "Index"), QStringList{second});
    EXPECT_GT(second.toLongLong(), first.toLongLong());
}

TEST_F(HistoryTest, AnEntryThatCannotBeStoredIsNeitherShownNorLeftHalfWritten)
{
    // The n-th write fails inside the database, as a full disk would.
    cnDatabase->Execute("CREATE TRIGGER refuse_history BEFORE INSERT ON History "
                        "WHEN NEW.Description = 'refused' BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    LogHistory("Info", "kept");
    dialogs().answer(vb::vbOK);
    LogHistory("Info", "refused");
    LogHistory("Info", "after");

    EXPECT_EQ(column("SELECT * FROM History", "Description"), (QStringList{"kept", "after"}));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].description, "kept");
    EXPECT_EQ(shown[1].description, "after");
    ASSERT_EQ(boxCount(), 1u);
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_TRUE(dialogs().last().text.contains("disk full")) << dialogs().last().text.toStdString();
}

TEST_F(HistoryTest, LogHistoryKeepsQuotesInTheText)
{
    LogHistory("Info", "Partner 'O''Neil' said \"hi\"");
    EXPECT_EQ(column("SELECT * FROM History", "Description"), QStringList{"Partner 'O''Neil' said \"hi\""});
}

TEST_F(HistoryTest, LogHistoryWithoutWindowStillStoresTheRow)
{
    mainWindowLink() = MainWindowLink{};
    LogHistory("Info", "no window");
    EXPECT_EQ(column("SELECT * FROM History", "Description"), QStringList{"no window"});
    EXPECT_TRUE(shown.empty());
}

TEST(BuildSortedSelect, EachListSortKeyAndOrder)
{
    struct Case {
        const char *table;
        QStringList keys;
        int sortKey;
        int sortOrder;
        const char *expected;
    };
    const QStringList mailbox = {"Acknowledged", "Partner", "Transaction", "Version", "Date", "Time"};
    const QStringList log = {"Type", "Index", "Date", "Time", "User", "Description"};
    const Case cases[] = {
        {"Inbox", mailbox, 0, 0, "SELECT * FROM Inbox ORDER BY Acknowledged ASC"},
        {"Outbox", mailbox, 2, 1, "SELECT * FROM Outbox ORDER BY Transaction DESC"},
        {"Sent", mailbox, 5, 0, "SELECT * FROM Sent ORDER BY Time ASC"},
        {"Recycled", mailbox, 1, 1, "SELECT * FROM Recycled ORDER BY Partner DESC"},
        {"History", log, 1, 1, "SELECT * FROM History ORDER BY Index DESC"},
        {"Exchange", log, 3, 0, "SELECT * FROM Exchange ORDER BY Time ASC"},
        // Any order other than 0 is descending.
        {"Exchange", log, 5, 2, "SELECT * FROM Exchange ORDER BY Description DESC"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        controls::ListView list;
        list.setTag(QString::fromLatin1(c.table));
        for (const QString &key : c.keys)
            list.addColumnHeader(key, key, 1000);
        list.setSortKey(c.sortKey);
        list.setSortOrder(c.sortOrder);
        EXPECT_EQ(BuildSortedSelect(list), c.expected);
    }
}

TEST(BuildSortedSelect, SortKeyOutsideTheColumnsIsRefused)
{
    controls::ListView list;
    list.setTag("Inbox");
    list.addColumnHeader("Partner", "Partner", 1000);
    for (int key : {1, -1}) {
        list.setSortKey(key);
        try {
            BuildSortedSelect(list);
            ADD_FAILURE() << "no error for sort key " << key;
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, 380);
        }
    }
}
