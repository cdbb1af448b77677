// The controls of the set-up windows: tab strip, drop-down list, masked
// edit, length-limited text box, script box and the tree view's sibling
// navigation, EnsureVisible and node-text dragging.
#include "controls/ComboList.h"
#include "controls/MaskedEdit.h"
#include "controls/ScriptBox.h"
#include "controls/TabStrip.h"
#include "controls/TextBox.h"
#include "controls/TimePicker.h"
#include "controls/TreeView.h"
#include "vb/VbError.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QMimeData>
#include <QSignalSpy>
#include <QTabBar>
#include <QTextBlock>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const vb::VbError &e) {
        return e.number;
    }
    return 0;
}

TEST(TabStripTest, ClickTellsTheTabLeftForUserAndCodeChanges)
{
    controls::TabStrip tabs;
    for (const char *caption : {"A", "B", "C"})
        tabs.addPage(new QWidget, QString::fromLatin1(caption));
    QSignalSpy clicks(&tabs, &controls::TabStrip::Click);
    EXPECT_EQ(tabs.tab(), 0);
    EXPECT_EQ(clicks.count(), 0); // adding the first page leaves nothing

    tabs.setTab(2);
    tabs.show();
    QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(1).center());
    tabs.setTab(1); // no change, no Click
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks[0][0].toInt(), 0);
    EXPECT_EQ(clicks[1][0].toInt(), 2);
    EXPECT_EQ(tabs.tab(), 1);
    EXPECT_EQ(errorOf([&] { tabs.setTab(3); }), 380);
    EXPECT_EQ(errorOf([&] { tabs.setTab(-1); }), 380);
}

TEST(TabStripTest, KeysTypedOnTheTabRowArriveAsCharacterCodes)
{
    controls::TabStrip tabs;
    tabs.addPage(new QWidget, "A");
    QSignalSpy keys(&tabs, &controls::TabStrip::KeyPress);
    QTest::keyClick(tabs.tabBar(), Qt::Key_P);
    QTest::keyClick(tabs.tabBar(), 'N');
    QTest::keyClick(tabs.tabBar(), Qt::Key_C, Qt::ControlModifier); // a shortcut, not a character
    ASSERT_EQ(keys.count(), 2);
    EXPECT_EQ(keys[0][0].toInt(), 'p');
    EXPECT_EQ(keys[1][0].toInt(), 'N');
}

