// The designer's layout rules and the settings they keep.
#include "mapeditor/MapLayout.h"

#include "vb/Settings.h"

#include <gtest/gtest.h>

using namespace mapeditor;

namespace {

MapLayoutInput window(double width, double height)
{
    MapLayoutInput in;
    in.windowWidth = width;
    in.windowHeight = height;
    in.scaleWidth = width - 120;
    in.scaleHeight = height - 600;
    in.VL = 5000;
    in.VC = 5000;
    in.VR = 9000;
    in.HT = 5000;
    return in;
}

} // namespace

TEST(MapLayout, TooSmallWindowsSpringBackHeightFirst)
{
    EXPECT_EQ(mapLayoutPass(window(5000, 8000)).action, MapLayoutResult::RaiseHeight);
    EXPECT_EQ(mapLayoutPass(window(5000, 9000)).action, MapLayoutResult::RaiseWidth);
    MapLayoutInput minimized = window(5000, 8000);
    minimized.minimized = true;
    EXPECT_EQ(mapLayoutPass(minimized).action, MapLayoutResult::Minimized);
}

TEST(MapLayout, PanesFillTheSpacesBetweenTheBars)
{
    const MapLayoutResult out = mapLayoutPass(window(14000, 10000));
    ASSERT_EQ(out.action, MapLayoutResult::Placed);
    EXPECT_EQ(*out.fraSegment, (LayoutRect{100, 0, 4900, 5000}));
    EXPECT_EQ(*out.tvwTSets, (LayoutRect{5100, 0, 3900, 5000}));
    EXPECT_EQ(*out.lvwTSets, (LayoutRect{9100, 0, 13880 - 4900 - 3900 - 400, 5000}));
    EXPECT_EQ(*out.sstControls, (LayoutRect{100, 5110, 13780, 9400 - 5000 - 200}));
    EXPECT_EQ(*out.tvwReference, (LayoutRect{90, 100, 4800, 4200 - 500}));
    EXPECT_EQ(*out.txtScript, (LayoutRect{5000, 100, 13780 - 4800 - 300, 3700}));
    EXPECT_EQ(*out.picVSplitLeft, (LayoutRect{5000, 0, 100, 5000}));
    EXPECT_EQ(*out.picVSplitRight, (LayoutRect{9000, 0, 100, 5000}));
    EXPECT_EQ(*out.picVSplitCenter, (LayoutRect{5000, 5210, 100, 3700}));
    EXPECT_EQ(*out.picHSplit, (LayoutRect{100, 5000, 13700, 100}));
}

TEST(MapLayout, ASmallerWindowPullsTheBarsButAppliesNoDragLimits)
{
    MapLayoutInput in = window(8000, 9000);
    in.VL = 7000;
    in.VC = 7500;
    in.VR = 9000;
    in.HT = 8000;
    const MapLayoutResult out = mapLayoutPass(in);
    EXPECT_EQ(out.HT, 8400 - 2000);
    EXPECT_EQ(out.VR, 7880 - 1000);
    EXPECT_EQ(out.VL, 6880 - 1000);
    EXPECT_EQ(out.VC, 5880);
    // A bar left of every drag limit stays where it is.
    in = window(14000, 10000);
    in.VL = 1200;
    EXPECT_EQ(mapLayoutPass(in).VL, 1200);
    // A negative size is refused: the control keeps its place.
    in.VL = 50;
    EXPECT_FALSE(mapLayoutPass(in).fraSegment.has_value());
}

TEST(MapLayout, DragLimits)
{
    EXPECT_EQ(limitLeftBarRelease(2000, 9000), 3500);
    EXPECT_EQ(limitLeftBarRelease(8500, 9000), 8000);
    EXPECT_EQ(limitLeftBarRelease(6000, 9000), 6000);
    EXPECT_EQ(limitRightBarRelease(13500, 14000, 5000), 13000);
    EXPECT_EQ(limitRightBarRelease(5500, 14000, 5000), 6000);
    EXPECT_EQ(limitHSplitBarRelease(3000, 9000), 4300);
    EXPECT_EQ(limitHSplitBarRelease(8000, 9000), 7000);
}

TEST(MapLayout, DefaultsAndTheSettingsRoundTrip)
{
    const MapLayoutValues d = mapLayoutDefaults(19200, 14400, 12600, 9000);
    EXPECT_EQ(*d.width, 14400);
    EXPECT_EQ(*d.height, 10800);
    EXPECT_EQ(*d.left, 2400);
    EXPECT_EQ(*d.top, 1800);
    EXPECT_EQ(*d.vSplitLeft, 6300);
    EXPECT_EQ(*d.vSplitRight, 9450);
    EXPECT_EQ(*d.hSplit, 6750);

    MapLayoutValues v = d;
    v.top = 300;
    v.vSplitCenter = 4321;
    saveMapLayout(v);
    MapLayoutValues r = readMapLayout(d);
    EXPECT_EQ(*r.top, 300);
    EXPECT_EQ(*r.vSplitCenter, 4321);
    EXPECT_EQ(r.state, 0);

    // Maximized: the state and the bars, the placement stays as stored.
    v.state = 2;
    v.top = 999;
    v.hSplit = 5000;
    saveMapLayout(v);
    r = readMapLayout(d);
    EXPECT_EQ(r.state, 2);
    EXPECT_EQ(*r.top, 300);
    EXPECT_EQ(*r.hSplit, 5000);

    vb::SaveSetting("Corvantis", "Map", "Left", "abc");
    EXPECT_FALSE(readMapLayout(d).left.has_value());
}

// Bars a drag can leave are restored; bars that squeeze a pane below what a
// drag leaves it (as a window shrunk to its minimum pulled them) are not.
TEST(MapLayout, ALayoutThatSqueezesAPaneIsNotRestored)
{
    const struct {
        const char *what;
        MapBars bars;
        bool hides;
    } cases[] = {
        {"the defaults of a 12600 twips window", {6300, 6300, 9450, 6750}, false},
        {"every bar at its drag limit", {3500, 3500, 4600, 4300}, false},
        {"pulled in by the smallest window", {4000, 4000, 5000, 6000}, true},
        {"segment pane narrower than a drag leaves it", {3000, 6300, 9450, 6750}, true},
        {"reference narrower than a drag leaves it", {6300, 3400, 9450, 6750}, true},
        {"the upper panes too low", {6300, 6300, 9450, 4000}, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(barsHideAPane(c.bars), c.hides) << c.what;
}
