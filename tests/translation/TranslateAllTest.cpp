// The run around the walk: a missing record definition, a list that goes
// stale during a yield, a second run started during a yield, what a silent
// run leaves alone, and the record definition writer's failures.
#include "TranslationTestSupport.h"

#include "ErrorOf.h"
#include "TestEnvironment.h"

#include "translation/InboundTranslation.h"
#include "translation/RecordLayout.h"
#include "translation/TranslationBusy.h"

#include "core/BusyScope.h"
#include "core/SetFileName.h"
#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/Settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

using namespace translationtest;
using corvantis::test::dialogs;

namespace {

using namespace Qt::StringLiterals;

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TranslateAllTest : public TranslationTest {
protected:
    // A map that writes the BSN element as one record per set.
    void addSimpleMap()
    {
        addMap(parseMap(u"S 1 BSN\n"
                        "E 1\n"
                        "| objScript.ElementToSegment\n"
                        "S 2 LIN\n"
                        "| objScript.SegmentToSegments : objScript.WriteToLines : objScript.LinesToRecord Record\n"
                        "E 1\n"_s));
        addPartner(key.partner);
    }
    static QString set(const QString &value)
    {
        return u"ST*830*0001~BSN*"_s + value + u"~LIN*1~SE*4*0001~"_s;
    }
    ado::RecordsetPtr translate(bool silent = true)
    {
        translation::InboundTranslation run(*host, &progress);
        return run.TranslateAll(inbox, key.partner, key.transaction, key.version, key.direction, false, silent);
    }
};

TEST_F(TranslateAllTest, AMissingRecordDefinitionStopsBeforeAnyRowIsWalkedOrMarked)
{
    addSimpleMap();
    addInboxRow(set(u"A"_s));
    fillInbox({true});
    // Shown to the user when one is there; a silent run (a scheduled job)
    // never waits on a box, the History entry is the same.
    for (const bool silent : {false, true}) {
        dialogs().reset();
        if (!silent)
            dialogs().answer(vb::vbOK); // the reader's report
        EXPECT_FALSE(translate(silent));
        EXPECT_EQ(dialogs().boxes().size(), silent ? 0u : 1u);
        EXPECT_EQ(statuses(), QStringList{u"Closed"_s});
        const QStringList history = historyEntries();
        ASSERT_EQ(history.size(), silent ? 2 : 1);
        EXPECT_TRUE(history.back().startsWith(u"Error: 53 "_s)) << history.back().toStdString();
        EXPECT_TRUE(host->editingEnabled());
        EXPECT_TRUE(refreshed.empty());
    }
}

TEST_F(TranslateAllTest, AListThatChangesDuringAYieldStopsTheRunWithoutMarkingOtherRows)
{
    addSimpleMap();
    translation::CreateRecordDefinition(key, false);
    addInboxRow(set(u"A"_s));
    addInboxRow(set(u"B"_s));
    addInboxRow(set(u"C"_s));
    fillInbox({true, true, true});
    // While the first set is walked, a load adds a row that sorts first and
    // the list is refilled with every row selected.
    progress.onYield = [&](int n) {
        if (n != 2)
            return;
        addRow(u"Inbox"_s, {{"Partner", key.partner}, {"Time", u"0000"_s}, {"Status", u"Closed"_s},
                            {"TSet", set(u"NEW"_s)}});
        fillInbox({true, true, true, true});
    };
    dialogs().answer(vb::vbOK);
    EXPECT_FALSE(translate(false));
    EXPECT_EQ(statuses(), (QStringList{u"Closed"_s, u"Closed"_s, u"Closed"_s, u"Closed"_s}));
    EXPECT_EQ(historyEntries(),
              QStringList{u"Warning: "_s + translation::InboundTranslation::StaleListHistory(u"Inbox"_s)});
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].text, translation::InboundTranslation::StaleListMessage(u"Inbox"_s));
    EXPECT_EQ(dialogs().boxes()[0].icon, vb::vbExclamation);
    EXPECT_EQ(refreshed, QStringList{u"Inbox"_s});
    EXPECT_TRUE(host->editingEnabled());
}

TEST_F(TranslateAllTest, AListStaleBeforeTheRunTranslatesNothing)
{
    addSimpleMap();
    translation::CreateRecordDefinition(key, false);
    addInboxRow(set(u"A"_s));
    addInboxRow(set(u"B"_s));
    fillInbox({false, true});
    modGlobal::cnDatabase->Execute(u"DELETE FROM Inbox WHERE Time = '0001'"_s);
    EXPECT_FALSE(translate(true)); // silent: History only
    EXPECT_EQ(statuses(), QStringList{u"Closed"_s});
    EXPECT_EQ(historyEntries(),
              QStringList{u"Warning: "_s + translation::InboundTranslation::StaleListHistory(u"Inbox"_s)});
    EXPECT_TRUE(progress.previews.isEmpty());
}

