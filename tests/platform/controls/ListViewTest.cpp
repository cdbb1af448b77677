// The list view as the main window's lists use it: keyed columns with twips
// widths, rows that keep their database rowid, the current row apart from
// the selected flags, and header images.
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "vb/VbError.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using controls::ImageList;
using controls::ListItem;
using controls::ListView;

namespace {

QIcon solid(Qt::GlobalColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

struct ListViewTest : ::testing::Test {
    ListViewTest()
    {
        images.add({}, solid(Qt::black));
        images.add({}, solid(Qt::gray));
        images.add(QStringLiteral("Closed"), solid(Qt::blue));
        images.add(QStringLiteral("Void"), solid(Qt::red));
        list.setImageList(&images);
        list.setTag(QStringLiteral("Inbox"));
        list.resize(600, 300);
    }
    void fill(int rows)
    {
        QList<ListItem *> items;
        for (int i = 1; i <= rows; ++i) {
            auto *row = new ListItem(QStringLiteral("P%1").arg(i));
            row->setSubItem(1, QStringLiteral("T%1").arg(i));
            row->setRowid(100 + i);
            items.push_back(row);
        }
        list.addItems(items);
    }
    ImageList images;
    ListView list;
};

} // namespace

TEST_F(ListViewTest, ColumnsKeepKeysTextsAndExactTwips)
{
    list.addColumnHeader(QStringLiteral("Acknowledged"), QString(), 270, QStringLiteral("Void"));
    list.addColumnHeader(QStringLiteral("Partner"), QStringLiteral("Partner"), 1442);
    list.addColumnHeader(QStringLiteral("Transaction"), QStringLiteral("Transaction"), 721);
    ASSERT_EQ(list.columnHeaderCount(), 3);
    EXPECT_EQ(list.columnKey(1), QStringLiteral("Acknowledged"));
    EXPECT_EQ(list.columnText(2), QStringLiteral("Partner"));
    // A width survives the pixel grid unchanged until the user drags the column.
    EXPECT_EQ(list.columnWidthTwips(2), 1442);
    EXPECT_EQ(list.columnWidth(1), 96);
    EXPECT_EQ(list.columnPosition(QStringLiteral("Transaction")), 3);
    EXPECT_EQ(list.columnPosition(QStringLiteral("Missing")), 0);
    list.setColumnWidthTwips(1, 1500);
    EXPECT_EQ(list.columnWidthTwips(1), 1500);
    EXPECT_EQ(list.columnWidth(0), 100);
    // A drag (a resize not made through the twips setter) is read back in twips.
    list.header()->resizeSection(2, 50);
    EXPECT_EQ(list.columnWidthTwips(3), 750);
    list.clearColumnHeaders();
    EXPECT_EQ(list.columnHeaderCount(), 0);
    EXPECT_THROW(list.columnKey(1), vb::VbError);
}

TEST_F(ListViewTest, UnknownImageKeysAreRefused)
{
    EXPECT_THROW(list.addColumnHeader(QStringLiteral("A"), QString(), 270, QStringLiteral("Nope")), vb::VbError);
    auto *row = new ListItem;
    try {
        list.setItemIcon(row, 0, QStringLiteral("Nope"));
        FAIL() << "no error for an unknown image key";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 35601);
    }
    list.setItemIcon(row, 0, QStringLiteral("Closed"));
    EXPECT_EQ(row->iconKey(0), QStringLiteral("Closed"));
    delete row;
    EXPECT_THROW(list.addItem(QStringLiteral("x"), QStringLiteral("Nope")), vb::VbError);
    EXPECT_EQ(list.itemCount(), 0);
}

