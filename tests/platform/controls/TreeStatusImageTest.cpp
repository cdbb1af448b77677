// Tree view nodes, status bar panels, image list keys and the progress bar.
#include "controls/ImageList.h"
#include "controls/ProgressBar.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"
#include "vb/VbError.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace controls;

namespace {
QIcon solid(Qt::GlobalColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}
int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const vb::VbError &e) {
        return e.number;
    }
    return 0;
}
} // namespace

TEST(ImageListTest, KeysPositionsAndErrors)
{
    ImageList images;
    EXPECT_EQ(images.add({}, solid(Qt::black)), 1);
    EXPECT_EQ(images.add(QStringLiteral("Info"), solid(Qt::blue)), 2);
    EXPECT_EQ(images.indexOf(QStringLiteral("Info")), 2);
    EXPECT_EQ(images.indexOf(QStringLiteral("info")), 0); // keys compare exactly
    EXPECT_EQ(images.key(2), QStringLiteral("Info"));
    EXPECT_EQ(errorOf([&] { images.add(QStringLiteral("Info"), solid(Qt::red)); }), 35602);
    EXPECT_EQ(errorOf([&] { images.icon(QStringLiteral("Nope")); }), 35601);
    EXPECT_EQ(errorOf([&] { images.icon(3); }), 35600);
    EXPECT_FALSE(images.icon(1).isNull());
}

TEST(TreeViewTest, KeyedNodesInCreationOrder)
{
    ImageList images;
    images.add(QStringLiteral("X"), solid(Qt::black));
    TreeView tree;
    tree.setImageList(&images);
    EXPECT_EQ(tree.addNode({}, QStringLiteral("Top"), QStringLiteral("Corvantis"), QStringLiteral("X")), 1);
    EXPECT_EQ(tree.addNode(QStringLiteral("Top"), QStringLiteral("Root"), QStringLiteral("Folders")), 2);
    EXPECT_EQ(tree.addNode(QStringLiteral("Root"), QStringLiteral("Inbox"), QStringLiteral("Inbox")), 3);
    EXPECT_EQ(tree.addNode(QStringLiteral("Top"), QStringLiteral("History"), QStringLiteral("History")), 4);
    EXPECT_EQ(tree.nodeCount(), 4);
    EXPECT_EQ(tree.nodeIndex(QStringLiteral("History")), 4);
    EXPECT_EQ(tree.parentIndex(4), 1);
    EXPECT_EQ(tree.parentIndex(3), 2);
    EXPECT_EQ(tree.parentIndex(1), 0);
    // The last child of Top comes after Root's subtree.
    EXPECT_EQ(tree.nodeItem(1)->child(1), tree.nodeItem(4));
    tree.setNodeText(3, QStringLiteral("Inbox (2)"));
    EXPECT_EQ(tree.nodeText(3), QStringLiteral("Inbox (2)"));
    EXPECT_EQ(tree.nodeImageKey(1), QStringLiteral("X"));
    EXPECT_EQ(errorOf([&] { tree.addNode({}, QStringLiteral("Top"), QStringLiteral("again")); }), 35602);
    EXPECT_EQ(errorOf([&] { tree.addNode(QStringLiteral("Nope"), QStringLiteral("k"), QStringLiteral("t")); }), 35601);
    EXPECT_EQ(errorOf([&] { tree.addNode({}, QStringLiteral("k"), QStringLiteral("t"), QStringLiteral("Nope")); }), 35601);
    EXPECT_EQ(errorOf([&] { tree.nodeText(9); }), 35600);
}

TEST(TreeViewTest, ClicksAndUserCollapseAreSignalledProgrammaticExpansionIsNot)
{
    TreeView tree;
    tree.addNode({}, QStringLiteral("Top"), QStringLiteral("Corvantis"));
    tree.addNode(QStringLiteral("Top"), QStringLiteral("Root"), QStringLiteral("Folders"));
    tree.addNode(QStringLiteral("Root"), QStringLiteral("Inbox"), QStringLiteral("Inbox"));
    tree.resize(300, 300);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QSignalSpy collapses(&tree, &TreeView::Collapse);
    QSignalSpy clicks(&tree, &TreeView::NodeClick);
    tree.setExpanded(1, true);
    tree.setExpanded(2, true);
    tree.setExpanded(2, false);
    tree.setExpanded(2, true);
    EXPECT_EQ(collapses.count(), 0);
    EXPECT_TRUE(tree.isExpanded(2));

    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(tree.nodeItem(3)).center());
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), 3);
    EXPECT_EQ(tree.selectedNode(), 3);

    tree.collapseItem(tree.nodeItem(2)); // as a click on the expander does
    ASSERT_EQ(collapses.count(), 1);
    EXPECT_EQ(collapses[0][0].toInt(), 2);
}

TEST(StatusBarTest, PanelsWithTextsAndWidths)
{
    StatusBar bar;
    bar.resize(600, 20);
    EXPECT_EQ(bar.addPanel(1500, true), 1);
    EXPECT_EQ(bar.addPanel(3000), 2);
    EXPECT_EQ(bar.addPanel(1500), 3);
    bar.setPanelText(1, QStringLiteral("3 item(s) "));
    EXPECT_EQ(bar.panelText(1), QStringLiteral("3 item(s) "));
    EXPECT_EQ(bar.panelWidthTwips(2), 3000);
    // The spring takes what the fixed panels leave: 600 - 200 - 100 pixels.
    EXPECT_EQ(bar.panelWidthTwips(1), 300 * 15);
    EXPECT_EQ(bar.panelLeftTwips(2), 300 * 15);
    bar.setPanelWidthTwips(2, 1500);
    EXPECT_EQ(bar.panelWidthTwips(1), 400 * 15);
    EXPECT_EQ(errorOf([&] { bar.setPanelText(4, {}); }), 35600);
}

TEST(ProgressBarTest, RangeAndValue)
{
    ProgressBar bar;
    bar.setMax(40);
    bar.setValue(10);
    EXPECT_EQ(bar.max(), 40);
    EXPECT_EQ(bar.value(), 10);
    EXPECT_EQ(errorOf([&] { bar.setValue(41); }), 380);
    EXPECT_EQ(errorOf([&] { bar.setMax(0); }), 380);
    EXPECT_EQ(bar.value(), 10);
}