TEST_F(TranslateAllTest, ASecondRunStartedDuringAYieldIsRefused)
{
    addSimpleMap();
    translation::CreateRecordDefinition(key, false);
    addInboxRow(set(u"A"_s));
    fillInbox({true});
    std::vector<ado::RecordsetPtr> inner;
    progress.onYield = [&](int n) {
        if (n == 2) {
            inner.push_back(translate(false)); // a box: not silent
            inner.push_back(translate(true));  // no box
        }
    };
    dialogs().answer(vb::vbOK);
    const ado::RecordsetPtr rs = translate(true);
    ASSERT_TRUE(rs);
    EXPECT_EQ(recordTexts(rs), (QStringList{u"1BSN01|2LIN01"_s, u"A|"_s}));
    ASSERT_EQ(inner.size(), 2u);
    EXPECT_FALSE(inner[0]);
    EXPECT_FALSE(inner[1]);
    EXPECT_EQ(statuses(), QStringList{u"Opened"_s});
    EXPECT_EQ(historyEntries(), (QStringList{u"Warning: A translation is already in progress"_s,
                                             u"Warning: A translation is already in progress"_s,
                                             u"Info: ACME01_830_004010_I Translated: 1 Errors: 0"_s}));
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].text, u"A translation is already in progress"_s);
    EXPECT_FALSE(translation::TranslationBusy::isBusy());
}

TEST_F(TranslateAllTest, ARunHoldsTheBusyScopeAndOtherWorksYieldCannotStartOne)
{
    addSimpleMap();
    translation::CreateRecordDefinition(key, false);
    addInboxRow(set(u"A"_s));
    fillInbox({true});

    // While it runs, exit and other long work see the translation.
    QStringList seen;
    progress.onYield = [&](int) { seen << core::BusyScope::work(); };
    ASSERT_TRUE(translate(true));
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.front(), u"Translation"_s);
    EXPECT_FALSE(core::BusyScope::isBusy());
    progress.onYield = nullptr;

    // Started by work that holds the scope itself (a job, a report command): joins it.
    {
        core::BusyScope job(u"Integration"_s, modGlobal::cnDatabase);
        ASSERT_TRUE(job.acquired());
        fillInbox({true});
        EXPECT_TRUE(translate(true));
        EXPECT_EQ(core::BusyScope::work(), u"Integration"_s);
    }

    // Started from inside another command's yield: refused with that work's name.
    modGlobal::cnDatabase->Execute(u"DELETE FROM History"_s);
    fillInbox({true});
    core::BusyScope move(u"Move"_s, modGlobal::cnDatabase);
    ASSERT_TRUE(move.acquired());
    bool ran = false;
    ado::RecordsetPtr inner;
    QTimer::singleShot(0, [&] {
        ran = true;
        inner = translate(true);
    });
    QElapsedTimer deadline;
    deadline.start();
    while (!ran && deadline.elapsed() < 10000)
        vb::DoEvents();
    ASSERT_TRUE(ran) << "the timer never fired within 10 s";
    EXPECT_FALSE(inner);
    EXPECT_EQ(historyEntries(),
              QStringList{u"Warning: Translation cannot start while Move is in progress."_s});
    EXPECT_FALSE(translation::TranslationBusy::isBusy());
}

TEST_F(TranslateAllTest, ASilentRunLeavesTheTransactionPaneAndTheImmediateTraceAlone)
{
    addSimpleMap();
    translation::CreateRecordDefinition(key, false);
    addInboxRow(set(u"A"_s));
    fillInbox({true});
    host->setTransactionText(u"earlier"_s);
    ASSERT_TRUE(translate(true));
    EXPECT_EQ(host->transactionText(), u"earlier"_s);
    EXPECT_TRUE(host->immediateText().isEmpty());
    EXPECT_EQ(progress.previews, QStringList{u"ST*830*0001\r\nBSN*A\r\nLIN*1\r\nSE*4*0001\r\n"_s});

    fillInbox({true});
    ASSERT_TRUE(translate(false));
    EXPECT_EQ(host->transactionText(), u"ST*830*0001\r\nBSN*A\r\nLIN*1\r\nSE*4*0001\r\n"_s);
    EXPECT_EQ(host->immediateText(), u"1BSN01 = A\r\n2LIN01 = \r\n"_s);
}