TEST_F(ListViewTest, EveryFillOfAnEmptyListMakesRowOneCurrentAndSelected)
{
    list.addColumnHeader(QStringLiteral("Partner"), QStringLiteral("Partner"), 1000);
    list.addColumnHeader(QStringLiteral("Transaction"), QStringLiteral("Transaction"), 1000);
    EXPECT_EQ(list.selectedItemIndex(), 0);
    fill(5);
    EXPECT_EQ(list.itemCount(), 5);
    EXPECT_EQ(list.selectedItemIndex(), 1);
    EXPECT_TRUE(list.isItemSelected(1));
    EXPECT_EQ(list.selectedCount(), 1);
    EXPECT_EQ(list.item(3)->text(), QStringLiteral("P3"));
    EXPECT_EQ(list.item(3)->subItem(1), QStringLiteral("T3"));
    EXPECT_EQ(list.item(3)->rowid(), 103);
    EXPECT_EQ(list.indexOfItem(list.item(4)), 4);

    // Adding to a list that has rows keeps the current row.
    list.setSelectedItem(3);
    fill(2);
    EXPECT_EQ(list.selectedItemIndex(), 3);

    list.clearItems();
    EXPECT_EQ(list.selectedItemIndex(), 0);
    list.addItem(QStringLiteral("only"), QStringLiteral("Closed"));
    EXPECT_EQ(list.selectedItemIndex(), 1);
    EXPECT_TRUE(list.isItemSelected(1));
    EXPECT_EQ(list.item(1)->iconKey(0), QStringLiteral("Closed"));
}

TEST_F(ListViewTest, SelectedFlagsAreApartFromTheCurrentRow)
{
    list.addColumnHeader(QStringLiteral("Partner"), QStringLiteral("Partner"), 1000);
    list.setMultiSelect(true);
    fill(6);
    list.setItemSelected(4, true);
    list.setItemSelected(1, false);
    EXPECT_EQ(list.selectedItemIndex(), 1);
    EXPECT_FALSE(list.isItemSelected(1));
    EXPECT_TRUE(list.isItemSelected(4));
    EXPECT_EQ(list.selectedCount(), 1);
    list.setSelectedItem(6);
    EXPECT_EQ(list.selectedItemIndex(), 6);
    EXPECT_EQ(list.selectedCount(), 1);
    EXPECT_THROW(list.item(7), vb::VbError);
    EXPECT_THROW(list.item(0), vb::VbError);
}

TEST_F(ListViewTest, HeaderImagesAreKeptPerColumn)
{
    list.addColumnHeader(QStringLiteral("Type"), QStringLiteral("Type"), 1000);
    list.addColumnHeader(QStringLiteral("Index"), QStringLiteral("Index"), 1000);
    EXPECT_EQ(list.headerImage(0), -1);
    list.showHeaderImage(1, 1, true);
    EXPECT_EQ(list.headerImage(1), 1);
    list.showHeaderImage(1, 0, false);
    EXPECT_EQ(list.headerImage(1), -1);
    EXPECT_THROW(list.showHeaderImage(2, 0, true), vb::VbError);
    list.sortKey();
    list.setSortKey(1);
    list.setSortOrder(1);
    EXPECT_EQ(list.sortKey(), 1);
    EXPECT_EQ(list.sortOrder(), 1);
}

TEST_F(ListViewTest, EventsCarryClassicCodesAndPositions)
{
    list.addColumnHeader(QStringLiteral("Partner"), QStringLiteral("Partner"), 3000);
    list.addColumnHeader(QStringLiteral("Transaction"), QStringLiteral("Transaction"), 3000);
    fill(3);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

    QSignalSpy keys(&list, &ListView::KeyDown);
    QTest::keyClick(&list, Qt::Key_Delete, Qt::ShiftModifier);
    QTest::keyClick(&list, Qt::Key_F5);
    // The Shift key itself comes first, as the classic KeyDown reported it.
    ASSERT_EQ(keys.count(), 3);
    EXPECT_EQ(keys[0][0].toInt(), 16);
    EXPECT_EQ(keys[1][0].toInt(), 46);
    EXPECT_EQ(keys[1][1].toInt(), 1);
    EXPECT_EQ(keys[2][0].toInt(), 116);
    EXPECT_EQ(keys[2][1].toInt(), 0);

    QSignalSpy clicks(&list, &ListView::ItemClick);
    QTest::keyClick(&list, Qt::Key_Down);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), 2);

    QSignalSpy downs(&list, &ListView::MouseDown);
    const QRect third = list.visualItemRect(list.item(3));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, third.center());
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs[0][0].toInt(), 1);
    EXPECT_EQ(downs[0][3].toInt(), third.center().y() * 15);
    EXPECT_EQ(list.selectedItemIndex(), 3);
    EXPECT_EQ(clicks.last()[0].toInt(), 3);

    QSignalSpy columns(&list, &ListView::ColumnClick);
    const int x = list.header()->sectionViewportPosition(1) + 10;
    QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    ASSERT_EQ(columns.count(), 1);
    EXPECT_EQ(columns[0][0].toInt(), 1);
    // The list never reorders its rows on a header click.
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("P1"));
}

