// Edit > Selection Filter: rows equal to the last selected row in the columns
// switched on in section Filter join the selection; columns are found by the
// field they show.

#include "core/SettingsSections.h"
#include "MailboxTestSupport.h"

#include "TestEnvironment.h"

#include "mainwindow/SelectionFilter.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

using corvantis::test::dialogs;

namespace mailboxtest {
namespace {

class SelectionFilterTest : public MailboxTest {
protected:
    // A list that shows the given fields (after the Acknowledged column) with
    // one row per entry of `rows`, values in the order of `fields`.
    void build(const QStringList &fields, const std::vector<QStringList> &rows)
    {
        list.setMultiSelect(true);
        list.setTag(QStringLiteral("Inbox"));
        list.addColumnHeader(QStringLiteral("Acknowledged"), QString(), 270);
        for (const QString &f : fields)
            list.addColumnHeader(f, f, 1000);
        QList<controls::ListItem *> items;
        for (const QStringList &values : rows) {
            auto *item = new controls::ListItem();
            for (int i = 0; i < values.size(); ++i)
                item->setSubItem(i + 1, values[i]);
            items.push_back(item);
        }
        list.addItems(items);
    }

    void switches(const std::map<QString, QString> &values)
    {
        for (const auto &[key, value] : values)
            vb::SaveSetting(QStringLiteral("Corvantis"), QStringLiteral("Filter"), key, value);
    }

    void allOff()
    {
        for (const auto &s : sections::filterSwitches())
            vb::SaveSetting(QStringLiteral("Corvantis"), QStringLiteral("Filter"), QString::fromLatin1(s.key),
                            QStringLiteral("False"));
    }

    controls::ListView list;
};

const QStringList kDefaultFields = {"Partner", "Transaction", "Version", "Date", "Time"};

const std::vector<QStringList> kRows = {
    {"ACME", "830", "004010", "12/1/2026", "10:00:00 AM"},
    {"ACME", "830", "004010", "12/1/2026", "10:00:00 AM"},
    {"ZED", "862", "003020", "12/2/2026", "11:00:00 AM"},
    {"ZED", "862", "003020", "12/2/2026", "11:00:00 AM"},
    {"ZED", "862", "003020", "12/2/2026", "12:00:00 PM"},
};

TEST_F(SelectionFilterTest, AllSwitchesOffSelectsEveryRow)
{
    build(kDefaultFields, kRows);
    allOff();
    select(list, {3});
    mainwindow::SelectionFilter(list);
    EXPECT_EQ(selectedRows(list), std::vector<int>({1, 2, 3, 4, 5}));
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(SelectionFilterTest, DefaultSwitchesAddTheRowsEqualToTheLastSelectedRow)
{
    build(kDefaultFields, kRows);
    select(list, {1, 3}); // two partners: the later row is the reference
    mainwindow::SelectionFilter(list);
    EXPECT_EQ(selectedRows(list), std::vector<int>({1, 3, 4}));
}

TEST_F(SelectionFilterTest, OnlyTheSwitchedOnColumnsCount)
{
    build(kDefaultFields, kRows);
    allOff();
    switches({{"Partner", "True"}, {"Version", "1"}});
    select(list, {5});
    mainwindow::SelectionFilter(list);
    EXPECT_EQ(selectedRows(list), std::vector<int>({3, 4, 5}));
}

// Transaction is not shown: Version must still be compared with Version, not
// with the column that now stands at its usual place (Date).
TEST_F(SelectionFilterTest, HiddenColumnBeforeASwitchedOnOneDoesNotShiftTheComparison)
{
    build({"Partner", "Version", "Date", "Time"}, {
                                                      {"ACME", "004010", "12/1/2026", "10:00:00 AM"},
                                                      {"ZED", "004010", "12/9/2026", "10:00:00 AM"},
                                                      {"ACME", "003020", "12/1/2026", "10:00:00 AM"},
                                                  });
    allOff();
    switches({{"Version", "True"}});
    select(list, {1});
    mainwindow::SelectionFilter(list);
    EXPECT_EQ(selectedRows(list), std::vector<int>({1, 2}));
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(SelectionFilterTest, SwitchedOnColumnNotShownGivesTheMessageAndKeepsTheSelection)
{
    build(kDefaultFields, kRows);
    switches({{"Used", "True"}});
    select(list, {2});
    dialogs().answer(vb::vbOK);
    mainwindow::SelectionFilter(list);
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Selection Filter includes a column that is not visible."));
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
    EXPECT_EQ(dialogs().last().buttons, vb::vbOKOnly);
    EXPECT_EQ(dialogs().last().caption, QStringLiteral("Corvantis"));
    EXPECT_EQ(selectedRows(list), std::vector<int>({2}));
}

TEST_F(SelectionFilterTest, ASwitchThatIsNoTruthValueIsReported)
{
    build(kDefaultFields, kRows);
    switches({{"Date", "perhaps"}});
    select(list, {2});
    dialogs().answer(vb::vbOK);
    mainwindow::SelectionFilter(list);
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_TRUE(history().last().startsWith(QStringLiteral("13 "))) << history().last().toStdString();
    EXPECT_EQ(selectedRows(list), std::vector<int>({2}));
}

TEST_F(SelectionFilterTest, NoCurrentRowDoesNothing)
{
    build(kDefaultFields, kRows);
    allOff(); // would select every row if the filter ran
    list.setCurrentItem(nullptr);
    list.clearSelection();
    ASSERT_EQ(list.selectedItem(), nullptr);
    mainwindow::SelectionFilter(list);
    EXPECT_EQ(list.selectedCount(), 0);
    EXPECT_EQ(boxCount(), 0u);
}

} // namespace
} // namespace mailboxtest
