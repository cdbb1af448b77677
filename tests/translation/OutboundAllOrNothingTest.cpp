// The outbound run killed (SIGKILL) in a child process, at random moments of
// a 2,000-set run and at the moments that matter: while it maps, when its
// file appears, after the file is written, after the load, after the commit.
// Whatever the moment, once the next run's start has finished what the kill
// left: either no file, no Outbox row and every number where it was, or a
// whole file under its name, its 2,000 Outbox rows and every number
// advanced. Even before that, no named file is ever empty, cut or without
// its rows, and no number is ever used twice.
#include "TranslationTestSupport.h"

#include "SyncLog.h"
#include "TestEnvironment.h"

#include "translation/OutboundTranslation.h"

#include "core/loader/InterchangeLoader.h"

#include "vb/Settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <random>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSets = 2000;

QString nineDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 9, 10, QLatin1Char('0'));
}

// What the run may change, read from the database and the Outbound folder.
struct State {
    qint64 isa13 = 0, gs06 = 0, controlNumber = 0, outboxRows = 0;
    QStringList named;   // interchange files under their names
    QStringList unnamed; // temporary files
};

class OutboundAllOrNothing : public translationtest::TranslationTest {
protected:
    void SetUp() override
    {
        TranslationTest::SetUp();
        key.direction = u"O"_s;
        addPartner(key.partner);
        addRow(u"Transactions"_s, {{"Partner", key.partner}, {"Transaction", key.transaction},
                                   {"Version", key.version}, {"Direction", key.direction}, {"Group", u"SS"_s},
                                   {"Versionoverride", u"004010"_s}, {"ControlNumber", vb::Variant::fromLong(0)}});
        addMap(translationtest::parseMap(u"S 1 BSN Level=H\nE 1\n| objScript.CurrentElement = Record(\"Key\")\n"
                                         "S 2 LIN Level=D\nE 1\n| objScript.CurrentElement = Record(\"Item\")\n"
                                         "S 3 CTT Level=S\nE 1\n| objScript.CurrentElement = \"1\"\n"_s));
        const QString import = corvantis::test::tempDir() + u"/import"_s;
        outbound = corvantis::test::tempDir() + u"/outbound"_s;
        QDir().mkpath(import);
        QDir().mkpath(outbound);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Import"_s, import);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, outbound);
        write(translation::OutboundTranslation::ImportDefinitionPath(key), "Key\t200\t10\r\nItem\t200\t20\r\n");
        QByteArray data;
        for (int i = 1; i <= kSets; ++i)
            data += "K" + QByteArray::number(i) + "\tW" + QByteArray::number(i) + "\r\n";
        write(translation::OutboundTranslation::ImportDataPath(key), data);
    }

    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
    }

    State state()
    {
        State s;
        const auto partner = rows(u"SELECT ISA13, GS06 FROM Partner"_s).at(0);
        s.isa13 = partner.at(u"ISA13"_s).toLongLong();
        s.gs06 = partner.at(u"GS06"_s).toLongLong();
        s.controlNumber = column(u"SELECT ControlNumber FROM Transactions"_s, u"ControlNumber"_s).at(0).toLongLong();
        s.outboxRows = count(u"Outbox"_s);
        for (const QString &name : QDir(outbound).entryList(QDir::Files | QDir::Hidden, QDir::Name))
            (name.startsWith(u'.') ? s.unnamed : s.named) << name;
        return s;
    }

    // Runs the child; `stage` makes it kill itself there; `killAfterMs`
    // (>= 0) kills it that long after its start; `killWhenFileAppears` kills
    // it as soon as a file shows in the Outbound folder. Returns true when
    // the child was killed, false when it ended by itself.
    bool runChild(const char *stage, int killAfterMs = -1, bool killWhenFileAppears = false)
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(OUTBOUND_RUN_CHILD), {corvantis::test::tempDir(), QString::fromLatin1(stage)});
        if (!child.waitForStarted(10000)) {
            ADD_FAILURE() << "the child did not start: " << child.errorString().toStdString();
            return false;
        }
        if (killAfterMs >= 0 && !child.waitForFinished(killAfterMs) && child.state() != QProcess::NotRunning)
            child.kill();
        if (killWhenFileAppears) {
            QElapsedTimer waited;
            waited.start();
            while (child.state() == QProcess::Running && waited.elapsed() < 30000) {
                if (!QDir(outbound).entryList(QDir::Files | QDir::Hidden).isEmpty()) {
                    child.kill();
                    break;
                }
                child.waitForFinished(1);
            }
        }
        if (child.state() != QProcess::NotRunning && !child.waitForFinished(30000)) {
            child.kill();
            child.waitForFinished(5000);
            ADD_FAILURE() << "the child did not end within 30 s";
            return true;
        }
        return child.exitStatus() == QProcess::CrashExit;
    }

    // What must hold right after a kill, before anything is finished: a
    // named file is whole and has its rows; rows and numbers move together.
    void expectConsistentAfterKill(const State &before)
    {
        const State now = state();
        const bool stored = now.outboxRows != before.outboxRows;
        EXPECT_EQ(now.named.size(), before.named.size() + ((stored && now.unnamed.isEmpty()) ? 1 : 0))
            << "a named file without its rows, or rows without their file unnamed";
        expectNumbers(before, now, stored);
    }

    void expectNumbers(const State &before, const State &now, bool stored)
    {
        if (stored) {
            EXPECT_EQ(now.outboxRows, before.outboxRows + kSets);
            EXPECT_EQ(now.isa13, before.isa13 + 1);
            EXPECT_EQ(now.gs06, before.gs06 + 1);
            EXPECT_EQ(now.controlNumber, std::max<qint64>(before.controlNumber, 1) + kSets);
        } else {
            EXPECT_EQ(now.outboxRows, before.outboxRows);
            EXPECT_EQ(now.isa13, before.isa13);
            EXPECT_EQ(now.gs06, before.gs06);
            EXPECT_EQ(now.controlNumber, before.controlNumber);
        }
    }

    // The next run's start finishes what the kill left; then it is all or
    // nothing. Returns whether the run's work was kept.
    bool expectAllOrNothing(const State &before)
    {
        translation::OutboundTranslation::CompleteInterruptedRuns();
        const State now = state();
        EXPECT_TRUE(now.unnamed.isEmpty()) << now.unnamed.join(u", "_s).toStdString();
        const bool stored = now.outboxRows != before.outboxRows;
        expectNumbers(before, now, stored);
        QStringList added = now.named;
        for (const QString &name : before.named)
            added.removeAll(name);
        EXPECT_EQ(added.size(), stored ? 1 : 0) << added.join(u", "_s).toStdString();
        if (stored && added.size() == 1) {
            QFile file(outbound + u'/' + added.front());
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray text = file.readAll();
            const QByteArray isa13 = nineDigits(now.isa13).toLatin1();
            EXPECT_TRUE(text.startsWith("ISA*")) << "the file begins with its ISA";
            EXPECT_TRUE(text.contains("*" + isa13 + "*")) << "the file carries the stored ISA13";
            EXPECT_TRUE(text.contains("~ST*830*" + nineDigits(std::max<qint64>(before.controlNumber, 1)).toLatin1()
                                      + "~"))
                << "the first set takes the first number not used";
            EXPECT_EQ(text.count("~ST*830*"), kSets);
            EXPECT_TRUE(text.endsWith("~GE*" + QByteArray::number(kSets) + "*" + nineDigits(now.gs06).toLatin1()
                                      + "~IEA*1*" + isa13 + "~"))
                << "the file is whole";
        }
        return stored;
    }

    QString outbound;
};

