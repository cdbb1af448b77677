// Work done while a load yields. The load is one transaction and yields to
// window messages, so a timer, a window or a command can run in the middle
// of it. Whatever they write must not become part of the load: here each
// load is refused at its end (its interchange has no IEA) and rolled back,
// and every write made during it has been either refused visibly or kept,
// never undone with the load.
#include "CoreTestSupport.h"
#include "MainWindowFixture.h"

#include "TestEnvironment.h"

#include "communications/ExchangeLog.h"
#include "core/BusyScope.h"
#include "core/loader/AcknowledgementWriter.h"
#include "core/loader/InterchangeLoader.h"
#include "core/loader/WorkProgress.h"
#include "partners/PartnerStore.h"
#include "partners/frmPartners.h"

#include "ado/Connection.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/VbError.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

using corvantis::test::dialogs;
using modGlobal::cnDatabase;

namespace {

const QString kRefusedFile = QStringLiteral(CORVANTIS_FIXTURES "/loader/bad_missing_iea.IC");
const QString kRefusal = QStringLiteral("Missing Interchange Control Trailer Segment");
const QString kLoadRunning = QStringLiteral(" cannot start while Load is in progress.");

// Yields as the main window does: pending window messages run inside.
struct YieldingProgress : core::WorkProgress {
    int yields = 0;
    void yield() override
    {
        ++yields;
        vb::DoEvents();
    }
};

// Runs `intrude` inside the load's second yield (the file is being stored
// then), as a click or a timer would.
class AtSecondYield {
public:
    explicit AtSecondYield(std::function<void()> intrude)
    {
        vb::setDoEventsObserver([this, intrude = std::move(intrude)] {
            if (++m_yields == 2) {
                m_loadingThen = core::InterchangeLoader::isLoading() && cnDatabase->transactionLevel() > 0;
                intrude();
            }
        });
    }
    ~AtSecondYield() { vb::setDoEventsObserver({}); }
    bool ranInsideTheLoad() const { return m_yields >= 2 && m_loadingThen; }

private:
    int m_yields = 0;
    bool m_loadingThen = false;
};

class WritesDuringALoad : public coretest::CoreTest {
protected:
    // Loads the file that is refused at its end; nothing of it may stay.
    void loadRefusedFile()
    {
        YieldingProgress progress;
        core::InterchangeLoader loader(&progress);
        EXPECT_EQ(loader.LoadBox(kRefusedFile, QStringLiteral("I")), kRefusal);
        EXPECT_GE(progress.yields, 2);
        EXPECT_EQ(count(QStringLiteral("Inbox")), 0);
        EXPECT_EQ(count(QStringLiteral("ISA")), 0);
        EXPECT_EQ(cnDatabase->transactionLevel(), 0);
    }
    QStringList history() { return column(QStringLiteral("SELECT * FROM History ORDER BY [Index]"), QStringLiteral("Description")); }
    QStringList shownHistory() const
    {
        QStringList texts;
        for (const modGlobal::HistoryEntry &entry : shown)
            texts << entry.description;
        return texts;
    }
};

// The main window on a fresh database, loading.
class WindowWritesDuringALoad : public mainwindow::test::MainWindowTest {};

} // namespace

TEST_F(WritesDuringALoad, APartnerAddedThroughThePartnerStoreIsRefusedWithAnErrorNotUndone)
{
    partners::PartnerStore store(cnDatabase);
    store.open();
    int number = 0;
    QString message;
    AtSecondYield intruder([&] {
        try {
            store.add(QStringLiteral("NEWCO1"));
        } catch (const vb::VbError &error) {
            number = error.number;
            message = error.description;
        }
    });
    loadRefusedFile();
    EXPECT_TRUE(intruder.ranInsideTheLoad());
    EXPECT_EQ(number, 3219);
    EXPECT_TRUE(message.contains(QStringLiteral("Another task's transaction is open"))) << message.toStdString();
    EXPECT_EQ(count(QStringLiteral("Partner")), 0);
    // Nothing is left pending: once the load has ended the same add stores.
    store.add(QStringLiteral("NEWCO1"));
    EXPECT_EQ(column(QStringLiteral("SELECT * FROM Partner"), QStringLiteral("Partner")),
              QStringList{QStringLiteral("NEWCO1")});
}

