// The one guard at the dispatch points of the main window: an error escaping
// a menu, toolbar or pop-up handler, or a list's event handler, is reported
// through ReportError (box, panel 1, History) with its own text, and the
// window stays.
#include "MainWindowFixture.h"

#include "TestEnvironment.h"
#include "ado/Recordset.h"
#include "controls/GuardedApplication.h"
#include "core/HandlerGuard.h"
#include "mainwindow/Program.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

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

// Runs `onEvent` for every user event it receives.
struct EventProbe : QObject {
    std::function<void(QEvent *)> onEvent;
    bool event(QEvent *e) override
    {
        if (e->type() < QEvent::User)
            return QObject::event(e);
        onEvent(e);
        return true;
    }
};

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

TEST_F(MainWindowTest, AHandlerConnectedThroughTheHelperReportsWhatEscapesAndTheSignalGoesOn)
{
    load();
    struct Case {
        const char *what;
        std::function<void(QObject &sender, QString &seen)> connectHandler;
        const char *box;
        const char *logged;
    };
    // objectNameChanged sends the new name: handlers take it, or nothing.
    const Case cases[] = {
        {"a handler that takes the argument",
         [](QObject &sender, QString &seen) {
             modGlobal::guardedConnect(&sender, &QObject::objectNameChanged, &sender, [&seen](const QString &name) {
                 seen = name;
                 vb::raise(13, QStringLiteral("Type mismatch"));
             });
         },
         "Type mismatch", "13 Type mismatch"},
        {"a handler that takes nothing",
         [](QObject &sender, QString &seen) {
             modGlobal::guardedConnect(&sender, &QObject::objectNameChanged, &sender, [&seen, &sender] {
                 seen = sender.objectName();
                 throw std::runtime_error("no room");
             });
         },
         "Internal error: no room", "51 Internal error: no room"},
        {"a handler that throws no exception",
         [](QObject &sender, QString &seen) {
             modGlobal::guardedConnect(&sender, &QObject::objectNameChanged, &sender, [&seen](const QString &name) {
                 seen = name;
                 throw 42;
             });
         },
         "Internal error: an error of unknown kind", "51 Internal error: an error of unknown kind"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QObject sender;
        QString seen;
        c.connectHandler(sender, seen);
        bool laterHandlerRan = false;
        QObject::connect(&sender, &QObject::objectNameChanged, &sender, [&] { laterHandlerRan = true; });
        dialogs().answer(vb::vbOK);
        sender.setObjectName(QStringLiteral("cmdSave"));
        EXPECT_EQ(seen, QStringLiteral("cmdSave"));
        EXPECT_TRUE(laterHandlerRan) << "the emission stopped at the throwing handler";
        ASSERT_FALSE(dialogs().boxes().empty());
        EXPECT_EQ(dialogs().last().text, QString::fromLatin1(c.box));
        EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
        EXPECT_EQ(historyTexts(db).last(), QString::fromLatin1(c.logged));
    }
}

TEST_F(MainWindowTest, AnErrorEscapingToTheEventLoopIsReportedAndTheLoopGoesOn)
{
    load();
    auto *app = dynamic_cast<controls::GuardedApplication *>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr) << "the tests do not run in the program's application object";
    const std::function<void()> harnessHandler = app->escapedError;
    mainwindow::reportEscapedErrors(*app);
    struct Restore {
        controls::GuardedApplication *app;
        std::function<void()> handler;
        ~Restore() { app->escapedError = handler; }
    } restore{app, harnessHandler};

    EventProbe thrower;
    thrower.onEvent = [](QEvent *) { vb::raise(5, QStringLiteral("Invalid procedure call or argument")); };
    // Sent from code, outside any loop or inside one, the error still reaches
    // the sender, who may handle it.
    QEvent direct(QEvent::User);
    EXPECT_THROW(QCoreApplication::sendEvent(&thrower, &direct), vb::VbError);

    QEventLoop loop;
    bool wentOn = false, senderCaught = false, timedOut = false;
    EventProbe after;
    after.onEvent = [&](QEvent *) {
        wentOn = true;
        QEvent sent(QEvent::User);
        try {
            QCoreApplication::sendEvent(&thrower, &sent);
        } catch (const vb::VbError &) {
            senderCaught = true;
        }
        loop.quit();
    };
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    deadline.start(5000);
    dialogs().answer(vb::vbOK);
    const size_t boxesBefore = dialogs().boxes().size();
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&after, new QEvent(QEvent::User));
    loop.exec();
    ASSERT_FALSE(timedOut) << "the events were not delivered within 5 s";
    EXPECT_TRUE(wentOn) << "the loop did not go on after the error";
    EXPECT_TRUE(senderCaught) << "an event sent from a handler did not throw to its sender";
    ASSERT_EQ(dialogs().boxes().size(), boxesBefore + 1) << "the error was not reported once";
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Invalid procedure call or argument"));
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_EQ(historyTexts(db).last(), QStringLiteral("5 Invalid procedure call or argument"));
}