TEST_F(ListViewTest, AnItemKeepsItsTextsAndImagesHoweverTheyAreSet)
{
    // Every way a text or an image reaches an item, before and after the
    // item is in the list: what is read back, and what the view is told.
    struct Step {
        const char *what;
        std::function<void(ListItem &)> set;
        int column;
        QString text;    // expected text of the column afterwards
        QString iconKey; // expected image key afterwards
    };
    const std::vector<Step> steps{
        {"text of column 0", [](ListItem &i) { i.setText(QStringLiteral("P1")); }, 0, QStringLiteral("P1"), {}},
        {"a sub-item past the last text", [](ListItem &i) { i.setSubItem(3, QStringLiteral("T3")); }, 3,
         QStringLiteral("T3"), {}},
        {"the gap it leaves", [](ListItem &) {}, 2, QString(), {}},
        {"an edit", [](ListItem &i) { i.setData(1, Qt::EditRole, QStringLiteral("E1")); }, 1, QStringLiteral("E1"), {}},
        {"a number", [](ListItem &i) { i.setData(2, Qt::DisplayRole, 42); }, 2, QStringLiteral("42"), {}},
        {"an image", [this](ListItem &i) { list.setItemIcon(&i, 1, QStringLiteral("Closed")); }, 1,
         QStringLiteral("E1"), QStringLiteral("Closed")},
        {"another image in its place", [this](ListItem &i) { list.setItemIcon(&i, 1, QStringLiteral("Void")); }, 1,
         QStringLiteral("E1"), QStringLiteral("Void")},
        {"an image without a key", [](ListItem &i) { i.QTreeWidgetItem::setIcon(4, solid(Qt::green)); }, 4, QString(),
         QString()},
    };
    for (const char *key : {"A", "B", "C", "D", "E"})
        list.addColumnHeader(QString::fromLatin1(key), QString::fromLatin1(key), 1000);
    for (const bool added : {false, true}) {
        list.clearItems();
        auto *item = new ListItem;
        if (added)
            list.addItems({item});
        QSignalSpy changed(list.model(), &QAbstractItemModel::dataChanged);
        for (const Step &step : steps) {
            const int before = changed.count();
            step.set(*item);
            EXPECT_EQ(item->QTreeWidgetItem::text(step.column), step.text) << step.what << " added " << added;
            EXPECT_EQ(item->iconKey(step.column), step.iconKey) << step.what << " added " << added;
            if (added && std::string(step.what) != "the gap it leaves") {
                EXPECT_GT(changed.count(), before) << step.what << ": the view was not told";
            }
        }
        EXPECT_FALSE(item->icon(4).isNull());
        EXPECT_EQ(item->icon(1).cacheKey(), images.icon(QStringLiteral("Void")).cacheKey());
        // Roles other than texts and images stay with the item too.
        item->setToolTip(0, QStringLiteral("tip"));
        EXPECT_EQ(item->toolTip(0), QStringLiteral("tip"));
        EXPECT_EQ(item->text(), QStringLiteral("P1"));
        if (added) {
            // The view reads the same texts and images.
            const QModelIndex cell = list.model()->index(0, 1);
            EXPECT_EQ(cell.data(Qt::DisplayRole).toString(), QStringLiteral("E1"));
            EXPECT_EQ(qvariant_cast<QIcon>(cell.data(Qt::DecorationRole)).cacheKey(),
                      images.icon(QStringLiteral("Void")).cacheKey());
            // Setting the text it has already tells nobody.
            const int before = changed.count();
            item->setSubItem(1, QStringLiteral("E1"));
            EXPECT_EQ(changed.count(), before);
        } else {
            delete item;
        }
    }
    // All texts at once.
    std::unique_ptr<ListItem> row(new ListItem(QStringList{QStringLiteral("A"), QString(), QStringLiteral("C")}));
    EXPECT_EQ(row->text(), QStringLiteral("A"));
    EXPECT_EQ(row->subItem(2), QStringLiteral("C"));
    EXPECT_EQ(row->subItem(5), QString());
}

