// The main window's report commands: each records its History entry and acts
// on the list of the selected mailbox folder; the toolbar and the pop-up menu
// reach the same handlers; on another folder only the entry is written.

#include "MainWindowFixture.h"

#include "ado/Recordset.h"
#include "com/ClassRegistry.h"
#include "vb/Dialogs.h"

#include <QDir>
#include <QSettings>

using corvantis::test::dialogs;

namespace mainwindow::test {
namespace {

class ReportHandlersTest : public MainWindowTest {
protected:
    QStringList history()
    {
        QStringList result;
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM History ORDER BY [Index]"), db.connection(), ado::adOpenForwardOnly,
                ado::adLockReadOnly);
        for (; !rs.Eof(); rs.MoveNext())
            result << rs.Fields(QStringLiteral("Type")).Value().toString() + QStringLiteral(": ")
                    + rs.Fields(QStringLiteral("Description")).Value().toString();
        return result;
    }
    void click(frmMain &main, const char *node)
    {
        const int index = main.tvwFolderList->nodeIndex(QString::fromLatin1(node));
        main.tvwFolderList->setSelectedNode(index);
        main.tvwFolderList_NodeClick(index);
    }
};

struct Command {
    const char *how;     // "menu:<control>", "toolbar:<caption>", "menu-button:<key>"
    const char *entry;   // its History entry
    const char *missing; // the box of a missing report on the Inbox (nullptr: the command translates first)
};

void run(frmMain &main, const Command &c)
{
    const QString how = QString::fromLatin1(c.how);
    const QString name = how.section(u':', 1);
    if (how.startsWith(QStringLiteral("menu:")))
        main.menuItem(name)->trigger();
    else if (how.startsWith(QStringLiteral("toolbar:")))
        main.tbrToolbar_ButtonClick(name);
    else
        main.tbrToolbar_ButtonMenuClick(name);
}

const Command kCommands[] = {
    {"menu:mnuReportViewer", "Selected [View] - [Report]", nullptr},
    {"menu:mnuPopupReportViewer", "Selected [View] - [Report]", nullptr},
    {"toolbar:Viewer", "Selected [View] - [Report]", nullptr},
    {"menu:mnuPrint", "Selected [Print] - [Report]", nullptr},
    {"menu:mnuExport", "Selected [File] - [Export]", nullptr},
    {"menu:mnuActiveX", "Selected [ActiveX]", nullptr},
    {"menu:mnuDesignReport", "Selected [Tools] - [Designer] - [Viewer Report]", "Viewer Report Not Found: "},
    {"toolbar:Designer", "Selected [Tools] - [Designer] - [Viewer Report]", "Viewer Report Not Found: "},
    {"menu-button:Viewer", "Selected [Tools] - [Designer] - [Viewer Report]", "Viewer Report Not Found: "},
    {"menu:mnuDesignExport", "Selected [Tools] - [Designer] - [Export Report]", "Export Report Not Found: "},
    {"menu-button:Export", "Selected [Tools] - [Designer] - [Export Report]", "Export Report Not Found: "},
    {"menu:mnuDesignActiveX", "Selected [Tools] - [Designer] - [ActiveX Report]", "ActiveX Report Not Found: "},
    {"menu-button:ActiveX", "Selected [Tools] - [Designer] - [ActiveX Report]", "ActiveX Report Not Found: "},
};

TEST_F(ReportHandlersTest, OnAnotherFolderEveryCommandWritesOnlyItsEntry)
{
    insert(QStringLiteral("Inbox"), {});
    frmMain &main = load();
    click(main, "History");
    for (const Command &c : kCommands) {
        db.connection().Execute(QStringLiteral("DELETE FROM History"));
        const QString how = QString::fromLatin1(c.how);
        // Items the folder disables cannot be chosen; what can be chosen writes its entry only.
        const bool disabled = how.startsWith(QStringLiteral("menu:")) && !main.menuItem(how.mid(5))->isEnabled();
        run(main, c);
        EXPECT_EQ(history(), disabled ? QStringList() : QStringList{QStringLiteral("Info: ") + QString::fromLatin1(c.entry)})
            << c.how;
    }
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(ReportHandlersTest, OnTheInboxTheDesignerCommandsLookForTheKeysReport)
{
    const QString reports = corvantis::test::tempDir() + QStringLiteral("/reports");
    QDir().mkpath(reports);
    saveSetting("Folders", "Reports", reports);
    insert(QStringLiteral("Inbox"), {});
    frmMain &main = load();
    click(main, "Inbox");
    ASSERT_EQ(main.lvwInbox->itemCount(), 1);
    for (const Command &c : kCommands) {
        if (!c.missing)
            continue;
        db.connection().Execute(QStringLiteral("DELETE FROM History"));
        dialogs().reset();
        dialogs().answer(vb::vbOK);
        run(main, c);
        const QString folder = QString::fromLatin1(c.missing).startsWith(QStringLiteral("Viewer"))
            ? reports + QStringLiteral("/")
            : reports + QStringLiteral("/") + QString::fromLatin1(c.missing).section(u' ', 0, 0) + QStringLiteral("/");
        const QString text = QString::fromLatin1(c.missing) + folder + QStringLiteral("ACME_830_004010_.RPT");
        ASSERT_EQ(dialogs().boxes().size(), 1u) << c.how;
        EXPECT_EQ(dialogs().boxes()[0].text, text) << c.how;
        EXPECT_EQ(history(), (QStringList{QStringLiteral("Info: ") + QString::fromLatin1(c.entry),
                                          QStringLiteral("Error: ") + text}))
            << c.how;
    }
}

// Tools > ActiveX on a set whose plug-in library lacks the class: the box
// keeps the classic text, History names the class and the library.
TEST_F(ReportHandlersTest, ActiveXNamesTheClassAndTheLibraryThatLacksIt)
{
    {
        QSettings ini(com::classRegistryFile(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Lacking.Other/Library"), QStringLiteral("/plugins/Lacking.so"));
        ini.setValue(QStringLiteral("Lacking.Other/Class"), QStringLiteral("Other"));
    }
    insert(QStringLiteral("Inbox"), {});
    db.connection().Execute(QStringLiteral("INSERT INTO Transactions (Partner, [Transaction], Version, Direction, ActiveX) "
                                           "VALUES ('ACME', '830', '004010', '', 'Lacking.ACME_830_004010_')"));
    frmMain &main = load();
    click(main, "Inbox");
    ASSERT_EQ(main.lvwInbox->itemCount(), 1);
    db.connection().Execute(QStringLiteral("DELETE FROM History"));
    dialogs().answer(vb::vbOK);
    main.menuItem(QStringLiteral("mnuActiveX"))->trigger();
    EXPECT_EQ(dialogs().last().text, QStringLiteral("ActiveX component can't create object"));
    EXPECT_EQ(history(), (QStringList{QStringLiteral("Info: Selected [ActiveX]"),
                                      QStringLiteral("Error: 429 ActiveX component can't create object - "
                                                     "Lacking.ACME_830_004010_: no class is registered under this "
                                                     "name (the library /plugins/Lacking.so has no class "
                                                     "ACME_830_004010_)")}));
    QSettings(com::classRegistryFile(), QSettings::IniFormat).remove(QStringLiteral("Lacking.Other"));
}

} // namespace
} // namespace mainwindow::test