TEST_F(OutboundAllOrNothing, AnUnfinishedFileThatCannotBeReadIsLeftInPlace)
{
    // Reading the process's own memory from its start fails, as a disk error would.
    const QString unreadable = outbound + u"/.20261207-000000.outbound.Ab12Cd.part"_s;
    ASSERT_TRUE(QFile::link(u"/proc/self/mem"_s, unreadable));
    translation::OutboundTranslation::CompleteInterruptedRuns();
    EXPECT_TRUE(QFileInfo(unreadable).isSymLink()) << "a file that could not be read is never removed";
    const QStringList history = column(u"SELECT Description FROM History"_s, u"Description"_s);
    ASSERT_EQ(history.size(), 1) << history.join(u" | "_s).toStdString();
    EXPECT_TRUE(history[0].startsWith(u"The unfinished interchange file .20261207-000000.outbound.Ab12Cd.part of an "
                                      "interrupted outbound run could not be read and was left in place: "_s))
        << history[0].toStdString();
}

TEST_F(OutboundAllOrNothing, AKillAtEachMomentLeavesNothingOrAll)
{
    struct Case {
        const char *stage;
        bool kept; // after the next start
    };
    const std::vector<Case> cases = {
        {"Mapped", false},   // the sets are built, nothing is stored
        {"FileWritten", false}, // the file is whole under its temporary name, nothing committed
        {"Loaded", false},   // the rows are in the open transaction
        {"Committed", true}, // stored; the file has no name yet
        {"Named", true},     // done
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stage);
        const State before = state();
        EXPECT_TRUE(runChild(c.stage)) << "the child was to kill itself";
        expectConsistentAfterKill(before);
        EXPECT_EQ(expectAllOrNothing(before), c.kept);
    }
    // The moment the file appears (while it is written): the cut file.
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE("when the file appears");
        const State before = state();
        runChild("none", -1, true);
        expectConsistentAfterKill(before);
        expectAllOrNothing(before);
    }
    // A run that is not killed afterwards starts where the last kept one ended.
    const State before = state();
    EXPECT_FALSE(runChild("none"));
    EXPECT_TRUE(expectAllOrNothing(before));
}

