// Windows open inside the available screen area: the plain arithmetic over a
// table of screens and stored placements, and a real window placed by it.
#include "controls/ScreenPlacement.h"

#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using controls::centredOnScreen;
using controls::fitOnScreen;

namespace {

struct FitCase {
    const char *what;
    QRect available;
    QRect wanted;
    QMargins frame;
    QRect expected;
};

const QMargins kNoFrame;
const QMargins kTitleBar(4, 28, 4, 4);

const FitCase kFitCases[] = {
    {"fits as it is", QRect(0, 0, 1280, 1024), QRect(100, 80, 960, 720), kNoFrame, QRect(100, 80, 960, 720)},
    {"main window saved at 1280x1000 on 1024x768", QRect(0, 0, 1024, 768), QRect(0, 0, 1280, 1000), kNoFrame,
     QRect(0, 0, 1024, 768)},
    {"map designer 960x768 on 1024x768 with a title bar", QRect(0, 0, 1024, 768), QRect(32, 0, 960, 768),
     kTitleBar, QRect(32, 28, 960, 736)},
    {"below the bottom edge of 1280x1024", QRect(0, 0, 1280, 1024), QRect(300, 156, 900, 1000), kTitleBar,
     QRect(300, 28, 900, 992)},
    {"opens below the visible area of a 768 px screen", QRect(0, 0, 1024, 768), QRect(150, 800, 640, 500), kNoFrame,
     QRect(150, 268, 640, 500)},
    {"left of and above the screen", QRect(0, 0, 1024, 768), QRect(-400, -90, 640, 480), kTitleBar,
     QRect(4, 28, 640, 480)},
    {"a panel at the bottom", QRect(0, 0, 1024, 728), QRect(0, 100, 800, 700), kNoFrame, QRect(0, 28, 800, 700)},
    {"a panel at the top", QRect(0, 40, 1280, 984), QRect(10, 0, 640, 480), kNoFrame, QRect(10, 40, 640, 480)},
    {"second screen right of the first", QRect(1280, 0, 1024, 768), QRect(2000, 500, 900, 700), kNoFrame,
     QRect(1404, 68, 900, 700)},
    {"wider and taller than a 800x600 screen", QRect(0, 0, 800, 600), QRect(50, 50, 1200, 900), kTitleBar,
     QRect(4, 28, 792, 568)},
    {"a window of no size keeps one pixel", QRect(0, 0, 1024, 768), QRect(10, 10, 0, 0), kNoFrame,
     QRect(10, 10, 1, 1)},
};

class FitOnScreen : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitOnScreen, LiesInsideTheAvailableArea)
{
    const FitCase &c = GetParam();
    const QRect placed = fitOnScreen(c.wanted, c.available, c.frame);
    EXPECT_EQ(placed, c.expected);
    const QRect outer = placed.marginsAdded(c.frame);
    EXPECT_TRUE(c.available.contains(outer)) << "the framed window leaves the area";
}

INSTANTIATE_TEST_SUITE_P(Screens, FitOnScreen, ::testing::ValuesIn(kFitCases),
                         [](const ::testing::TestParamInfo<FitCase> &info) { return std::to_string(info.index); });

TEST(CentredOnScreen, CentresThenFits)
{
    EXPECT_EQ(centredOnScreen(QSize(640, 480), QRect(0, 0, 1280, 1024), kNoFrame), QRect(320, 272, 640, 480));
    EXPECT_EQ(centredOnScreen(QSize(640, 480), QRect(0, 0, 1280, 1024), kTitleBar), QRect(320, 284, 640, 480));
    EXPECT_EQ(centredOnScreen(QSize(900, 900), QRect(0, 0, 1024, 768), kTitleBar), QRect(62, 28, 900, 736));
    EXPECT_EQ(centredOnScreen(QSize(640, 480), QRect(1280, 0, 1024, 768), kNoFrame), QRect(1472, 144, 640, 480));
}

// A real top-level window: centred when first placed, fitted at a wanted
// place, its own place kept (fitted) when shown again, never below its minimum.
TEST(PlaceOnScreen, ARealWindow)
{
    const QRect area(0, 0, 1024, 768);
    QWidget window;
    // Not drawn yet: where the window system draws frames, one is assumed.
    const QMargins frame = controls::windowFrame(&window);
    EXPECT_EQ(frame, controls::platformDrawsFrames() ? controls::assumedFrame() : QMargins());
    window.resize(900, 900);
    controls::placeOnScreen(&window, std::nullopt, area);
    EXPECT_EQ(window.geometry(), centredOnScreen(QSize(900, 900), area, frame));
    EXPECT_TRUE(area.contains(window.geometry().marginsAdded(frame)));

    controls::placeOnScreen(&window, QRect(500, 600, 640, 480), area);
    EXPECT_EQ(window.geometry(), fitOnScreen(QRect(500, 600, 640, 480), area, frame));
    EXPECT_EQ(window.geometry().size(), QSize(640, 480));

    window.setGeometry(20, 30, 300, 200); // where the user left it
    controls::placeOnScreen(&window, std::nullopt, area);
    EXPECT_EQ(window.geometry(), fitOnScreen(QRect(20, 30, 300, 200), area, frame));

    window.setMinimumSize(700, 600);
    controls::placeOnScreen(&window, QRect(0, 0, 1280, 1000), QRect(0, 0, 640, 480));
    EXPECT_EQ(window.geometry(), QRect(frame.left(), frame.top(), 700, 600));

    // Shown, the window stays where it was placed.
    window.setMinimumSize(0, 0);
    controls::placeOnScreen(&window, QRect(40, 50, 500, 400), area);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 5000)) << "not shown within 5 s";
    EXPECT_EQ(window.geometry(), QRect(40, 50, 500, 400));
}

// A frame the window system has not drawn yet is taken as a title bar and
// borders, so that a window fitted before it is shown keeps its title bar on
// the screen; a platform that draws no frames adds none.
TEST(WindowFrame, AFrameNotYetDrawnIsAssumed)
{
    QWidget window;
    EXPECT_EQ(controls::windowFrame(&window, true), controls::assumedFrame());
    EXPECT_EQ(controls::windowFrame(&window, false), QMargins());
    const QMargins assumed = controls::assumedFrame();
    EXPECT_GT(assumed.top(), assumed.bottom()) << "room for a title bar";
    // The main window stored at 1280 x 1000 opens on 1024 x 768 with its frame inside.
    const QRect area(0, 0, 1024, 768);
    const QRect placed = fitOnScreen(QRect(0, 0, 1280, 1000), area, assumed);
    EXPECT_TRUE(area.contains(placed.marginsAdded(assumed)));
    EXPECT_EQ(placed.topLeft(), QPoint(assumed.left(), assumed.top()));
    EXPECT_EQ(controls::platformDrawsFrames(), QGuiApplication::platformName() != QLatin1String("offscreen"));
}

TEST(AvailableScreenArea, AFixedScreenLiesAtTheOrigin)
{
    EXPECT_EQ(controls::availableScreenArea({}, 15360, 11520), QRect(0, 0, 1024, 768));
    const QRect real = controls::availableScreenArea();
    EXPECT_GT(real.width(), 0);
    EXPECT_GT(real.height(), 0);
}

} // namespace
