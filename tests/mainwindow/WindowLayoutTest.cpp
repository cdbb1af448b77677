// The main window's placement, splitters and bar switches on a real window.
#include "MainWindowFixture.h"
#include "controls/Measure.h"
#include "controls/ScreenPlacement.h"
#include "controls/SplitterBar.h"

#include <QTabWidget>

using namespace mainwindow;
using namespace mainwindow::test;
using controls::twipsToPixels;

TEST_F(MainWindowTest, FirstStartPlacementOnTheScreen)
{
    frmMain &main = load();
    QCoreApplication::processEvents();
    // 19200 x 14400 twips: three quarters, centred.
    // The window's own area (without the frame the window system adds).
    EXPECT_EQ(main.geometry(), QRect(twipsToPixels(2400), twipsToPixels(1800), twipsToPixels(14400), twipsToPixels(10800)));
    EXPECT_EQ(main.picVSplit->leftTwips(), 3600);
    EXPECT_EQ(main.picHSplit->topTwips(), 5400);
    EXPECT_TRUE(main.menuItem(QStringLiteral("mnuFolderBar"))->isChecked());
    EXPECT_TRUE(main.menuItem(QStringLiteral("mnuStatusBar"))->isChecked());
    // The tree is as wide as the splitter's left edge; the lists start right of the bar.
    EXPECT_EQ(main.tvwFolderList->width(), twipsToPixels(3600));
    EXPECT_EQ(main.lvwInbox->x(), twipsToPixels(3700));
}

TEST_F(MainWindowTest, StoredLayoutIsRestoredAndSavedBack)
{
    saveSetting("Main", "Top", QStringLiteral("600"));
    saveSetting("Main", "Left", QStringLiteral("900"));
    saveSetting("Main", "Height", QStringLiteral("9000"));
    saveSetting("Main", "Width", QStringLiteral("12000"));
    saveSetting("Main", "VSplitPos", QStringLiteral("2505"));
    saveSetting("Main", "HSplitPos", QStringLiteral("4005"));
    saveSetting("Main", "TreeNode", QStringLiteral("False"));
    saveSetting("Main", "StatusBar", QStringLiteral("False"));
    frmMain &main = load();
    QCoreApplication::processEvents();
    EXPECT_EQ(main.geometry(), QRect(twipsToPixels(900), twipsToPixels(600), twipsToPixels(12000), twipsToPixels(9000)));
    EXPECT_FALSE(main.tvwFolderList->isExpanded(2));
    EXPECT_TRUE(main.tvwFolderList->isExpanded(1));
    EXPECT_TRUE(main.sbrStatusBar->isHidden());
    main.MainLayout(QStringLiteral("Save"));
    // Positions round-trip in twips, not through the pixel grid.
    EXPECT_EQ(setting("Main", "VSplitPos"), QStringLiteral("2505"));
    EXPECT_EQ(setting("Main", "HSplitPos"), QStringLiteral("4005"));
    EXPECT_EQ(setting("Main", "Width"), QStringLiteral("12000"));
    EXPECT_EQ(setting("Main", "StatusBar"), QStringLiteral("False"));
    EXPECT_EQ(setting("Main", "TreeNode"), QStringLiteral("False"));
    EXPECT_EQ(setting("Main", "State"), QStringLiteral("0"));
    main.MainLayout(QStringLiteral("keep"));
}

TEST_F(MainWindowTest, SplittersLandWithinTheirLimits)
{
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    SplitterBar *v = main.picVSplit;
    // Press at offset 0, release 3300 twips to the left: the edge would be at 300.
    emit v->MouseDown(1, 0, 0, 0);
    EXPECT_EQ(v->backColor().rgba(), main.lngDragColor);
    emit v->MouseMove(1, 0, -1500, 0);
    EXPECT_EQ(v->leftTwips(), 2100);
    emit v->MouseUp(1, 0, -1800, 0);
    EXPECT_EQ(v->leftTwips(), 1000);
    EXPECT_NE(v->backColor().rgba(), main.lngDragColor);
    EXPECT_EQ(main.tvwFolderList->width(), twipsToPixels(1000));

    SplitterBar *h = main.picHSplit;
    const double SH = main.clientHeightTwips();
    emit h->MouseDown(1, 0, 0, 0);
    emit h->MouseUp(1, 0, 0, SH); // far below the window
    EXPECT_EQ(h->topTwips(), SH - 2400);
    emit h->MouseDown(1, 0, 0, 0);
    emit h->MouseUp(1, 0, 0, -h->topTwips() + 1500);
    EXPECT_EQ(h->topTwips(), 2400);
    EXPECT_EQ(main.tabPreview->y(), twipsToPixels(2500));

    // Another button ends a drag as a release would.
    emit v->MouseDown(1, 0, 0, 0);
    emit v->MouseDown(2, 0, 300, 0);
    EXPECT_EQ(v->leftTwips(), 1300);
    EXPECT_NE(v->backColor().rgba(), main.lngDragColor);
}

