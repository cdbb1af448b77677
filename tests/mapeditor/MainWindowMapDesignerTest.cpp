// Setup > Map Designer shows the one designer modeless and normal, after a
// History entry; the exit path unloads it with the other windows.
#include "MainWindowFixture.h"

#include "mapeditor/frmMap.h"

#include "ado/Recordset.h"

#include "controls/Forms.h"
#include "vb/Dialogs.h"

#include <QAction>

namespace {

using mainwindow::test::MainWindowTest;
using corvantis::test::dialogs;

TEST_F(MainWindowTest, SetupMapDesignerShowsTheOneDesignerAndTheExitUnloadsIt)
{
    mainwindow::frmMain &main = load();
    main.menuItem(QStringLiteral("mnuMap"))->trigger();
    ASSERT_TRUE(controls::isLoaded<mapeditor::frmMap>());
    mapeditor::frmMap *first = &controls::form<mapeditor::frmMap>();
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());

    first->setWindowState(Qt::WindowMinimized);
    main.menuItem(QStringLiteral("mnuMap"))->trigger();
    EXPECT_EQ(&controls::form<mapeditor::frmMap>(), first);
    EXPECT_FALSE(first->windowState() & Qt::WindowMinimized);

    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History WHERE Description = 'Selected [Setup] - [Map Designer]'"),
            modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.Close();

    db.connection().Close(); // the exit compacts the file: only the program may hold it
    dialogs().answer(vb::vbYes); // "Exit Corvantis?"
    EXPECT_TRUE(main.Form_Unload());
    EXPECT_FALSE(controls::isLoaded<mapeditor::frmMap>());
}

} // namespace
