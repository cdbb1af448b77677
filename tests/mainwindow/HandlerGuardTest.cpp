// The one guard at the dispatch points of the main window: an error escaping
// a menu, toolbar or pop-up handler, or a list's event handler, is reported
// through ReportError (box, panel 1, History) with its own text, and the
// window stays.
#include "MainWindowFixture.h"

#include "TestEnvironment.h"
#include "ado/Recordset.h"
#include "core/HandlerGuard.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <stdexcept>

using namespace mainwindow;
using namespace mainwindow::test;
using corvantis::test::dialogs;

namespace {

QStringList historyTexts(corvantis::test::FreshDatabase &db)
{
    QStringList texts;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History ORDER BY [Index]"), db.connection(), ado::adOpenForwardOnly,
            ado::adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext())
        texts << rs.Fields(QStringLiteral("Description")).Value().toString();
    return texts;
}

} // namespace

TEST_F(MainWindowTest, AnErrorEscapingAHandlerIsReportedAndTheWindowStays)
{
    frmMain &main = load();
    struct Case {
        const char *how;
        std::function<void()> thrower;
        const char *box;
        const char *logged;
    };
    const Case cases[] = {
        {"a runtime error", [] { vb::raise(13, QStringLiteral("Type mismatch")); }, "Type mismatch", "13 Type mismatch"},
        {"a library exception", [] { throw std::runtime_error("no room"); }, "Internal error: no room",
         "51 Internal error: no room"},
        {"something that is no exception", [] { throw 42; }, "Internal error: an error of unknown kind",
         "51 Internal error: an error of unknown kind"},
    };
    struct Dispatch {
        const char *through;
        std::function<void()> trigger;
    };
    const Dispatch dispatches[] = {
        {"menu item", [&] { main.menuItem(QStringLiteral("mnuAbout"))->trigger(); }},
        {"toolbar button", [&] { main.toolbarButton(1)->trigger(); }},
        {"pop-up item", [&] { main.menuItem(QStringLiteral("mnuPopupProperties"))->trigger(); }},
    };
    for (const Case &c : cases) {
        for (const Dispatch &d : dispatches) {
            SCOPED_TRACE(std::string(c.how) + " through a " + d.through);
            for (const char *control : {"mnuAbout", "mnuOpenInbound", "mnuProperties"})
                main.setMenuHandler(QString::fromLatin1(control), c.thrower);
            dialogs().answer(vb::vbOK);
            d.trigger();
            ASSERT_FALSE(dialogs().boxes().empty());
            EXPECT_EQ(dialogs().last().text, QString::fromLatin1(c.box));
            EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
            EXPECT_EQ(historyTexts(db).last(), QString::fromLatin1(c.logged));
            EXPECT_EQ(panel1(main), QString::fromLatin1(c.logged));
            EXPECT_TRUE(main.isVisible());
        }
    }
}

TEST(HandlerGuard, AnErrorThatCannotEvenBeReportedStopsAtTheGuard)
{
    // No database: ReportError's own History entry fails; the guard still
    // returns normally.
    modGlobal::cnDatabase.reset();
    dialogs().answer(vb::vbOK).answer(vb::vbOK);
    bool ran = false;
    modGlobal::GuardHandler([&] {
        ran = true;
        vb::raise(5, QStringLiteral("Invalid procedure call or argument"));
    });
    EXPECT_TRUE(ran);
    ASSERT_EQ(dialogs().boxes().size(), 2u);
    EXPECT_EQ(dialogs().boxes()[0].text, QStringLiteral("Invalid procedure call or argument"));
}