TEST_F(TranslateAllTest, AKeyThatCannotNameAFileWritesNothingAndTranslatesNothing)
{
    key.partner = u"AC/ME"_s;
    addSimpleMap();
    addInboxRow(set(u"A"_s));
    fillInbox({true});
    dialogs().answer(vb::vbOK);
    translation::CreateRecordDefinition(key, false);
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_TRUE(dialogs().boxes()[0].text.startsWith(u"Bad file name or number"_s));
    EXPECT_EQ(QDir(corvantis::test::tempDir()).entryList({u"*.ADO"_s}, QDir::Files), QStringList());
    EXPECT_EQ(QDir(corvantis::test::tempDir() + u"/AC"_s).exists(), false);

    EXPECT_FALSE(translate());
    EXPECT_EQ(statuses(), QStringList{u"Closed"_s});
    EXPECT_TRUE(historyEntries().last().startsWith(u"Error: Bad file name or number"_s));
}

struct FileNameCase {
    const char *partner;
    const char *extension;
    const char *expected; // nullptr: refused
};

TEST(SetFileNameTest, RefusesKeysThatLeaveTheFolderOrHoldControlCharacters)
{
    const FileNameCase cases[] = {
        {"ACME01", "ADO", "ACME01_830_004010_I.ADO"},
        {"ACME01", "", "ACME01_830_004010_I"},
        {"ACME 01", "ttx", "ACME 01_830_004010_I.ttx"},
        {"..", "RPT", ".._830_004010_I.RPT"},
        {"../etc", "ADO", nullptr},
        {"AC\tME", "ADO", nullptr},
        {"AC\nME", "ADO", nullptr},
        {"ACME\x7f", "ADO", nullptr},
        {"ACME", "A/B", nullptr},
    };
    for (const FileNameCase &c : cases) {
        SCOPED_TRACE(c.partner);
        QString name;
        const int error = corvantis::test::errorOf([&] {
            name = modGlobal::SetFileName(QString::fromLatin1(c.partner), u"830"_s, u"004010"_s, u"I"_s,
                                          QString::fromLatin1(c.extension));
        });
        if (c.expected) {
            EXPECT_EQ(error, 0);
            EXPECT_EQ(name, QString::fromLatin1(c.expected));
        } else {
            EXPECT_EQ(error, 52);
        }
    }
    EXPECT_EQ(corvantis::test::errorOf([] {
                  modGlobal::SetFileName(QString(), QString(), QString(), u"."_s, QString());
              }),
              0); // "___." is an ordinary name
    EXPECT_EQ(modGlobal::SetFilePath(u"/data/"_s, u"P"_s, u"T"_s, u"V"_s, u"D"_s, u"ADO"_s), u"/data/P_T_V_D.ADO"_s);
}

class RecordDefinitionWriterTest : public TranslationTest {};

TEST_F(RecordDefinitionWriterTest, AFailureLeavesThePreviousDefinitionIntact)
{
    addMap(parseMap(u"S 1 BSN\nE 1\nE 2 Type=N2 Max=10\n"_s));
    translation::CreateRecordDefinition(key, false);
    const QString path = translation::RecordDefinitionPath(key);
    const QByteArray good = fileBytes(path);
    ASSERT_EQ(good, QByteArray("1BSN01\t200\t10\r\n1BSN02\t131\t10\t2\r\n\r\n"));

    // Two element rows of one index would give two fields of one name.
    addMap(parseMap(u"S 2 REF\nE 1\nE 1\n"_s));
    std::vector<QString> nodes;
    dialogs().answer(vb::vbOK);
    translation::CreateRecordDefinition(key, true, [&](const QString &, const QString &k, const QString &, const QString &) {
        nodes.push_back(k);
    });
    EXPECT_EQ(dialogs().boxes().back().icon, vb::vbCritical);
    EXPECT_TRUE(historyEntries().last().startsWith(u"Error: 457 "_s)) << historyEntries().last().toStdString();
    EXPECT_EQ(fileBytes(path), good);
    EXPECT_EQ(nodes, std::vector<QString>{u"Record"_s});

    // A map without segment rows.
    modGlobal::cnDatabase->Execute(u"DELETE FROM Segment"_s);
    dialogs().answer(vb::vbOK);
    translation::CreateRecordDefinition(key, false);
    EXPECT_TRUE(historyEntries().last().startsWith(u"Error: 3021 "_s));
    EXPECT_EQ(fileBytes(path), good);
}

TEST_F(RecordDefinitionWriterTest, AnUnwritableFolderIsReported)
{
    addMap(parseMap(u"S 1 BSN\nE 1\n"_s));
    vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"ActiveX"_s, corvantis::test::tempDir() + u"/missing"_s);
    dialogs().answer(vb::vbOK);
    translation::CreateRecordDefinition(key, false);
    EXPECT_TRUE(historyEntries().last().startsWith(u"Error: 76 "_s)) << historyEntries().last().toStdString();
    EXPECT_FALSE(QDir(corvantis::test::tempDir() + u"/missing"_s).exists());
}

} // namespace
