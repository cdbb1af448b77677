// Every top-level window opens inside the available area of the real screen
// of the test (not a fixed one), however large its stored or designed size:
// the main window saved at 1280 x 1000 pixels, the map designer at
// 960 x 768, and the windows opened from the menus. When
// CORVANTIS_SCREENSHOTS names a folder, the whole screen is saved there as
// each window shows (run on a virtual display to see them as a user would).
#include "MainWindowFixture.h"

#include "communications/frmExchange.h"
#include "integration/window/frmIntegrator.h"
#include "mapeditor/frmMap.h"
#include "partners/frmPartners.h"
#include "reportwindows/ReportWindows.h"
#include "reportwindows/frmDesign.h"
#include "reportwindows/frmReport.h"
#include "translation/OpenReport.h"
#include "translation/ReportDefinition.h"

#include "ado/Recordset.h"
#include "controls/Measure.h"
#include "controls/ScreenPlacement.h"
#include "report/ReportDocument.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <functional>

namespace mainwindow::test {
namespace {

QString loaderFixture(const char *name)
{
    return QStringLiteral(CORVANTIS_FIXTURES) + QStringLiteral("/loader/") + QLatin1String(name);
}

QRect availableArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

QString describe(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The whole screen, saved when asked for.
void screenshot(const char *name)
{
    const QString folder = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(400); // let the windows paint
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect size = screen->geometry();
    QDir().mkpath(folder);
    screen->grabWindow(0).save(folder + QStringLiteral("/%1x%2-%3.png").arg(size.width()).arg(size.height()).arg(
                                            QLatin1String(name)));
}

void expectOnScreen(QWidget *window, const char *what)
{
    ASSERT_NE(window, nullptr) << what;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 5000)) << what << " was not shown within 5 s";
    // The frame as drawn, or as assumed where none is drawn yet.
    for (const QRect &frame : {window->frameGeometry(), window->geometry().marginsAdded(controls::windowFrame(window))})
        EXPECT_TRUE(availableArea().contains(frame))
            << what << " at " << describe(frame).toStdString() << " leaves the screen area "
            << describe(availableArea()).toStdString();
}

class WindowsOnScreenTest : public MainWindowTest {
protected:
    // The main window on the test's own screen, placed where a larger
    // screen left it.
    frmMain &loadOnTheScreen()
    {
        saveSetting("Main", "Top", QStringLiteral("0"));
        saveSetting("Main", "Left", QStringLiteral("0"));
        saveSetting("Main", "Height", QString::number(controls::pixelsToTwips(1000)));
        saveSetting("Main", "Width", QString::number(controls::pixelsToTwips(1280)));
        frmMain &main = controls::form<frmMain>();
        EXPECT_EQ(main.Form_Load(), StartOutcome::Continue);
        main.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&main, 5000)) << "the main window was not shown within 5 s";
        return main;
    }
    void click(frmMain &main, const char *node)
    {
        const int index = main.tvwFolderList->nodeIndex(QLatin1String(node));
        main.tvwFolderList->setSelectedNode(index);
        main.tvwFolderList_NodeClick(index);
    }
};

TEST_F(WindowsOnScreenTest, MainWindow)
{
    frmMain &main = loadOnTheScreen();
    expectOnScreen(&main, "the main window");
    screenshot("main");
}

// The History with real entries: the Description column shows a typical
// entry, and a cut one is read in full from its tool tip.
TEST_F(WindowsOnScreenTest, HistoryEntriesAreReadable)
{
    frmMain &main = loadOnTheScreen();
    ASSERT_EQ(main.LoadBox(loaderFixture("crlf.IC"), QStringLiteral("I")), QString());
    main.LoadBox(loaderFixture("bad_se_count.IC"), QStringLiteral("I"));
    modGlobal::LogHistory(QStringLiteral("Error"),
                          QStringLiteral("3021 Either BOF or EOF is True, or the current record has been deleted. "
                                         "Requested operation requires a current record."));
    modGlobal::LogHistory(QStringLiteral("Info"),
                          QStringLiteral("ACMEPARTSACMEAPPCORVANTISCORVAPP_830_004010_I Translated: 1 Errors: 0"));
    click(main, "History");
    controls::ListView *history = main.lvwHistory;
    ASSERT_GE(history->itemCount(), 4);
    const int description = history->columnPosition(QStringLiteral("Description"));
    ASSERT_GT(description, 0);
    EXPECT_EQ(history->columnWidthTwips(description), 7200);
    expectOnScreen(&main, "the main window");
    screenshot("history");
}

