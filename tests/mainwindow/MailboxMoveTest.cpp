// Move between Outbox and Sent, Recycle and Delete: the rows selected move,
// no others; the question, History and progress texts; No changes nothing;
// a stale list or a failure half-way leaves every row where it was.

#include "MailboxTestSupport.h"

#include "TestEnvironment.h"

#include "ado/Connection.h"
#include "core/modGlobal.h"
#include "mainwindow/LockStepWalk.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"

using corvantis::test::dialogs;
using mainwindow::MailboxCommands;

namespace mailboxtest {
namespace {

class MailboxMoveTest : public MailboxTest {
protected:
    void SetUp() override
    {
        MailboxTest::SetUp();
        seen = std::make_shared<QStringList>();
        // Panel 3 as seen at each yield of a command. The commands yield at
        // most every 10 ms; this clock lets 20 ms pass between rows, so every
        // row yields.
        vb::setDoEventsObserver([this, s = seen] { *s << statusBar->panelText(3); });
        vb::setDoEventsTickSource([t = std::make_shared<qint64>(0)] { return *t += 20; });
    }

    // Five rows; sorted by Partner the list shows u2 u4 u1 u3 u5: the ties
    // keep their stored order, which is not the order of the Used values.
    void addRows(const QString &table)
    {
        const char *partners[] = {"PARTB", "PARTA", "PARTB", "PARTA", "PARTC"};
        for (int i = 0; i < 5; ++i) {
            const QString id = QStringLiteral("u%1").arg(i + 1);
            addMailboxRow(table, id,
                          {{"Partner", QString::fromLatin1(partners[i])},
                           {"Used", id},
                           {"Status", i % 2 ? QStringLiteral("Closed") : QStringLiteral("Error")},
                           {"Acknowledged", i % 2 ? QStringLiteral("Yes") : QStringLiteral("Void")},
                           {"Direction", i % 2 ? QStringLiteral("O") : QStringLiteral("I")},
                           {"TSet", QStringLiteral("ST*856*000%1~SE*2*000%1~").arg(i + 1)}});
        }
    }

    void sortByPartner(controls::ListView &list)
    {
        list.setSortKey(1);
        list.setSortOrder(0);
        fill(list);
    }

    std::vector<Row> rowsOf(const std::vector<Row> &rows, const QStringList &used)
    {
        std::vector<Row> result;
        for (const Row &row : rows)
            if (used.contains(row.at(QStringLiteral("Used"))))
                result.push_back(row);
        return result;
    }

    QStringList usedOf(const QString &table)
    {
        QStringList result;
        for (const Row &row : tableRows(table))
            result << row.at(QStringLiteral("Used"));
        return result;
    }