// Failures after the mapping: nothing the run stored in its transaction stays.
TEST_F(OutboundAllOrNothing, ARefusedLoadOrAMovedCounterKeepsNothing)
{
    const State before = state();
    QString loadedFile;
    {
        // The loader stores the rows, then the Outbox refuses them.
        translation::OutboundTranslation run(*host, &progress, [&](const QString &file, const QString &) {
            loadedFile = file;
            EXPECT_EQ(core::InterchangeLoader(&progress).LoadBox(file, u"O"_s), QString());
            EXPECT_EQ(count(u"Outbox"_s), kSets) << "the rows are in the run's transaction";
            return u"Refused for a reason of the loader"_s;
        });
        EXPECT_EQ(run.ProcessOutbound(translation::OutboundSet::forKey(key), true), QString());
    }
    EXPECT_TRUE(QFileInfo(loadedFile).fileName().startsWith(u'.')) << "the file is loaded before it is named";
    EXPECT_EQ(historyEntries().mid(historyEntries().size() - 2),
              (QStringList{u"Error: Refused for a reason of the loader"_s,
                           u"Error: Process Failed - ACME01_830_004010_O"_s}));
    State now = state();
    EXPECT_EQ(now.outboxRows, 0);
    EXPECT_EQ(now.named, before.named);
    EXPECT_TRUE(now.unnamed.isEmpty());
    expectNumbers(before, now, false);

    // Another window changes the set's counter while the run yields.
    {
        translation::OutboundTranslation run(*host, &progress);
        run.setStageObserver([](translation::OutboundTranslation::RunStage stage) {
            if (stage == translation::OutboundTranslation::RunStage::Mapped)
                modGlobal::cnDatabase->Execute(u"UPDATE Transactions SET ControlNumber = 5000"_s);
        });
        EXPECT_EQ(run.ProcessOutbound(translation::OutboundSet::forKey(key), true), QString());
    }
    EXPECT_EQ(historyEntries().last(), u"Error: Process Failed - ACME01_830_004010_O: the transaction set's "
                                       "control number changed during the run"_s);
    now = state();
    EXPECT_EQ(now.outboxRows, 0);
    EXPECT_EQ(now.named, before.named);
    EXPECT_TRUE(now.unnamed.isEmpty());
    EXPECT_EQ(now.controlNumber, 5000);
    EXPECT_EQ(now.isa13, before.isa13);
    EXPECT_EQ(now.gs06, before.gs06);
}