TEST_F(WindowsOnScreenTest, Exchange)
{
    frmMain &main = loadOnTheScreen();
    main.runMenuHandler(QStringLiteral("mnuExchange"));
    expectOnScreen(controls::isLoaded<communications::frmExchange>() ? &controls::form<communications::frmExchange>()
                                                                     : nullptr,
                   "Exchange");
    screenshot("exchange");
    controls::unload<communications::frmExchange>();
}

TEST_F(WindowsOnScreenTest, Integrator)
{
    frmMain &main = loadOnTheScreen();
    main.runMenuHandler(QStringLiteral("mnuIntegrator"));
    expectOnScreen(controls::isLoaded<integration::frmIntegrator>() ? &controls::form<integration::frmIntegrator>()
                                                                    : nullptr,
                   "the Integrator");
    screenshot("integrator");
    controls::unload<integration::frmIntegrator>();
}

TEST_F(WindowsOnScreenTest, MapDesignerStoredOnALargerScreen)
{
    saveSetting("Map", "Top", QStringLiteral("0"));
    saveSetting("Map", "Left", QString::number(controls::pixelsToTwips(32)));
    saveSetting("Map", "Height", QString::number(controls::pixelsToTwips(768)));
    saveSetting("Map", "Width", QString::number(controls::pixelsToTwips(960)));
    frmMain &main = loadOnTheScreen();
    ASSERT_EQ(main.LoadBox(loaderFixture("crlf.IC"), QStringLiteral("I")), QString());
    main.runMenuHandler(QStringLiteral("mnuMap"));
    expectOnScreen(controls::isLoaded<mapeditor::frmMap>() ? &controls::form<mapeditor::frmMap>() : nullptr,
                   "the map designer");
    screenshot("map-designer");
    controls::unload<mapeditor::frmMap>();
}

// The viewer and the designer on the shipped guideline report of the map a
// load registered.
class ReportWindowsOnScreenTest : public WindowsOnScreenTest {
protected:
    void openGuideline(frmMain &main)
    {
        ASSERT_EQ(main.LoadBox(loaderFixture("crlf.IC"), QStringLiteral("I")), QString());
        auto rs = std::make_shared<ado::Recordset>();
        rs->Open(translation::GuidelineStatement(QStringLiteral("ACMEPARTSACMEAPPCORVANTISCORVAPP"),
                                                 QStringLiteral("004010"), QStringLiteral("830")),
                 *modGlobal::cnDatabase, ado::adOpenDynamic, ado::adLockOptimistic);
        translation::crxReport =
            report::ReportDocument::open(QStringLiteral(CORVANTIS_FIXTURES) + QStringLiteral("/../../translation/Guideline.rpt"));
        translation::crxReport->setDataSource(rs);
    }
    ~ReportWindowsOnScreenTest() override
    {
        translation::crxReport.reset();
        // Both close themselves away (an unchanged report asks nothing).
        reportwindows::programReportWindows().unloadViewer();
        reportwindows::programReportWindows().unloadDesigner();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(ReportWindowsOnScreenTest, ReportViewer)
{
    frmMain &main = loadOnTheScreen();
    openGuideline(main);
    reportwindows::programReportWindows().showViewer();
    expectOnScreen(reportwindows::programReportWindows().viewer(), "the report viewer");
    screenshot("report-viewer");
}

TEST_F(ReportWindowsOnScreenTest, ReportDesigner)
{
    frmMain &main = loadOnTheScreen();
    openGuideline(main);
    ASSERT_TRUE(reportwindows::programReportWindows().showDesigner());
    expectOnScreen(reportwindows::programReportWindows().designer(), "the report designer");
    screenshot("report-designer");
}

// Setup > Partners is modal: it is looked at while it runs, then closed; a
// dialog still open after 10 s is closed and fails the test.
TEST_F(WindowsOnScreenTest, Partners)
{
    frmMain &main = loadOnTheScreen();
    ASSERT_EQ(main.LoadBox(loaderFixture("crlf.IC"), QStringLiteral("I")), QString());
    bool looked = false;
    QTimer look;
    look.setInterval(50);
    QObject::connect(&look, &QTimer::timeout, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible())
            return;
        look.stop();
        expectOnScreen(dialog, "the partners window");
        screenshot("partners");
        looked = true;
        dialog->close();
    });
    look.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] {
        ADD_FAILURE() << "the partners window was still open after 10 s";
        if (QWidget *dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    deadline.start(10000);
    main.runMenuHandler(QStringLiteral("mnuPartners"));
    EXPECT_TRUE(looked) << "the partners window never showed";
}

} // namespace
} // namespace mainwindow::test
