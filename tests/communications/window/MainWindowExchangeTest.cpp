// Tools > Exchange opens the communications window modeless in its normal
// state after a History entry; the exit path cannot unload it while a run runs.
#include "MainWindowFixture.h"

#include "communications/NetworkRun.h"
#include "communications/frmExchange.h"

#include "ado/Recordset.h"

namespace {

using communications::frmExchange;
using mainwindow::test::MainWindowTest;

TEST_F(MainWindowTest, ToolsExchangeShowsTheWindowModelessAndExitWaitsForARun)
{
    mainwindow::frmMain &main = load();
    QAction *item = main.menuItem(QStringLiteral("mnuExchange"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Exchange..."));
    item->trigger();
    ASSERT_TRUE(controls::isLoaded<frmExchange>());
    frmExchange &window = controls::form<frmExchange>();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isModal());
    EXPECT_EQ(window.windowTitle(), QStringLiteral(" Exchange"));

    window.showMinimized();
    item->trigger();
    EXPECT_EQ(&controls::form<frmExchange>(), &window) << "one window";
    EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);

    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History WHERE Description = 'Selected [Tools] - [Exchange]'"),
            modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.Close();

    communications::CommunicationsState::instance().setBusy(true);
    EXPECT_FALSE(controls::unload<frmExchange>()) << "a run is under way";
    EXPECT_TRUE(controls::isLoaded<frmExchange>());
    communications::CommunicationsState::instance().setBusy(false);
    EXPECT_TRUE(controls::unload<frmExchange>());
    EXPECT_FALSE(communications::CommunicationsState::instance().sendAS2) << "the script member left with the window";
}

} // namespace
