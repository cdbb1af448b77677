// How a record becomes a list row, and which row is current after a fill.
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "mainwindow/Icons.h"
#include "mainwindow/ListColumns.h"
#include "vb/VbError.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace mainwindow;

namespace {

vb::Variant mailboxField(const char *name)
{
    const QString field = QString::fromLatin1(name);
    if (field == QLatin1String("Status"))
        return vb::Variant(QStringLiteral("Validated "));
    if (field == QLatin1String("Acknowledged"))
        return vb::Variant(QStringLiteral(" Yes"));
    return vb::Variant(field + QStringLiteral("-value"));
}

struct Expected {
    QString first, second;
    RowSpec row;
};

// The rule written out independently: one cell per switched-on column, the
// Acknowledged image in its column, the Status image at the first data column.
Expected expectedRow(const ColumnSwitches &on)
{
    Expected e;
    QStringList keys;
    for (int i = 0; i < kMailboxColumnCount; ++i)
        if (on[i])
            keys << QString::fromLatin1(mailboxColumns()[i].field);
    e.first = keys.value(0);
    e.second = keys.value(1);
    for (int k = 0; k < keys.size(); ++k) {
        if (keys[k] == QLatin1String("Acknowledged")) {
            e.row.push_back({QString(), QStringLiteral("Yes")});
            continue;
        }
        const bool statusHere = (k == 0) || (k == 1 && on[0]);
        e.row.push_back({keys[k] + QStringLiteral("-value"), statusHere ? QStringLiteral("Validated") : QString()});
    }
    return e;
}

// Bit i of the mask switches column i on.
ColumnSwitches switchesOf(int mask)
{
    ColumnSwitches on{};
    for (int i = 0; i < kMailboxColumnCount; ++i)
        on[i] = (mask >> i) & 1;
    return on;
}

} // namespace

TEST(ListRulesTest, MailboxRowForEveryCombinationOfVisibleColumns)
{
    const auto images = makeListIcons();
    for (int mask = 1; mask < (1 << kMailboxColumnCount); ++mask) {
        const ColumnSwitches on = switchesOf(mask);
        const Expected e = expectedRow(on);
        const RowSpec row = mailboxRow(on, e.first, e.second, mailboxField, *images);
        ASSERT_EQ(row, e.row) << "columns mask " << mask;
    }
}

TEST(ListRulesTest, NamedCases)
{
    const auto images = makeListIcons();
    ColumnSwitches on{};
    // Acknowledged off, Partner and Transaction on: the partner carries the Status image.
    on[1] = on[2] = true;
    RowSpec row = mailboxRow(on, QStringLiteral("Partner"), QStringLiteral("Transaction"), mailboxField, *images);
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[0], (CellSpec{QStringLiteral("Partner-value"), QStringLiteral("Validated")}));
    EXPECT_EQ(row[1], (CellSpec{QStringLiteral("Transaction-value"), QString()}));
    // Acknowledged on, Partner off, Transaction on.
    on = {};
    on[0] = on[2] = true;
    row = mailboxRow(on, QStringLiteral("Acknowledged"), QStringLiteral("Transaction"), mailboxField, *images);
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[0], (CellSpec{QString(), QStringLiteral("Yes")}));
    EXPECT_EQ(row[1], (CellSpec{QStringLiteral("Transaction-value"), QStringLiteral("Validated")}));
    // Only Acknowledged: no Status image anywhere.
    on = {};
    on[0] = true;
    row = mailboxRow(on, QStringLiteral("Acknowledged"), QString(), mailboxField, *images);
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0].iconKey, QStringLiteral("Yes"));
}

TEST(ListRulesTest, ColumnsThatDoNotMatchTheSwitchesStartNoRow)
{
    const auto images = makeListIcons();
    ColumnSwitches on = defaultColumnSwitches();
    try {
        mailboxRow(on, QStringLiteral("Transaction"), QStringLiteral("Version"), mailboxField, *images);
        FAIL() << "a row without its first column";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 91);
    }
}

