// Work started inside a running command's yield. Move, Recycle and Delete
// yield to window messages inside their write transaction; whatever the
// user or a timer starts at that moment must not close the database under
// them, nor join their transaction. The table: at the first yield of each
// command, one other thing is tried; the command ends committed as a whole,
// the other work is refused with its message (or, for a list refresh, runs
// after), nothing stored is lost and the window stays.
#include "MainWindowFixture.h"

#include "TestEnvironment.h"
#include "ado/Recordset.h"
#include "core/BusyScope.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"

#include <functional>

using corvantis::test::dialogs;

namespace mainwindow::test {
namespace {

class BusyScopeTest : public MainWindowTest {
protected:
    QStringList history()
    {
        QStringList result;
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM History ORDER BY [Index]"), db.connection(), ado::adOpenForwardOnly,
                ado::adLockReadOnly);
        for (; !rs.Eof(); rs.MoveNext())
            result << rs.Fields(QStringLiteral("Description")).Value().toString();
        return result;
    }
    long count(const QString &table)
    {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM ") + table, db.connection(), ado::adOpenKeyset, ado::adLockReadOnly);
        return rs.RecordCount();
    }
    void click(frmMain &main, const char *node)
    {
        const int index = main.tvwFolderList->nodeIndex(QString::fromLatin1(node));
        main.tvwFolderList->setSelectedNode(index);
        main.tvwFolderList_NodeClick(index);
    }
};

struct Command {
    const char *name;       // as the refusals name it
    const char *folder;     // the list it acts on
    const char *control;    // the menu item that starts it
    const char *source;     // table before and after
    long sourceAfter;
    const char *target;     // empty for Delete
    long targetAfter;
};

struct Intruder {
    const char *what;
    // Tries the other work; returns what it answered (a load's result).
    std::function<QString(frmMain &)> attempt;
    bool refusedWithBox;
    const char *refusal;    // the History warning, "%1" the running command
};

} // namespace

TEST_F(BusyScopeTest, WorkStartedInsideACommandsYieldIsRefusedOrRunsAfter)
{
    const Command commands[] = {
        {"Move", "Outbox", "mnuSent", "Outbox", 1, "Sent", 2},
        {"Recycle", "Outbox", "mnuDelete", "Outbox", 1, "Recycled", 2},
        {"Delete", "Recycled", "mnuDelete", "Recycled", 1, "", 0},
    };
    const QString inbound = QStringLiteral(CORVANTIS_FIXTURES "/loader/ack_inbound.IC");
    const Intruder intruders[] = {
        {"close the main window", [](frmMain &main) { main.close(); return QString(); }, true,
         "Corvantis cannot exit while %1 is in progress."},
        {"Delete on the same list", [](frmMain &main) { main.runMenuHandler(QStringLiteral("mnuDelete")); return QString(); },
         true, "%2 cannot start while %1 is in progress."},
        {"Move to another list", [](frmMain &main) { main.runMenuHandler(QStringLiteral("mnuOutbox")); return QString(); },
         true, "Move cannot start while %1 is in progress."},
        {"refresh the source list", [](frmMain &main) { main.runMenuHandler(QStringLiteral("mnuRefresh")); return QString(); },
         false, ""},
        {"load a file", [&](frmMain &main) { return main.LoadBox(inbound, QStringLiteral("I")); }, false,
         "Load cannot start while %1 is in progress."},
    };
    for (const Command &c : commands) {
        for (const Intruder &in : intruders) {
            SCOPED_TRACE(std::string(c.name) + " / " + in.what);
            // A fresh window and tables for each pair.
            controls::unload<frmMain>();
            for (const char *table : {"Inbox", "Outbox", "Sent", "Recycled", "History"})
                db.connection().Execute(QStringLiteral("DELETE FROM ") + QLatin1String(table));
            for (int i = 1; i <= 3; ++i)
                insert(QString::fromLatin1(c.source), MailboxRow{}, i);
            frmMain &main = load();
            click(main, c.folder);
            controls::ListView *list = QLatin1String(c.folder) == QLatin1String("Recycled") ? main.lvwRecycled : main.lvwOutbox;
            ASSERT_NE(list, nullptr);
            list->setItemSelected(1, true);
            list->setItemSelected(2, true);

            int yields = 0;
            QString answered;
            bool busyAtYield = false;
            vb::setDoEventsTickSource([t = std::make_shared<qint64>(0)] { return *t += 20; });
            vb::setDoEventsObserver([&] {
                if (++yields != 1)
                    return;
                busyAtYield = core::BusyScope::isBusy();
                answered = in.attempt(main);
            });
            dialogs().answer(vb::vbYes); // the command's question
            if (in.refusedWithBox)
                dialogs().answer(vb::vbOK);
            main.runMenuHandler(QString::fromLatin1(c.control));
            vb::setDoEventsObserver({});

            EXPECT_TRUE(busyAtYield);
            EXPECT_GE(yields, 1);
            // The command ended committed, as a whole.
            EXPECT_EQ(count(QString::fromLatin1(c.source)), c.sourceAfter);
            if (*c.target) {
                EXPECT_EQ(count(QString::fromLatin1(c.target)), c.targetAfter);
            }
            // Nothing was loaded into the command's transaction.
            EXPECT_EQ(count(QStringLiteral("Inbox")), 0);
            // The window stays, its database open, the lists show the tables.
            EXPECT_TRUE(main.isVisible());
            ASSERT_TRUE(modGlobal::cnDatabase);
            EXPECT_EQ(modGlobal::cnDatabase->State(), ado::adStateOpen);
            EXPECT_EQ(list->itemCount(), c.sourceAfter);
            EXPECT_FALSE(core::BusyScope::isBusy());

            const QStringList logged = history();
            if (*in.refusal) {
                const QString refusal = QString::fromLatin1(in.refusal)
                                            .arg(QString::fromLatin1(c.name),
                                                 QString::fromLatin1(c.folder) == QLatin1String("Recycled")
                                                     ? QStringLiteral("Delete")
                                                     : QStringLiteral("Recycle"));
                EXPECT_TRUE(logged.contains(refusal)) << logged.join(QLatin1Char('\n')).toStdString();
                if (in.refusedWithBox)
                    EXPECT_EQ(dialogs().last().text, refusal);
                else
                    EXPECT_EQ(answered, refusal);
            }
        }
    }
}

TEST_F(BusyScopeTest, WorkTheHolderStartsItselfJoinsItsScope)
{
    load();
    core::BusyScope outer(QStringLiteral("Move"), modGlobal::cnDatabase);
    ASSERT_TRUE(outer.acquired());
    {
        core::BusyScope own(QStringLiteral("Refresh"), modGlobal::cnDatabase);
        EXPECT_TRUE(own.acquired());
        EXPECT_EQ(&own.connection(), modGlobal::cnDatabase.get());
    }
    EXPECT_TRUE(core::BusyScope::isBusy()) << "the joined scope must not end the holder's";
    bool insideYield = true;
    vb::setDoEventsObserver([&] {
        core::BusyScope intruder(QStringLiteral("Load"), modGlobal::cnDatabase);
        insideYield = intruder.acquired();
    });
    vb::DoEvents();
    vb::setDoEventsObserver({});
    EXPECT_FALSE(insideYield);
    EXPECT_EQ(core::BusyScope::work(), QStringLiteral("Move"));
}

} // namespace mainwindow::test