// After a power cut a named file never stands without its rows and numbers
// (the next run would take the same numbers again): the run's commit is on
// the disk before the file takes its name, and the load inside the run
// writes with its commits synced.
TEST_F(OutboundAllOrNothing, TheCommitIsOnTheDiskBeforeTheFileTakesItsName)
{
    using Stage = translation::OutboundTranslation::RunStage;
    QStringList events;
    corvantis::test::SyncLog log([&](const QString &file) {
        if (file.endsWith(u"-wal"_s))
            events << (QDir(outbound).entryList(QDir::Files).isEmpty() ? u"log synced, no file named"_s
                                                                        : u"log synced, a file named"_s);
    });
    // Watched from its next opening on.
    modGlobal::cnDatabase->Close();
    modGlobal::cnDatabase->Open(modGlobal::cnDatabase->ConnectionString());
    // The log begun: its first header may be synced whatever the level.
    modGlobal::LogHistory(u"Info"_s, u"before the run"_s);
    events.clear();

    bool loading = false;
    QList<int> levelsInLoad;
    progress.onYield = [&](int) {
        if (loading)
            levelsInLoad << modGlobal::cnDatabase->synchronous();
    };
    translation::OutboundTranslation run(*host, &progress, [&](const QString &file, const QString &shownName) {
        loading = true;
        core::InterchangeLoader loader(&progress);
        loader.setShownFileName(shownName);
        const QString refused = loader.LoadBox(file, u"O"_s);
        loading = false;
        return refused;
    });
    run.setStageObserver([&](Stage stage) {
        static const char *const names[] = {"Mapped", "FileWritten", "Loaded", "Committed", "Named"};
        events << QString::fromLatin1(names[int(stage)]);
    });
    const QString written = run.ProcessOutbound(translation::OutboundSet::forKey(key), true);
    ASSERT_FALSE(written.isEmpty()) << historyEntries().join(u" | "_s).toStdString();
    EXPECT_TRUE(QFileInfo(written).isFile());

    const qsizetype loaded = events.indexOf(u"Loaded"_s);
    ASSERT_GE(loaded, 0) << events.join(u" | "_s).toStdString();
    EXPECT_EQ(events.mid(loaded), (QStringList{u"Loaded"_s, u"log synced, no file named"_s, u"Committed"_s, u"Named"_s}));
    EXPECT_FALSE(events.contains(u"log synced, a file named"_s)) << events.join(u" | "_s).toStdString();
    ASSERT_FALSE(levelsInLoad.isEmpty()) << "the load never yielded";
    for (const int level : std::as_const(levelsInLoad))
        EXPECT_EQ(level, 2) << "the nested load commits synced";
    EXPECT_EQ(modGlobal::cnDatabase->synchronous(), 1) << "everyday commits again after the run";
    EXPECT_EQ(count(u"Outbox"_s), kSets);
}

class OutboundRandomKill : public OutboundAllOrNothing, public ::testing::WithParamInterface<int> {};

// Ten kills at random moments per seed; the seeds together give 40.
TEST_P(OutboundRandomKill, AKillAtARandomMomentLeavesNothingOrAll)
{
    // How long a whole run takes here, child start included.
    QElapsedTimer timer;
    timer.start();
    State before = state();
    EXPECT_FALSE(runChild("none")) << "an unkilled run";
    const int runMs = int(timer.elapsed());
    EXPECT_TRUE(expectAllOrNothing(before));

    std::mt19937 random{unsigned(GetParam())};
    int kept = 0;
    for (int kill = 0; kill < 10; ++kill) {
        const int delay = std::uniform_int_distribution<int>(0, runMs)(random);
        SCOPED_TRACE("seed " + std::to_string(GetParam()) + ", killed after " + std::to_string(delay) + " of "
                     + std::to_string(runMs) + " ms");
        before = state();
        runChild("none", delay);
        expectConsistentAfterKill(before);
        kept += expectAllOrNothing(before) ? 1 : 0;
        // The rows of earlier runs only slow the next load.
        modGlobal::cnDatabase->Execute(u"DELETE FROM Outbox"_s);
    }
    std::printf("seed %d: a run takes %d ms; %d of 10 killed runs were kept whole\n", GetParam(), runMs, kept);
}

INSTANTIATE_TEST_SUITE_P(Seeds, OutboundRandomKill, ::testing::Values(1, 2, 3, 4));

} // namespace
