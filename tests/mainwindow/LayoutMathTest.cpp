// The layout arithmetic of the main window, in twips.
#include "mainwindow/LayoutMath.h"

#include <gtest/gtest.h>

using namespace mainwindow;

TEST(LayoutMathTest, RoundsHalfToEven)
{
    const struct { double in; long out; } cases[] = {
        {1442.5, 1442}, {1443.5, 1444}, {1500.5, 1500}, {1501.5, 1502}, {721.25, 721},
        {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {0, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(roundHalfEven(c.in), c.out) << c.in;
}

TEST(LayoutMathTest, DefaultsFromTheScreen)
{
    EXPECT_EQ(mainDefaults(19200, 14400), (MainDefaults{14400, 10800, 2400, 1800, 3600, 5400}));
    // 0.75 x 12345 = 9258.75 -> 9259; (12345 - 9259) / 2 = 1543; 9259 / 4 = 2314.75 -> 2315.
    const MainDefaults odd = mainDefaults(12345, 9000);
    EXPECT_EQ(odd.DW, 9259);
    EXPECT_EQ(odd.DL, 1543);
    EXPECT_EQ(odd.DV, 2315);
    EXPECT_EQ(odd.DS, 3375);
}

TEST(LayoutMathTest, ColumnDefaultWidths)
{
    EXPECT_EQ(mailboxColumnDefaultWidth(8655), 721);  // 721.25
    EXPECT_EQ(layoutDefaultWidth(8655, 6), 1442);     // 1442.5, halves to even
    EXPECT_EQ(layoutDefaultWidth(8655, 7), 1236);     // 1236.43
    EXPECT_EQ(layoutDefaultWidth(8655, 0), 0);
    EXPECT_EQ(mailboxColumnDefaultWidth(8670), 722);  // 722.5 -> 722
}

TEST(LayoutMathTest, SplitterReleaseLimits)
{
    const struct { double at, size, vertical, horizontal; } cases[] = {
        // released at, client size, vertical bar lands, horizontal bar lands
        {300, 15000, 1000, 2400},
        {1500, 15000, 1500, 2400},
        {5000, 15000, 5000, 5000},
        {14000, 15000, 14000, 12600},
        {14500, 15000, 14000, 12600},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(limitVSplitRelease(c.at, c.size), c.vertical) << c.at;
        EXPECT_EQ(limitHSplitRelease(c.at, c.size), c.horizontal) << c.at;
    }
}

namespace {
LayoutInput standardInput()
{
    LayoutInput in;
    in.windowWidth = 14400;
    in.windowHeight = 10800;
    in.SW = 14280;
    in.SH = 10110;
    in.toolbarHeight = 840;
    in.captionHeight = 480;
    in.statusBarHeight = 300;
    in.statusBarTop = 9810;
    in.previewVisible = true;
    in.V = 3600;
    in.H = 5400;
    in.picFolderWidth = 480;
    in.panel1Width = 9000;
    in.panel2Width = 3000;
    return in;
}
} // namespace

TEST(LayoutMathTest, LayoutPassPlacesEveryPane)
{
    const LayoutResult out = layoutPass(standardInput());
    ASSERT_EQ(out.action, LayoutResult::Action::Laid);
    EXPECT_EQ(out.paneTop, 1320);              // FB + TB
    EXPECT_EQ(out.paneHeight, 10110 - 480 - 300 - 840);
    EXPECT_EQ(out.captionLeft, 480);
    EXPECT_EQ(out.captionWidth, 14280 - 480);
    // RW = SW - (V + 100); PH = SH - SB - H; LH = SH - PH - FB - SB - TB - 100.
    const double RW = 14280 - 3700, PH = 10110 - 300 - 5400, LH = 10110 - PH - 480 - 300 - 840 - 100;
    EXPECT_EQ(out.tree, (TwipsRect{0, 1420, 3600, out.paneHeight - 100}));
    EXPECT_EQ(out.list, (TwipsRect{3700, 1420, RW, LH}));
    EXPECT_EQ(out.list.top + out.list.height, 5400); // the list ends on the splitter
    EXPECT_EQ(out.message, (TwipsRect{3800, 1320 + LH / 2, RW - 100, 285}));
    EXPECT_EQ(out.vSplit, (TwipsRect{3600, 1420, 100, out.paneHeight - 100}));
    EXPECT_EQ(out.tab, (TwipsRect{3700, 5500, RW - 100, PH - 100}));
    EXPECT_EQ(out.tab.top + out.tab.height, 9810); // the preview meets the status bar
    EXPECT_EQ(out.rtf, (TwipsRect{100, 100, RW - 300, PH - 600}));
    EXPECT_EQ(out.hSplit, (TwipsRect{3700, 5400, 14400 - 500, 100}));
    EXPECT_EQ(out.progress, (TwipsRect{9060, 9850, 2960, 240}));
    EXPECT_TRUE(out.hSplitVisible);
    EXPECT_TRUE(out.folderBarVisible);
    EXPECT_TRUE(out.statusBarVisible);
}

TEST(LayoutMathTest, LayoutPassFollowsTheSwitches)
{
    struct Case {
        const char *name;
        bool folderBar, statusBar, preview;
        double paneTop, listHeight, tabTop;
    };
    const double SH = 10110, TB = 840, FB = 480, SB = 300, H = 5400;
    const Case cases[] = {
        {"all shown", true, true, true, TB + FB, H - (TB + FB) - 100, H + 100},
        // Without the folder bar the panes start higher and grow; the preview keeps its place.
        {"no folder bar", false, true, true, TB, H - TB - 100, H + 100},
        {"no status bar", true, false, true, TB + FB, H - (TB + FB) - 100, H + 100},
        // Without the preview the list runs down to the status bar.
        {"no preview", true, true, false, TB + FB, SH - FB - SB - TB - 100, 0},
        {"nothing", false, false, false, TB, SH - TB - 100, 0},
    };
    for (const Case &c : cases) {
        LayoutInput in = standardInput();
        in.folderBarChecked = c.folderBar;
        in.statusBarChecked = c.statusBar;
        in.previewVisible = c.preview;
        const LayoutResult out = layoutPass(in);
        EXPECT_EQ(out.paneTop, c.paneTop) << c.name;
        EXPECT_EQ(out.list.height, c.listHeight) << c.name;
        EXPECT_EQ(out.tab.top, c.tabTop) << c.name;
        EXPECT_EQ(out.folderBarVisible, c.folderBar) << c.name;
        EXPECT_EQ(out.statusBarVisible, c.statusBar) << c.name;
        EXPECT_EQ(out.hSplitVisible, c.preview) << c.name;
        if (!c.preview) {
            EXPECT_EQ(out.welcome, out.list) << c.name;
        } else {
            const double SBshown = c.statusBar ? SB : 0;
            EXPECT_EQ(out.tab.top + out.tab.height, SH - SBshown) << c.name;
        }
    }
}

TEST(LayoutMathTest, LayoutPassLimitsAndMinimumSize)
{
    LayoutInput in = standardInput();
    in.H = 9500; // less than 1000 above the bottom
    in.V = 14000;
    LayoutResult out = layoutPass(in);
    EXPECT_EQ(out.H, in.SH - 1000);
    EXPECT_EQ(out.V, in.SW - 1000);
    EXPECT_EQ(out.hSplit.top, in.SH - 1000);

    in = standardInput();
    in.V = -500; // no lower limit in the pass
    EXPECT_EQ(layoutPass(in).V, -500);

    in = standardInput();
    in.windowHeight = 5000;
    in.windowWidth = 5000;
    out = layoutPass(in);
    EXPECT_EQ(out.action, LayoutResult::Action::SetHeight);
    EXPECT_EQ(out.newWindowHeight, 6000);
    in.windowHeight = 6000;
    out = layoutPass(in);
    EXPECT_EQ(out.action, LayoutResult::Action::SetWidth);
    EXPECT_EQ(out.newWindowWidth, 6000);

    in = standardInput();
    in.minimized = true;
    in.windowHeight = 100;
    EXPECT_EQ(layoutPass(in).action, LayoutResult::Action::None);
}

TEST(LayoutMathTest, StoredValuesAreReadOrRefused)
{
    EXPECT_EQ(readWholeNumber(QStringLiteral("1500.5")), 1500L);
    EXPECT_EQ(readWholeNumber(QStringLiteral("1501.5")), 1502L);
    EXPECT_EQ(readWholeNumber(QStringLiteral(" 270 ")), 270L);
    EXPECT_EQ(readWholeNumber(QStringLiteral("-40")), -40L);
    EXPECT_FALSE(readWholeNumber(QStringLiteral("wide")));
    EXPECT_FALSE(readWholeNumber(QString()));
    EXPECT_FALSE(readWholeNumber(QStringLiteral("1e12")));
    EXPECT_EQ(readTruthValue(QStringLiteral("True")), true);
    EXPECT_EQ(readTruthValue(QStringLiteral("false")), false);
    EXPECT_EQ(readTruthValue(QStringLiteral("0")), false);
    EXPECT_EQ(readTruthValue(QStringLiteral("-1")), true);
    EXPECT_FALSE(readTruthValue(QStringLiteral("Yes")));
    EXPECT_EQ(readInteger16(QStringLiteral("3")), 3);
    EXPECT_FALSE(readInteger16(QStringLiteral("40000")));
    EXPECT_FALSE(readInteger16(QStringLiteral("x")));
}
