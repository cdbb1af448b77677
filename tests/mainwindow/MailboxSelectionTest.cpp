// IsSelectionUnique, MakeUniqueSelection, Select All, Mark as Closed and the
// sort commands.

#include "MailboxTestSupport.h"

#include "TestEnvironment.h"

#include "mainwindow/LockStepWalk.h"
#include "vb/Dialogs.h"

using corvantis::test::dialogs;
using mainwindow::MailboxCommands;

namespace mailboxtest {
namespace {

struct KeyRow {
    const char *partner;
    const char *transaction;
    const char *version;
    const char *direction; // nullptr: no value
};

Row keyRow(const KeyRow &k)
{
    return {{"Partner", QString::fromLatin1(k.partner)},
            {"Transaction", QString::fromLatin1(k.transaction)},
            {"Version", QString::fromLatin1(k.version)},
            {"Direction", k.direction ? QString::fromLatin1(k.direction) : QStringLiteral("<Null>")}};
}

class MailboxSelectionTest : public MailboxTest {
protected:
    // The rows in list order (the list is in stored order: sorted by Used).
    void addInbox(const std::vector<KeyRow> &rows)
    {
        int i = 0;
        for (const KeyRow &k : rows) {
            Row values = keyRow(k);
            values["Used"] = QStringLiteral("u%1").arg(++i);
            addMailboxRow(QStringLiteral("Inbox"), QString::number(i), values);
        }
        lvwInbox->setSortKey(0); // Acknowledged: all "No", ties in stored order
        fill(*lvwInbox);
    }
};

struct UniqueCase {
    const char *name;
    std::vector<KeyRow> rows;
    std::vector<int> selected;
    const char *expected;
    const char *warning; // the box's text, nullptr for none
    int icon = vb::vbExclamation;
};

class IsSelectionUniqueTest : public MailboxSelectionTest, public ::testing::WithParamInterface<UniqueCase> {};

TEST_P(IsSelectionUniqueTest, ReturnsTheKeyOrWarns)
{
    const UniqueCase &c = GetParam();
    addInbox(c.rows);
    if (!c.rows.empty()) {
        select(*lvwInbox, {});
        for (int row : c.selected)
            lvwInbox->setItemSelected(row, true);
    }
    if (c.warning)
        dialogs().answer(vb::vbOK);
    MailboxCommands commands(context());
    EXPECT_EQ(commands.IsSelectionUnique(*lvwInbox), QString::fromLatin1(c.expected));
    if (c.warning) {
        ASSERT_EQ(boxCount(), 1u);
        EXPECT_EQ(dialogs().last().text, QString::fromLatin1(c.warning));
        EXPECT_EQ(dialogs().last().icon, c.icon);
        EXPECT_EQ(dialogs().last().buttons, vb::vbOKOnly);
    } else {
        EXPECT_EQ(boxCount(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsSelectionUniqueTest,
    ::testing::Values(
        UniqueCase{"OneRow", {{"ACME", "830", "004010", "I"}, {"ZED", "862", "003020", "I"}}, {2},
                   "ZED,862,003020,I", nullptr},
        UniqueCase{"SameKey",
                   {{"ACME", "830", "004010", "I"}, {"ZED", "862", "003020", "I"}, {"ACME", "830", "004010", "I"}},
                   {1, 3}, "ACME,830,004010,I", nullptr},
        UniqueCase{"DifferentDirection", {{"ACME", "830", "004010", "I"}, {"ACME", "830", "004010", "O"}}, {1, 2},
                   "", "Unique selection is required!\r\n\r\nPartner + Transaction + Version\r\nACME_830_004010"},
        UniqueCase{"LetterCaseCounts", {{"ACME", "830", "004010", "I"}, {"Acme", "830", "004010", "I"}}, {1, 2},
                   "", "Unique selection is required!\r\n\r\nPartner + Transaction + Version\r\nACME_830_004010"},
        // The first row's empty partner does not switch the comparison off.
        UniqueCase{"EmptyPartnerFirst", {{"", "830", "004010", "I"}, {"ACME", "862", "003020", "O"}}, {1, 2},
                   "", "Unique selection is required!\r\n\r\nPartner + Transaction + Version\r\n_830_004010"},
        UniqueCase{"CurrentRowButNoneSelected", {{"ACME", "830", "004010", "I"}}, {}, ",,,", nullptr},
        UniqueCase{"EmptyTable", {}, {}, "", nullptr},
        UniqueCase{"NoValueInDirection", {{"ACME", "830", "004010", nullptr}}, {1}, "", "Invalid use of Null",
                   vb::vbCritical}),
    [](const ::testing::TestParamInfo<UniqueCase> &info) { return std::string(info.param.name); });

struct MakeCase {
    const char *name;
    std::vector<KeyRow> rows;
    KeyRow key;
    bool expected;
    std::vector<int> selected;
};

class MakeUniqueSelectionTest : public MailboxSelectionTest, public ::testing::WithParamInterface<MakeCase> {};

TEST_P(MakeUniqueSelectionTest, SelectsExactlyTheRowsOfTheKey)
{
    const MakeCase &c = GetParam();
    addInbox(c.rows);
    if (!c.rows.empty())
        select(*lvwInbox, {1, static_cast<int>(c.rows.size())}); // an earlier selection is replaced
    MailboxCommands commands(context());
    EXPECT_EQ(commands.MakeUniqueSelection(*lvwInbox, QString::fromLatin1(c.key.partner),
                                           QString::fromLatin1(c.key.transaction),
                                           QString::fromLatin1(c.key.version), QString::fromLatin1(c.key.direction)),
              c.expected);
    EXPECT_EQ(selectedRows(*lvwInbox), c.selected);
    EXPECT_EQ(boxCount(), 0u) << "unattended callers get no box";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeUniqueSelectionTest,
    ::testing::Values(
        MakeCase{"TwoRowsOfTheKey",
                 {{"ACME", "830", "004010", "I"}, {"ZED", "830", "004010", "I"}, {"ACME", "830", "004010", "I"}},
                 {"ACME", "830", "004010", "I"}, true, {1, 3}},
        MakeCase{"OneRow", {{"ACME", "830", "004010", "I"}}, {"ACME", "830", "004010", "I"}, true, {1}},
        MakeCase{"DirectionDecides", {{"ACME", "830", "004010", "I"}, {"ACME", "830", "004010", "O"}},
                 {"ACME", "830", "004010", "O"}, true, {2}},
        MakeCase{"LetterCaseCounts", {{"ACME", "830", "004010", "I"}}, {"acme", "830", "004010", "I"}, false, {}},
        MakeCase{"NoValueNeverEquals", {{"ACME", "830", "004010", nullptr}}, {"ACME", "830", "004010", ""}, false,
                 {}},
        MakeCase{"NoRowOfTheKey", {{"ACME", "830", "004010", "I"}, {"ZED", "830", "004010", "I"}},
                 {"ACME", "862", "004010", "I"}, false, {}},
        MakeCase{"EmptyTable", {}, {"ACME", "830", "004010", "I"}, false, {}}),
    [](const ::testing::TestParamInfo<MakeCase> &info) { return std::string(info.param.name); });

TEST_F(MailboxSelectionTest, MakeUniqueSelectionOnAStaleListRefillsAndSelectsTheRightRows)
{
    addInbox({{"ACME", "830", "004010", "I"}, {"ZED", "830", "004010", "I"}, {"ACME", "830", "004010", "I"}});
    deleteBehind(QStringLiteral("Inbox"), QStringLiteral("u2"));
    MailboxCommands commands(context());
    EXPECT_TRUE(commands.MakeUniqueSelection(*lvwInbox, "ACME", "830", "004010", "I"));
    EXPECT_EQ(lvwInbox->itemCount(), 2);
    EXPECT_EQ(selectedRows(*lvwInbox), std::vector<int>({1, 2}));
    EXPECT_EQ(boxCount(), 0u);
    EXPECT_EQ(history().last(), mainwindow::StaleListHistory(QStringLiteral("Inbox"), QStringLiteral("Selection")));
}

TEST_F(MailboxSelectionTest, SelectAllSelectsEveryRowOnlyWithACurrentRow)
{
    addInbox({{"A", "830", "1", "I"}, {"B", "830", "1", "I"}, {"C", "830", "1", "I"}});
    select(*lvwInbox, {2});
    MailboxCommands::SelectAllItems(*lvwInbox);
    EXPECT_EQ(selectedRows(*lvwInbox), std::vector<int>({1, 2, 3}));

    controls::ListView noCurrent;
    noCurrent.setMultiSelect(true);
    noCurrent.addColumnHeader(QStringLiteral("Partner"), QStringLiteral("Partner"), 1000);
    auto *a = new controls::ListItem(QStringLiteral("a"));
    auto *b = new controls::ListItem(QStringLiteral("b"));
    noCurrent.addTopLevelItem(a);
    noCurrent.addTopLevelItem(b);
    noCurrent.setCurrentItem(nullptr);
    noCurrent.clearSelection();
    ASSERT_EQ(noCurrent.selectedItem(), nullptr);
    MailboxCommands::SelectAllItems(noCurrent);
    EXPECT_EQ(noCurrent.selectedCount(), 0);
}

TEST_F(MailboxSelectionTest, MarkAsClosedChangesOnlyStatusOfTheSelectedRows)
{
    for (int i = 1; i <= 4; ++i)
        addMailboxRow(QStringLiteral("Outbox"), QString::number(i),
                      {{"Used", QStringLiteral("u%1").arg(i)}, {"Status", QStringLiteral("Error")},
                       {"Acknowledged", QStringLiteral("No")}});
    lvwOutbox->setSortKey(1);
    lvwOutbox->setSortOrder(1); // Partner descending: u4 u3 u2 u1
    fill(*lvwOutbox);
    const auto before = tableRows(QStringLiteral("Outbox"));
    select(*lvwOutbox, {2, 3});
    MailboxCommands commands(context());
    commands.SetStatus(*lvwOutbox, QStringLiteral("Closed"));

    auto expected = before;
    expected[1]["Status"] = QStringLiteral("Closed"); // u2
    expected[2]["Status"] = QStringLiteral("Closed"); // u3
    EXPECT_EQ(tableRows(QStringLiteral("Outbox")), expected);
    EXPECT_EQ(refreshed, std::vector<controls::ListView *>({lvwOutbox.get()}));
    EXPECT_EQ(boxCount(), 0u);
    EXPECT_TRUE(history().isEmpty());
}

TEST_F(MailboxSelectionTest, SortCommandsRefillOnlyWhenTheStateChanges)
{
    for (const char *p : {"B", "C", "A"})
        addMailboxRow(QStringLiteral("Sent"), QString::fromLatin1(p),
                      {{"Partner", QString::fromLatin1(p)}, {"Used", QString::fromLatin1(p)},
                       {"Transaction", QString::fromLatin1(p) == QLatin1String("A") ? "862" : "830"}});
    lvwSent->setSortKey(1);
    fill(*lvwSent);
    MailboxCommands commands(context());

    commands.SortAscending(*lvwSent);
    commands.SortByColumn(*lvwSent, 1);
    EXPECT_TRUE(refreshed.empty());

    commands.SortDescending(*lvwSent);
    EXPECT_EQ(lvwSent->sortOrder(), 1);
    EXPECT_EQ(usedColumn(*lvwSent), QStringList({"C", "B", "A"}));
    commands.SortDescending(*lvwSent);
    EXPECT_EQ(refreshed.size(), 1u);

    commands.SortByColumn(*lvwSent, 2); // Transaction, still descending
    EXPECT_EQ(lvwSent->sortKey(), 2);
    EXPECT_EQ(lvwSent->sortOrder(), 1);
    EXPECT_EQ(usedColumn(*lvwSent), QStringList({"A", "B", "C"}));

    commands.SortAscending(*lvwSent);
    EXPECT_EQ(lvwSent->sortOrder(), 0);
    EXPECT_EQ(usedColumn(*lvwSent), QStringList({"B", "C", "A"}));
    EXPECT_EQ(refreshed.size(), 3u);
    EXPECT_EQ(boxCount(), 0u);
}

} // namespace
} // namespace mailboxtest