    std::shared_ptr<QStringList> seen;
};

TEST_F(MailboxMoveTest, MovesExactlyTheSelectedRowsToOutboxAndBackUnchanged)
{
    addRows(QStringLiteral("Sent"));
    sortByPartner(*lvwSent);
    fill(*lvwOutbox);
    ASSERT_EQ(usedColumn(*lvwSent), QStringList({"u2", "u4", "u1", "u3", "u5"}));
    const std::vector<Row> before = tableRows(QStringLiteral("Sent"));
    select(*lvwSent, {2, 4});

    MailboxCommands commands(context());
    dialogs().answer(vb::vbYes);
    commands.MoveItems(*lvwSent, *lvwOutbox);

    const auto &box = dialogs().last();
    EXPECT_EQ(box.text, QStringLiteral("Are you sure you want to move these 2 Sent Item(s) to the Outbox\r\n"));
    EXPECT_EQ(box.buttons, vb::vbYesNo);
    EXPECT_EQ(box.icon, vb::vbQuestion);
    EXPECT_EQ(box.caption, QStringLiteral("Corvantis"));
    EXPECT_EQ(usedOf(QStringLiteral("Outbox")), QStringList({"u3", "u4"}));
    EXPECT_EQ(usedOf(QStringLiteral("Sent")), QStringList({"u1", "u2", "u5"}));
    // All 17 fields copied unchanged, Direction, Status, Acknowledged and TSet included.
    EXPECT_EQ(tableRows(QStringLiteral("Outbox")), rowsOf(before, {"u3", "u4"}));
    EXPECT_EQ(history().last(), QStringLiteral("2 Sent Item(s) moved to the Outbox"));
    ASSERT_EQ(refreshed.size(), 2u);
    EXPECT_EQ(refreshed[0], lvwSent.get());
    EXPECT_EQ(refreshed[1], lvwOutbox.get());
    EXPECT_EQ(*seen, QStringList({"50% Complete", "100% Complete"}));
    EXPECT_EQ(statusBar->panelText(3), QString());
    EXPECT_EQ(progress->value(), 0);
    EXPECT_EQ(progress->max(), 2);

    // And back: both rows of the Outbox, every field as it was.
    select(*lvwOutbox, {1, 2});
    dialogs().answer(vb::vbYes);
    commands.MoveItems(*lvwOutbox, *lvwSent);
    EXPECT_EQ(dialogs().last().text,
              QStringLiteral("Are you sure you want to move these 2 Outbox Item(s) to the Sent\r\n"));
    EXPECT_EQ(count(QStringLiteral("Outbox")), 0);
    EXPECT_EQ(tableRows(QStringLiteral("Sent")), before);
    EXPECT_EQ(history().last(), QStringLiteral("2 Outbox Item(s) moved to the Sent"));
}

TEST_F(MailboxMoveTest, RecycleMovesExactlyTheSelectedRowsToRecycled)
{
    addRows(QStringLiteral("Inbox"));
    sortByPartner(*lvwInbox);
    fill(*lvwRecycled);
    const std::vector<Row> before = tableRows(QStringLiteral("Inbox"));
    select(*lvwInbox, {2, 4});
    MailboxCommands commands(context());

    dialogs().answer(vb::vbYes);
    commands.RecycleItems(*lvwInbox, *lvwRecycled);
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Are you sure you want to send these 2 Item(s) to the Recycled folder \r\n"));
    EXPECT_EQ(dialogs().last().icon, vb::vbQuestion);
    EXPECT_EQ(usedOf(QStringLiteral("Inbox")), QStringList({"u1", "u2", "u5"}));
    EXPECT_EQ(tableRows(QStringLiteral("Recycled")), rowsOf(before, {"u3", "u4"}));
    EXPECT_EQ(history().last(), QStringLiteral("2 Inbox Item(s) Recycled"));
    ASSERT_EQ(refreshed.size(), 2u);
    EXPECT_EQ(refreshed[0], lvwRecycled.get());
    EXPECT_EQ(refreshed[1], lvwInbox.get());
    EXPECT_EQ(*seen, QStringList({"50% Complete", "100% Complete"}));
}

TEST_F(MailboxMoveTest, DeleteRemovesExactlyTheSelectedRows)
{
    addRows(QStringLiteral("Recycled"));
    sortByPartner(*lvwRecycled);
    ASSERT_EQ(usedColumn(*lvwRecycled), QStringList({"u2", "u4", "u1", "u3", "u5"}));
    const std::vector<Row> before = tableRows(QStringLiteral("Recycled"));
    select(*lvwRecycled, {2, 4});
    MailboxCommands commands(context());
    dialogs().answer(vb::vbYes);
    commands.DeleteItems(*lvwRecycled);

    EXPECT_EQ(dialogs().last().text,
              QStringLiteral("You are about to delete 2 Item(s).\r\nAre you sure you want to delete these Item(s)?"));
    EXPECT_EQ(dialogs().last().buttons, vb::vbYesNo);
    EXPECT_EQ(dialogs().last().icon, vb::vbQuestion);
    EXPECT_EQ(tableRows(QStringLiteral("Recycled")), rowsOf(before, {"u1", "u2", "u5"}));
    EXPECT_EQ(history().last(), QStringLiteral("2 Item(s) deleted "));
    EXPECT_EQ(refreshed, std::vector<controls::ListView *>({lvwRecycled.get()}));
    EXPECT_EQ(usedColumn(*lvwRecycled), QStringList({"u2", "u1", "u5"}));
    EXPECT_EQ(*seen, QStringList({"50% Complete", "100% Complete"}));
    EXPECT_EQ(statusBar->panelText(3), QString());
    EXPECT_EQ(progress->value(), 0);
}

TEST_F(MailboxMoveTest, AnsweringNoChangesNothing)
{
    addRows(QStringLiteral("Outbox"));
    sortByPartner(*lvwOutbox);
    addRows(QStringLiteral("Recycled"));
    fill(*lvwRecycled);
    select(*lvwOutbox, {1, 3});
    select(*lvwRecycled, {2});
    const auto outbox = tableRows(QStringLiteral("Outbox"));
    const auto recycled = tableRows(QStringLiteral("Recycled"));
    const QStringList historyBefore = history();
    MailboxCommands commands(context());

    dialogs().answer(vb::vbNo).answer(vb::vbNo).answer(vb::vbNo);
    commands.MoveItems(*lvwOutbox, *lvwSent);
    commands.RecycleItems(*lvwOutbox, *lvwRecycled);
    commands.DeleteItems(*lvwRecycled);

    EXPECT_EQ(dialogs().boxes().size(), 3u);
    EXPECT_EQ(tableRows(QStringLiteral("Outbox")), outbox);
    EXPECT_EQ(tableRows(QStringLiteral("Recycled")), recycled);
    EXPECT_EQ(count(QStringLiteral("Sent")), 0);
    EXPECT_EQ(history(), historyBefore);
    EXPECT_TRUE(refreshed.empty());
    EXPECT_TRUE(seen->empty());
}

TEST_F(MailboxMoveTest, NothingSelectedAsksWithZeroAndMovesNothing)
{
    addRows(QStringLiteral("Sent"));
    fill(*lvwSent);
    select(*lvwSent, {});
    MailboxCommands commands(context());
    dialogs().answer(vb::vbYes);
    commands.MoveItems(*lvwSent, *lvwOutbox);
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Are you sure you want to move these 0 Sent Item(s) to the Outbox\r\n"));
    EXPECT_EQ(count(QStringLiteral("Sent")), 5);
    EXPECT_EQ(count(QStringLiteral("Outbox")), 0);
    EXPECT_TRUE(history().isEmpty()) << history().join("|").toStdString();
}

TEST_F(MailboxMoveTest, DeleteWithoutCurrentRowDoesNothing)
{
    fill(*lvwRecycled); // empty table: no current row
    MailboxCommands commands(context());
    commands.DeleteItems(*lvwRecycled);
    EXPECT_EQ(boxCount(), 0u);
    EXPECT_TRUE(history().isEmpty());
}

// A row removed behind the list's back shifts every later record: the walk
// finds the disagreement before it changes anything, tells the user, records
// it and refills the list.
TEST_F(MailboxMoveTest, StaleListStopsMoveAndDeleteWithoutTouchingOtherRows)
{
    addRows(QStringLiteral("Sent"));
    addRows(QStringLiteral("Recycled"));
    sortByPartner(*lvwSent);
    sortByPartner(*lvwRecycled);
    select(*lvwSent, {2, 4});
    select(*lvwRecycled, {2, 4});
    deleteBehind(QStringLiteral("Sent"), QStringLiteral("u2"));      // list row 1
    deleteBehind(QStringLiteral("Recycled"), QStringLiteral("u2"));
    const auto sent = tableRows(QStringLiteral("Sent"));
    const auto recycled = tableRows(QStringLiteral("Recycled"));
    MailboxCommands commands(context());

    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    commands.MoveItems(*lvwSent, *lvwOutbox);
    EXPECT_EQ(dialogs().last().text, mainwindow::StaleListMessage(QStringLiteral("Sent")));
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
    EXPECT_EQ(tableRows(QStringLiteral("Sent")), sent);
    EXPECT_EQ(count(QStringLiteral("Outbox")), 0);
    EXPECT_EQ(history().last(), mainwindow::StaleListHistory(QStringLiteral("Sent"), QStringLiteral("Move")));
    EXPECT_EQ(refreshed, std::vector<controls::ListView *>({lvwSent.get()}));
    EXPECT_EQ(usedColumn(*lvwSent), QStringList({"u4", "u1", "u3", "u5"}));

    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    commands.DeleteItems(*lvwRecycled);
    EXPECT_EQ(dialogs().last().text, mainwindow::StaleListMessage(QStringLiteral("Recycled")));
    EXPECT_EQ(tableRows(QStringLiteral("Recycled")), recycled);
    EXPECT_EQ(history().last(), mainwindow::StaleListHistory(QStringLiteral("Recycled"), QStringLiteral("Delete")));
    EXPECT_TRUE(seen->empty()) << "no row was handled";
}

// A selected row removed while the walk yields after its first row: the
// command fails on that row and rolls back, so the row it had already moved
// is back in Sent and nothing stands in the Outbox.
TEST_F(MailboxMoveTest, SelectedRowRemovedDuringTheWalkRollsTheWholeMoveBack)
{
    addRows(QStringLiteral("Sent"));
    sortByPartner(*lvwSent);
    select(*lvwSent, {1, 4});
    bool removed = false;
    vb::setDoEventsObserver([&] {
        if (!removed) {
            removed = true;
            deleteBehind(QStringLiteral("Sent"), QStringLiteral("u3")); // list row 4
        }
    });
    MailboxCommands commands(context());
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    commands.MoveItems(*lvwSent, *lvwOutbox);
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_EQ(count(QStringLiteral("Outbox")), 0);
    EXPECT_TRUE(usedOf(QStringLiteral("Sent")).contains(QStringLiteral("u2")));
    EXPECT_TRUE(refreshed.empty());
}

// A failure between a row's copy and its delete (here: the database refuses
// the delete of the second row) leaves both tables as they were.
TEST_F(MailboxMoveTest, FailureBetweenCopyAndDeleteLeavesBothTablesAsTheyWere)
{
    addRows(QStringLiteral("Sent"));
    addMailboxRow(QStringLiteral("Outbox"), QStringLiteral("o1"), {{"Used", QStringLiteral("o1")}});
    sortByPartner(*lvwSent);
    select(*lvwSent, {2, 4});
    const auto sent = tableRows(QStringLiteral("Sent"));
    const auto outbox = tableRows(QStringLiteral("Outbox"));
    modGlobal::cnDatabase->Execute(QStringLiteral(
        "CREATE TRIGGER refuse_delete BEFORE DELETE ON Sent WHEN old.Used = 'u3' "
        "BEGIN SELECT RAISE(ABORT, 'delete refused by test'); END"));

    MailboxCommands commands(context());
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    commands.MoveItems(*lvwSent, *lvwOutbox);

    EXPECT_EQ(dialogs().last().icon, vb::vbCritical); // ReportError
    EXPECT_TRUE(dialogs().last().text.contains(QStringLiteral("delete refused by test")))
        << dialogs().last().text.toStdString();
    EXPECT_EQ(tableRows(QStringLiteral("Sent")), sent);
    EXPECT_EQ(tableRows(QStringLiteral("Outbox")), outbox);
    EXPECT_TRUE(history().last().contains(QStringLiteral(" delete refused by test"))) << "the Error entry";
    EXPECT_FALSE(history().contains(QStringLiteral("2 Sent Item(s) moved to the Outbox")));
    EXPECT_TRUE(refreshed.empty());
    EXPECT_EQ(statusBar->panelText(3), QString());
    EXPECT_EQ(progress->value(), 0);
}

} // namespace
} // namespace mailboxtest