TEST_F(MainWindowTest, TheWindowKeepsItsMinimumSize)
{
    frmMain &main = load();
    // The window corrects its size from its own resize events: wait for
    // that with a deadline, never for a guessed number of event rounds.
    main.resize(main.width(), twipsToPixels(5000));
    // The window system holds it at its minimum (plus the frame it draws).
    auto near = [](int pixels) { return pixels >= twipsToPixels(6000) && pixels <= twipsToPixels(6000) + 40; };
    EXPECT_TRUE(QTest::qWaitFor([&] { return near(main.frameGeometry().height()); }, 5000))
        << "height still " << main.frameGeometry().height() << " after 5 s";
    main.resize(twipsToPixels(4000), main.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return near(main.frameGeometry().width()); }, 5000))
        << "width still " << main.frameGeometry().width() << " after 5 s";
    // The window at its minimum, as a user sees it, when a folder is named.
    const QString folder = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
    if (!folder.isEmpty())
        main.grab().save(folder + QStringLiteral("/main-minimum.png"));
}

TEST_F(MainWindowTest, ThreeRestartsLeaveTheWindowWhereItWas)
{
    QRect first;
    for (int start = 0; start < 3; ++start) {
        frmMain &main = load();
        if (start == 0) {
            main.setGeometry(120, 90, 900, 640);
            ASSERT_TRUE(QTest::qWaitFor([&] { return main.geometry().size() == QSize(900, 640); }, 5000))
                << "the window was still " << main.geometry().width() << "x" << main.geometry().height()
                << " 5 s after it was set to 900x640";
            first = main.geometry();
        } else {
            EXPECT_EQ(main.geometry(), first) << "start " << start;
        }
        main.MainLayout(QStringLiteral("save"));
        controls::unload<frmMain>();
    }
}

// A placement stored on a larger screen comes back inside this one: a main
// window saved at 1280 x 1000 pixels opens whole on a 1024 x 768 screen, and
// one saved off its right or bottom edge is moved back onto it.
TEST_F(MainWindowTest, AStoredPlacementIsFittedIntoASmallerScreen)
{
    const QRect screen(0, 0, 1024, 768);
    const struct Case {
        const char *what;
        QRect stored; // pixels
    } cases[] = {
        {"1280 x 1000 at the origin", QRect(0, 0, 1280, 1000)},
        {"beyond the bottom right corner", QRect(900, 700, 800, 600)},
        {"fits", QRect(60, 40, 700, 500)},
    };
    for (const Case &c : cases) {
        saveSetting("Main", "Top", QString::number(c.stored.top() * 15));
        saveSetting("Main", "Left", QString::number(c.stored.left() * 15));
        saveSetting("Main", "Height", QString::number(c.stored.height() * 15));
        saveSetting("Main", "Width", QString::number(c.stored.width() * 15));
        frmMain &main = controls::form<frmMain>();
        main.setScreenTwips(15360, 11520); // 1024 x 768 pixels
        ASSERT_EQ(main.Form_Load(), StartOutcome::Continue) << c.what;
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main, 5000)) << c.what << ": not shown within 5 s";
        // The frame as drawn, or as assumed on a display that draws none.
        const QMargins margins = controls::windowFrame(&main);
        const QRect frame = main.geometry().marginsAdded(margins);
        EXPECT_TRUE(screen.contains(frame)) << c.what;
        // The size the screen has room for, the place nearest the stored one.
        const QSize room = screen.size().shrunkBy(margins);
        EXPECT_EQ(main.geometry().size(), c.stored.size().boundedTo(room)) << c.what;
        if (c.stored.size() == c.stored.size().boundedTo(room) && screen.contains(c.stored.marginsAdded(margins)))
            EXPECT_EQ(main.geometry(), c.stored) << c.what;
        else
            EXPECT_TRUE(frame.right() == screen.right() || frame.bottom() == screen.bottom()
                        || frame.topLeft() == screen.topLeft())
                << c.what << ": moved no further than needed";
        controls::unload<frmMain>();
    }
}