TEST(ListRulesTest, ValuesOutsideTheImagesShowTheErrorImage)
{
    const auto images = makeListIcons();
    const struct { vb::Variant value; const char *key; } cases[] = {
        {vb::Variant(QStringLiteral("Closed")), "Closed"},
        {vb::Variant(QStringLiteral("  Opened  ")), "Opened"},
        {vb::Variant(QStringLiteral("Exported")), "Exported"},
        {vb::Variant(QStringLiteral("closed")), "Error"}, // keys compare exactly
        {vb::Variant(QStringLiteral("Archived")), "Error"},
        {vb::Variant(QString()), "Error"},
        {vb::Variant::null(), "Error"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(imageKeyFor(c.value, *images), QString::fromLatin1(c.key)) << cellText(c.value).toStdString();
}

TEST(ListRulesTest, LogRowShowsTypeImageAndFields)
{
    const auto images = makeListIcons();
    auto field = [](const char *name) -> vb::Variant {
        const QString f = QString::fromLatin1(name);
        if (f == QLatin1String("Type"))
            return vb::Variant(QStringLiteral("Warning "));
        if (f == QLatin1String("Index"))
            return vb::Variant::fromLong(42);
        if (f == QLatin1String("User"))
            return vb::Variant::null();
        return vb::Variant(f + QStringLiteral("!"));
    };
    const RowSpec row = logRow(field, *images);
    const RowSpec expected{{QStringLiteral("Warning"), QStringLiteral("Warning")},
                           {QStringLiteral("42"), {}},
                           {QStringLiteral("Date!"), {}},
                           {QStringLiteral("Time!"), {}},
                           {QString(), {}},
                           {QStringLiteral("Description!"), {}}};
    EXPECT_EQ(row, expected);
}

// The selection after a refill follows the rows (their rowids), wherever the
// new order puts them; a row that is gone selects nothing in its place.
TEST(ListRulesTest, SelectionRestoreAfterARefill)
{
    const auto images = makeListIcons();
    const struct Case {
        const char *what;
        QList<qint64> before;       // rowids in list order before the refill
        QList<qint64> selected;     // selected before
        qint64 current;             // current before (0: none)
        QList<qint64> after;        // rowids in list order after
        QList<int> selectedAfter;   // positions selected after
        int currentAfter;           // position current after
    } cases[] = {
        {"re-sorted: the same rows", {1, 2, 3, 4}, {2, 4}, 4, {4, 3, 2, 1}, {1, 3}, 1},
        {"a row moved to the end", {10, 20, 30}, {20}, 20, {10, 30, 20}, {3}, 3},
        {"a selected row is gone", {1, 2, 3, 4}, {2, 3}, 3, {1, 2, 4}, {2}, 2},
        {"every selected row is gone", {1, 2, 3, 4}, {2, 3}, 3, {1, 4}, {}, 2},
        {"the current row is unselected", {1, 2, 3}, {1}, 3, {3, 2, 1}, {3}, 1},
        {"rows added around", {5, 6}, {6}, 6, {1, 5, 2, 6, 3}, {4}, 4},
        {"no current row before: row 1", {}, {}, 0, {7, 8}, {1}, 1},
        {"an empty list stays so", {1, 2}, {1}, 1, {}, {}, 0},
    };
    const auto makeList = [&](controls::ListView &list, const QList<qint64> &rowids) {
        list.clearItems();
        QList<controls::ListItem *> items;
        for (qint64 rowid : rowids)
            items.push_back(makeItem({{QStringLiteral("P%1").arg(rowid), QStringLiteral("Closed")}}, rowid, *images));
        list.addItems(items);
    };
    for (const Case &c : cases) {
        controls::ListView list;
        list.setImageList(images.get());
        list.addColumnHeader(QStringLiteral("Partner"), QStringLiteral("Partner"), 1000);
        list.setMultiSelect(true);
        makeList(list, c.before);
        QList<int> positions;
        int current = 0;
        for (int i = 1; i <= list.itemCount(); ++i) {
            if (c.selected.contains(list.item(i)->rowid()))
                positions << i;
            if (list.item(i)->rowid() == c.current)
                current = i;
        }
        list.setSelection(positions, current);
        const SelectionMemory kept = rememberSelection(list);
        makeList(list, c.after);
        restoreSelection(list, kept);
        QList<int> selectedAfter;
        for (int i = 1; i <= list.itemCount(); ++i)
            if (list.isItemSelected(i))
                selectedAfter << i;
        EXPECT_EQ(selectedAfter, c.selectedAfter) << c.what;
        EXPECT_EQ(list.selectedItemIndex(), c.currentAfter) << c.what;
    }
}

TEST(ListRulesTest, ItemsKeepTheirRowidAndImageKeys)
{
    const auto images = makeListIcons();
    std::unique_ptr<controls::ListItem> item(makeItem(
        {{QString(), QStringLiteral("Void")}, {QStringLiteral("ACME"), QStringLiteral("Error")}, {QStringLiteral("830"), {}}},
        77, *images));
    EXPECT_EQ(item->rowid(), 77);
    EXPECT_EQ(item->iconKey(0), QStringLiteral("Void"));
    EXPECT_EQ(item->subItem(1), QStringLiteral("ACME"));
    EXPECT_EQ(item->iconKey(1), QStringLiteral("Error"));
    EXPECT_EQ(item->iconKey(2), QString());
}

namespace {

// Records in the order a fill meets them: values repeat from one row to the
// next, images repeat and change, fields are Null.
struct Record {
    const char *partner, *transaction, *status, *acknowledged;
    bool nullDate;
};
const Record kRecords[] = {
    {"ACME", "830", "Closed", "Yes", false},
    {"ACME", "830", "Closed", "Yes", false},
    {"ACME", "850", "Archived", " No", true},
    {"BETA", "850", "  Opened ", "", false},
    {"ACME", "830", nullptr, nullptr, true},
    {"ACME", "830", "Closed", "Yes", false},
};

vb::Variant recordField(const Record &r, const char *name)
{
    const auto text = [](const char *value) { return value ? vb::Variant(QString::fromLatin1(value)) : vb::Variant::null(); };
    const QString field = QString::fromLatin1(name);
    if (field == QLatin1String("Partner"))
        return text(r.partner);
    if (field == QLatin1String("Transaction"))
        return text(r.transaction);
    if (field == QLatin1String("Status"))
        return text(r.status);
    if (field == QLatin1String("Acknowledged"))
        return text(r.acknowledged);
    if (field == QLatin1String("Date"))
        return r.nullDate ? vb::Variant::null() : vb::Variant(QStringLiteral("12/1/2026"));
    if (field == QLatin1String("GroupControlNumber"))
        return vb::Variant(int32_t(42)); // a number shows in decimal
    return vb::Variant(field + QStringLiteral("-value"));
}

} // namespace

TEST(ListRulesTest, TheFillsItemsAreTheRuleRowsForEveryColumnCombination)
{
    const auto images = makeListIcons();
    for (int mask = 0; mask < (1 << kMailboxColumnCount); ++mask) {
        const ColumnSwitches on = switchesOf(mask);
        const Expected e = expectedRow(on);
        // The list's columns as built from the switches, and columns that no
        // longer match them (the switches changed since the columns were made).
        const QString keyPairs[][2] = {{e.first, e.second},
                                       {QStringLiteral("Partner"), QStringLiteral("Transaction")},
                                       {QStringLiteral("Transaction"), QStringLiteral("Acknowledged")}};
        for (const auto &keys : keyPairs) {
            const MailboxRowPlan plan = planMailboxRow(on, keys[0], keys[1]);
            MailboxItemMaker maker(plan, *images);
            qint64 rowid = 0;
            for (const Record &r : kRecords) {
                ++rowid;
                const auto context = [&] {
                    return "mask " + std::to_string(mask) + " keys " + keys[0].toStdString() + "/"
                        + keys[1].toStdString() + " row " + std::to_string(rowid);
                };
                std::vector<vb::Variant> values;
                for (const char *name : plan.fields)
                    values.push_back(recordField(r, name));
                std::unique_ptr<controls::ListItem> expected;
                try {
                    const FieldReader field = [&](const char *name) { return recordField(r, name); };
                    expected.reset(makeItem(mailboxRow(on, keys[0], keys[1], field, *images), rowid, *images));
                } catch (const vb::VbError &error) {
                    ASSERT_EQ(error.number, 91) << context();
                    try {
                        delete maker.make(values.data(), rowid);
                        FAIL() << "the fill made a row the rule does not start: " << context();
                    } catch (const vb::VbError &again) {
                        EXPECT_EQ(again.number, 91) << context();
                    }
                    continue;
                }
                const std::unique_ptr<controls::ListItem> made(maker.make(values.data(), rowid));
                ASSERT_EQ(made->rowid(), rowid) << context();
                for (int column = 0; column <= kMailboxColumnCount; ++column) {
                    ASSERT_EQ(made->QTreeWidgetItem::text(column), expected->QTreeWidgetItem::text(column))
                        << context() << " column " << column;
                    ASSERT_EQ(made->iconKey(column), expected->iconKey(column)) << context() << " column " << column;
                    const QString key = made->iconKey(column);
                    if (key.isEmpty())
                        ASSERT_TRUE(made->icon(column).isNull()) << context() << " column " << column;
                    else
                        ASSERT_EQ(made->icon(column).cacheKey(), images->icon(key).cacheKey())
                            << context() << " column " << column;
                }
            }
        }
    }
}