TEST(ComboListTest, PositionRulesAndClickOnCodeChanges)
{
    controls::ComboList combo;
    combo.addItems({"No", "Yes"});
    QSignalSpy clicks(&combo, &controls::ComboList::Click);
    struct Case {
        int index;
        int error;
        int shown;
        const char *text;
        int clicks;
    } cases[] = {
        {1, 0, 1, "Yes", 1},
        {1, 0, 1, "Yes", 2},  // the same position again still clicks
        {-1, 0, -1, "", 2},   // no choice: no Click
        {0, 0, 0, "No", 3},
        {2, 380, 0, "No", 3}, // beyond the list
        {-2, 380, 0, "No", 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(errorOf([&] { combo.setListIndex(c.index); }), c.error);
        EXPECT_EQ(combo.listIndex(), c.shown);
        EXPECT_EQ(combo.text(), c.text);
        EXPECT_EQ(clicks.count(), c.clicks);
    }
    EXPECT_FALSE(combo.isEditable());
    controls::ComboList empty;
    EXPECT_EQ(errorOf([&] { empty.setListIndex(0); }), 380);
}

TEST(MaskedEditTest, TextKeepsTheClassicFormWithBlanks)
{
    controls::MaskedEdit box(9);
    struct Case {
        const char *set;
        int error;
        const char *text;
    } cases[] = {
        {"41", 0, "41       "},
        {"", 0, "         "},
        {"000000007", 0, "000000007"},
        {"1234567890", 380, "000000007"}, // longer than the mask
        {"12a", 380, "000000007"},
        {"-1", 380, "000000007"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.set);
        EXPECT_EQ(errorOf([&] { box.setText(QString::fromLatin1(c.set)); }), c.error);
        EXPECT_EQ(box.text(), c.text);
    }
    box.setText("");
    box.setFocus();
    box.setCursorPosition(0);
    QTest::keyClicks(&box, "12x3");
    EXPECT_EQ(box.text(), "123      "); // a letter is not taken
}

// A click on a field of the time picker, then digits: they replace the
// field, with or without a leading zero, as the classic picker takes them.
TEST(TimePickerTest, DigitsTypedAfterAClickReplaceTheField)
{
    struct Case {
        QTime start;
        const char *typed;
        QTime expected;
    } cases[] = {
        {QTime(7, 45), "03", QTime(3, 45)},   {QTime(7, 45), "3", QTime(3, 45)},
        {QTime(0, 0), "0345", QTime(3, 45)},  {QTime(15, 0), "03", QTime(15, 0)}, // 3 PM stays PM
        {QTime(11, 5), "12", QTime(0, 5)},    {QTime(11, 5), "1", QTime(1, 5)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        controls::TimePicker picker;
        picker.setDisplayFormat("h:mm AP");
        picker.setTime(c.start);
        picker.show();
        QTest::mouseClick(picker.findChild<QLineEdit *>(), Qt::LeftButton, {}, QPoint(3, picker.height() / 2));
        QTest::keyClicks(&picker, c.typed);
        EXPECT_EQ(picker.time(), c.expected) << picker.text().toStdString();
    }
}

// A click into the blank right half of the box, then digits: they land at the
// first free place, as if the caret had been put there by Home and End.
TEST(MaskedEditTest, AClickBehindTheDigitsTypesAtTheFirstFreePlace)
{
    struct Case {
        const char *before;
        const char *typed;
        const char *after;
    } cases[] = {
        {"", "2121", "2121 "},
        {"21", "21", "2121 "},
        {"12345", "6", "12345"}, // full: nothing more is taken
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.before);
        controls::MaskedEdit box(5);
        box.resize(200, 24);
        box.show();
        box.setText(QString::fromLatin1(c.before));
        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.width() - 8, box.height() / 2));
        QTest::keyClicks(&box, c.typed);
        EXPECT_EQ(box.text(), QString::fromLatin1(c.after));
    }
    // A click among the typed digits keeps its place.
    controls::MaskedEdit box(5);
    box.resize(200, 24);
    box.show();
    box.setText("123");
    box.setCursorPosition(3);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(2, box.height() / 2));
    EXPECT_EQ(box.cursorPosition(), 0);
}

TEST(TextBoxTest, MaximumLengthLimitsTypingOnlyNeverTextSetByCode)
{
    controls::TextBox box;
    box.setMaxLength(5);
    const QString stored = "ABCDEFGH";
    box.setText(stored);
    EXPECT_EQ(box.text(), stored); // shown whole, read back whole

    box.setCursorPosition(box.text().size());
    QTest::keyClicks(&box, "IJ");
    EXPECT_EQ(box.text(), stored); // no growth past the limit
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.text(), "ABCDEFG"); // shortening is fine

    box.setText("");
    QTest::keyClicks(&box, "1234567");
    EXPECT_EQ(box.text(), "12345");
    box.setCursorPosition(2);
    QTest::keyClicks(&box, "X");
    EXPECT_EQ(box.text(), "12345");
    EXPECT_EQ(box.cursorPosition(), 2);

    QApplication::clipboard()->setText("pasted");
    box.setText("ab");
    box.setCursorPosition(2);
    box.paste();
    EXPECT_EQ(box.text(), "ab"); // a paste past the limit is refused whole
    box.setMaxLength(0);
    box.paste();
    EXPECT_EQ(box.text(), "abpasted");
}

TEST(ScriptBoxTest, FixedPitchAndTabsInsertedForTabAndShiftTab)
{
    QWidget window;
    auto *box = new controls::ScriptBox(&window);
    auto *next = new QLineEdit(&window);
    box->resize(400, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 5000)) << "the window was never shown";
    // What the user sees: lines of narrow and wide letters end at the same
    // place, and a tab reaches as far as four blanks.
    const QFontMetricsF metrics(box->font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')))
        << QFontInfo(box->font()).family().toStdString();
    box->setPlainText("iiiiiiii\nWWWWWWWW\n\tx\n    x");
    const auto endOf = [&](int line, int column) {
        QTextCursor at(box->document()->findBlockByNumber(line));
        at.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
        return box->cursorRect(at).left();
    };
    EXPECT_EQ(endOf(0, 8), endOf(1, 8)) << QFontInfo(box->font()).family().toStdString();
    EXPECT_GT(endOf(1, 8), endOf(1, 0));
    EXPECT_EQ(endOf(2, 1), endOf(3, 4));
    box->clear();
    box->setFocus();
    QTest::keyClicks(box, "If x");
    QTest::keyClick(box, Qt::Key_Tab);
    QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClicks(box, "y");
    EXPECT_EQ(box->toPlainText(), "If x\t\ty");
    EXPECT_FALSE(next->hasFocus());
}