TEST_F(WritesDuringALoad, HistoryAndExchangeEntriesATimerWritesAreKeptInTheirOrderAfterTheRollback)
{
    QStringList written;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!core::InterchangeLoader::isLoading())
            return;
        written << QStringLiteral("Timer entry %1").arg(written.size() + 1);
        // As the schedulers' and the Exchange window's timers write.
        modGlobal::LogHistory(QStringLiteral("Info"), written.last());
        communications::LogExchange(QStringLiteral("Info"), written.last());
    });
    timer.start();
    loadRefusedFile();
    timer.stop();

    ASSERT_GE(written.size(), 2) << "the timer must have run during the load";
    // Written once the load had rolled back, before its own refusal entry;
    // the window was handed each one as it was written.
    const QStringList expected = written + QStringList{core::loader_messages::refusedText(kRefusal, kRefusedFile)};
    EXPECT_EQ(history(), expected);
    EXPECT_EQ(shownHistory(), expected);
    EXPECT_EQ(column(QStringLiteral("SELECT * FROM Exchange ORDER BY [Index]"), QStringLiteral("Description")), written);
}

TEST_F(WritesDuringALoad, GenerateAcknowledgementIsRefusedWithABoxAndItsHistoryEntriesAreKept)
{
    dialogs().answer(vb::vbOK);
    AtSecondYield intruder([&] {
        core::MailboxSelection selection{QStringLiteral("Inbox"), QStringLiteral("SELECT * FROM Inbox"), {}};
        core::AcknowledgementWriter writer;
        EXPECT_EQ(writer.GenerateAcknowledgement(selection, [] { return QStringLiteral("unused"); }), QString());
    });
    loadRefusedFile();
    EXPECT_TRUE(intruder.ranInsideTheLoad());
    const QString refusal = QStringLiteral("Generate Acknowledgement") + kLoadRunning;
    EXPECT_EQ(dialogs().last().text, refusal);
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
    const QStringList expected{QStringLiteral("Selected [Tools] - [Generate Acknowledgement]"), refusal,
                               core::loader_messages::refusedText(kRefusal, kRefusedFile)};
    EXPECT_EQ(history(), expected);
    EXPECT_EQ(shownHistory(), expected);
    EXPECT_EQ(count(QStringLiteral("Outbox")), 0);
}

// The window's own commands: Setup > Partners and the partner window's Add,
// Save and Remove, asked for while a load runs from the main window.
TEST_F(WindowWritesDuringALoad, SetupPartnersAndThePartnerWindowsAddAndRemoveAreRefused)
{
    mainwindow::frmMain &main = load();
    db.connection().Execute(QStringLiteral("INSERT INTO Partner (Partner) VALUES ('ACME01')"));
    partners::frmPartners window; // open before the load began
    const QString refusedPartners = QStringLiteral("Partners") + kLoadRunning;
    for (int i = 0; i < 3; ++i)
        dialogs().answer(vb::vbOK);
    // Were Setup > Partners not refused, its modal window would wait for a
    // user: closed after 10 s, and the test fails.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] {
        if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            ADD_FAILURE() << "a modal window came up during the load";
            modal->reject();
        }
    });
    deadline.start(10000);
    vb::setDoEventsTickSource([t = std::make_shared<qint64>(0)] { return *t += 20; });
    AtSecondYield intruder([&] {
        main.runMenuHandler(QStringLiteral("mnuPartners"));
        window.mnuAddPartner_Click();      // refused before its name is asked for
        window.mnuRemovePartner_Click();   // likewise before its question
    });
    EXPECT_EQ(main.LoadBox(kRefusedFile, QStringLiteral("I")), kRefusal);
    vb::setDoEventsTickSource({});
    EXPECT_TRUE(intruder.ranInsideTheLoad());
    ASSERT_EQ(dialogs().boxes().size(), 3u);
    for (const corvantis::test::Box &box : dialogs().boxes()) {
        EXPECT_EQ(box.text, refusedPartners);
        EXPECT_EQ(box.icon, vb::vbExclamation);
    }
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Partner"), db.connection(), ado::adOpenKeyset, ado::adLockReadOnly);
    EXPECT_EQ(rs.RecordCount(), 1);
    rs.Close();
    // The refusals' History entries outlived the load's rollback.
    rs.Open(QStringLiteral("SELECT * FROM History WHERE Description = ?"), {vb::Variant(refusedPartners)},
            db.connection(), ado::adOpenKeyset, ado::adLockReadOnly);
    EXPECT_EQ(rs.RecordCount(), 3);
    rs.Close();
    // Setup > Partners went no further than its refusal.
    rs.Open(QStringLiteral("SELECT * FROM History WHERE Description = 'Selected [Setup] - [Partners]'"),
            db.connection(), ado::adOpenKeyset, ado::adLockReadOnly);
    EXPECT_EQ(rs.RecordCount(), 0);
    rs.Close();
    EXPECT_FALSE(core::BusyScope::isBusy());
}