TEST_F(ListViewTest, AListFilledWhileHiddenIsLaidOutWhenShown)
{
    list.addColumnHeader(QStringLiteral("Partner"), QStringLiteral("Partner"), 1000);
    list.addColumnHeader(QStringLiteral("Transaction"), QStringLiteral("Transaction"), 1000);
    list.hide();
    fill(2000);
    list.setSelectedItem(7);
    list.clearItems();
    EXPECT_EQ(list.selectedItemIndex(), 0);
    EXPECT_EQ(list.selectedCount(), 0);
    fill(3000);
    EXPECT_EQ(list.selectedItemIndex(), 1);
    EXPECT_EQ(list.selectedCount(), 1);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QRect first = list.visualItemRect(list.item(1));
    EXPECT_TRUE(list.viewport()->rect().contains(first)) << "row 1 is not laid out at the top";
    list.ensureItemVisible(3000);
    const QRect last = list.visualItemRect(list.item(3000));
    EXPECT_TRUE(list.viewport()->rect().intersects(last)) << "the last row cannot be scrolled into view";
    EXPECT_EQ(list.itemAt(last.center()), list.item(3000));
    // Cleared while shown, too.
    list.clearItems();
    EXPECT_EQ(list.selectedItemIndex(), 0);
    fill(3);
    EXPECT_EQ(list.selectedItemIndex(), 1);
    EXPECT_EQ(list.itemAt(list.visualItemRect(list.item(3)).center()), list.item(3));
}

// A cell whose column is too narrow for its text shows the whole text as
// its tool tip; a cell that shows all of its text has none.
TEST_F(ListViewTest, ACutCellShowsItsWholeTextAsToolTip)
{
    const QString longText = QStringLiteral("Error - Either BOF or EOF is True, or the current record has been deleted");
    list.addColumnHeader(QStringLiteral("Type"), QStringLiteral("Type"), 1500, {});
    list.addColumnHeader(QStringLiteral("Description"), QStringLiteral("Description"), 1442);
    auto *row = new ListItem(QStringList{QStringLiteral("Error"), longText});
    row->setImage(0, QStringLiteral("Closed"), images.icon(QStringLiteral("Closed")));
    list.addItems({row});
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QRect rowRect = list.visualItemRect(list.item(1));
    const auto cellCentre = [&](int column) {
        const int left = list.header()->sectionViewportPosition(column);
        return QPoint(left + list.header()->sectionSize(column) / 2, rowRect.center().y());
    };
    const struct Case {
        const char *what;
        int column;       // zero-based
        double widthTwips; // of that column
        bool cut;
    } cases[] = {
        {"description at 96 px", 1, 1442, true},
        {"description wide enough", 1, 15000, false},
        {"short text with its image", 0, 1500, false},
        {"image and text in a narrow column", 0, 300, true},
    };
    for (const Case &c : cases) {
        list.setColumnWidthTwips(c.column + 1, c.widthTwips);
        const QString whole = c.column == 0 ? QStringLiteral("Error") : longText;
        EXPECT_EQ(list.cutCellText(cellCentre(c.column)), c.cut ? whole : QString()) << c.what;
    }
    // Below the rows there is no cell.
    EXPECT_EQ(list.cutCellText(QPoint(5, rowRect.bottom() + 40)), QString());

    // The tool tip event shows it.
    list.setColumnWidthTwips(2, 1442);
    const QPoint at = cellCentre(1);
    QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list.viewport(), &help);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QToolTip::isVisible(); }, 5000)) << "no tool tip within 5 s";
    EXPECT_EQ(QToolTip::text(), longText);
    QToolTip::hideText();
}