TEST(ScriptBoxTest, TextDroppedIsInsertedAtTheDropPointAsACopy)
{
    controls::ScriptBox box;
    box.resize(400, 200);
    box.setPlainText("AAAA\nBBBB");
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box, 5000)) << "the script box was never shown";
    QTextCursor second(box.document()->findBlockByNumber(1));
    second.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 2);
    const QPoint at = box.cursorRect(second).center();

    QMimeData data;
    data.setText("Record.Fields.Item(\"x\")");
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(box.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(box.viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(box.toPlainText(), "AAAA\nBBRecord.Fields.Item(\"x\")BB");

    QMimeData image;
    image.setImageData(QImage(4, 4, QImage::Format_RGB32));
    QDragEnterEvent refused(at, Qt::CopyAction, &image, Qt::LeftButton, {});
    QApplication::sendEvent(box.viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

struct DragTree : controls::TreeView {
    using controls::TreeView::mimeData;
};

TEST(TreeViewTest, SiblingsChildrenAndEnsureVisible)
{
    DragTree tree;
    tree.addNode({}, "Root1", "Root 1");
    tree.addNode("Root1", "A", "a");
    tree.addNode("Root1", "B", "b");
    tree.addNode("Root1", "C", "c");
    tree.addNode("B", "B1", "b1");
    tree.addNode({}, "Root2", "Root 2");
    const auto n = [&](const char *key) { return tree.nodeIndex(QString::fromLatin1(key)); };
    struct Case {
        const char *node, *first, *last, *next, *previous, *child;
        int children;
    } cases[] = {
        {"A", "A", "C", "B", nullptr, nullptr, 0},
        {"B", "A", "C", "C", "A", "B1", 1},
        {"C", "A", "C", nullptr, "B", nullptr, 0},
        {"B1", "B1", "B1", nullptr, nullptr, nullptr, 0},
        {"Root1", "Root1", "Root2", "Root2", nullptr, "A", 3},
        {"Root2", "Root1", "Root2", nullptr, "Root1", nullptr, 0},
    };
    auto idx = [&](const char *key) { return key ? n(key) : 0; };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.node);
        EXPECT_EQ(tree.firstSibling(n(c.node)), idx(c.first));
        EXPECT_EQ(tree.lastSibling(n(c.node)), idx(c.last));
        EXPECT_EQ(tree.nextSibling(n(c.node)), idx(c.next));
        EXPECT_EQ(tree.previousSibling(n(c.node)), idx(c.previous));
        EXPECT_EQ(tree.firstChild(n(c.node)), idx(c.child));
        EXPECT_EQ(tree.childCount(n(c.node)), c.children);
    }
    EXPECT_EQ(errorOf([&] { tree.nextSibling(99); }), 35600);

    QSignalSpy expands(&tree, &controls::TreeView::Expand);
    EXPECT_FALSE(tree.isExpanded(n("Root1")));
    tree.ensureVisible(n("B1"));
    EXPECT_TRUE(tree.isExpanded(n("Root1")));
    EXPECT_TRUE(tree.isExpanded(n("B")));
    EXPECT_EQ(expands.count(), 0);
}

TEST(TreeViewTest, DraggingANodeHandsOverItsTextOnlyWhenEnabled)
{
    DragTree tree;
    tree.addNode({}, "Functions", "Functions");
    tree.addNode("Functions", "Len", "Len(string)");
    QTreeWidgetItem *item = tree.nodeItem(2);
    EXPECT_EQ(tree.mimeData({item}), nullptr);
    tree.setNodeTextDrag(true);
    EXPECT_TRUE(tree.dragEnabled());
    std::unique_ptr<QMimeData> data(tree.mimeData({item}));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), "Len(string)");
    EXPECT_EQ(tree.defaultDropAction(), Qt::CopyAction);
}

} // namespace
