// The interchange loader over fixture files: good files give exactly the
// expected mailbox, envelope, partner and History rows (golden dumps); bad
// files give their exact message and leave every table as it was.
#include "LoaderTestSupport.h"

#include "core/loader/InterchangeLoader.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "vb/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace loadertest;

namespace {

QString withoutHistory(const QString &dump)
{
    return dump.section("[History]\n", 0, 0);
}

// Nothing of a refused file is kept; History holds only its "Error" entry,
// naming the file.
void expectRefused(const QString &before, const QString &message, const QString &file)
{
    EXPECT_EQ(withoutHistory(dumpTables()), withoutHistory(before));
    EXPECT_EQ(dumpTable("History", {"Type", "Description"}),
              "[History]\nType=Error|Description=" + message + " - [" + file + "]\n");
}

struct GoodCase {
    const char *file;
    const char *direction;
    const char *golden;
    std::function<void()> setUp;
};

void acmeWithSentRows()
{
    addAcmePartner();
    const QList<std::pair<QString, QVariant>> row = {{"Transaction", "830"}, {"Version", "004010"},
                                                     {"Direction", "O"},     {"Status", "Closed"},
                                                     {"TSet", "ST*830*000000007~SE*2*000000007~"}};
    addRow("Sent", QList<std::pair<QString, QVariant>>{{"Partner", "ACME"}, {"GroupControlNumber", "41"},
                                                       {"Acknowledged", "No"}} + row);
    addRow("Sent", QList<std::pair<QString, QVariant>>{{"Partner", "ACME"}, {"GroupControlNumber", "41"},
                                                       {"Acknowledged", "Void"}} + row);
    addRow("Sent", QList<std::pair<QString, QVariant>>{{"Partner", "ACME"}, {"GroupControlNumber", "42"},
                                                       {"Acknowledged", "No"}} + row);
    addRow("Sent", QList<std::pair<QString, QVariant>>{{"Partner", "OTHER"}, {"GroupControlNumber", "41"},
                                                       {"Acknowledged", "No"}} + row);
}

void acmeOutboundCounter(int stored)
{
    addAcmePartner();
    addRow("Transactions", {{"Partner", "ACME"}, {"Transaction", "830"}, {"Group", "PS"}, {"Version", "004010"},
                            {"Versionoverride", "004010"}, {"Direction", "O"}, {"ControlNumber", stored}});
}

class LoaderGoodFiles : public ::testing::TestWithParam<GoodCase> {};

TEST_P(LoaderGoodFiles, StoresExactlyTheExpectedRows)
{
    const GoodCase &c = GetParam();
    DatabaseScope db;
    if (c.setUp)
        c.setUp();
    RecordingProgress progress;
    core::InterchangeLoader loader(&progress);
    EXPECT_EQ(loader.LoadBox(fixture(c.file), QLatin1String(c.direction)), QString());
    expectGolden(QLatin1String(c.golden), dumpTables());
    EXPECT_EQ(db.connection().transactionLevel(), 0);
    EXPECT_EQ(progress.refreshed, QStringList{QLatin1String(*c.direction == 'I' ? "Inbox" : "Outbox")});
    // The status bar says what was stored, as the History entry (in the golden file) does.
    EXPECT_EQ(progress.statusTexts,
              (QStringList{"Reading file please wait...",
                           QStringLiteral("File Loaded - Interchanges: %1, Transaction Sets: %2 - [%3]")
                               .arg(loader.storedInterchanges())
                               .arg(loader.storedSets())
                               .arg(QLatin1String(c.file))}));
    EXPECT_GT(loader.storedSets(), 0);
    ASSERT_GE(progress.percentTexts.size(), 2);
    EXPECT_EQ(progress.percentTexts[progress.percentTexts.size() - 2], "100% Complete");
    EXPECT_EQ(progress.percentTexts.last(), "");
    EXPECT_EQ(progress.value, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoaderGoodFiles,
    ::testing::Values(
        // Two interchanges, four groups, five sets; stray segments counted
        // into the next set or dropped after the last; GS04 of 6 and 8 and
        // GS05 of 4, 6 and 8 characters and one invalid time (the clock's).
        GoodCase{"multi.IC", "I", "multi.expected", nullptr},
        GoodCase{"crlf.IC", "I", "crlf.expected", nullptr},
        GoodCase{"final_linebreak.IC", "I", "final_linebreak.expected", nullptr},
        // Each ISA brings its own element and sub-element separators; the
        // terminator of the first holds for the file. The partner keeps "*".
        GoodCase{"own_separators.IC", "I", "own_separators.expected", nullptr},
        // An ST before the previous set's SE: one row, holding both sets' segments.
        GoodCase{"st_without_se.IC", "I", "st_without_se.expected", nullptr},
        // The partner stores CR LF and "|": the sets take them, the
        // sub-element separator stays; the key asks for acknowledgement.
        GoodCase{"partner_delimiters.IC", "I", "partner_delimiters.expected",
                 [] {
                     addAcmePartner(0, '|', ':');
                     addRow("Transactions", {{"Partner", "ACME"}, {"Transaction", "830"}, {"Group", "PS"},
                                             {"Version", "004010"}, {"Versionoverride", "004010"},
                                             {"Direction", "I"}, {"ControlNumber", 5}, {"Acknowledge", true}});
                 }},
        // Outbound: the counter rises to the last loaded number + 1 ...
        GoodCase{"outbound.OC", "O", "outbound_raise.expected", [] { acmeOutboundCounter(5); }},
        // ... and is never lowered.
        GoodCase{"outbound.OC", "O", "outbound_keep.expected", [] { acmeOutboundCounter(20); }},
        // A registered partner's outbound file, the partner not yet known.
        GoodCase{"outbound.OC", "O", "outbound_register.expected", nullptr},
        // A received 997 marks the partner's Sent rows of the group; "Void" stays.
        GoodCase{"ack_inbound.IC", "I", "ack_inbound.expected", acmeWithSentRows},
        // Our own 997 loaded into the Outbox marks nothing.
        GoodCase{"ack_outbound.OC", "O", "ack_outbound.expected", acmeWithSentRows},
        // 005010 and later: ST03 names the implementation convention.
        GoodCase{"hc_claim_005010.IC", "I", "hc_claim_005010.expected", nullptr},
        GoodCase{"ack_999_005010.IC", "I", "ack_999_005010.expected", nullptr},
        // Bytes over 127 are Latin-1 characters, in the set's text and in
        // the values the group gives the mailbox row.
        GoodCase{"latin1_text.IC", "I", "latin1_text.expected", nullptr},
        // A letter as terminator cuts in either case; the set's text has the
        // ISA's letter after every segment.
        GoodCase{"terminator_case.IC", "I", "terminator_case.expected", nullptr}),
    [](const ::testing::TestParamInfo<GoodCase> &info) {
        return QString::fromLatin1(info.param.golden).section(QLatin1Char('.'), 0, 0).toStdString();
    });

struct BadCase {
    const char *file;
    const char *direction;
    const char *message;
    int errorBoxes; // ReportError boxes of the routines the loader calls
};

class LoaderBadFiles : public ::testing::TestWithParam<BadCase> {};

// What a refused load leaves: the History holds one "Error" entry naming
// the file and nothing else (no note of a partner registered by the work
// that was rolled back); the status bar names the file too.
TEST_P(LoaderBadFiles, GiveTheirMessageAndStoreNothing)
{
    const BadCase &c = GetParam();
    DatabaseScope db;
    addAcmePartner(); // a partner that is not the files', so a registration would show
    const QString before = dumpTables();
    for (int i = 0; i < c.errorBoxes; ++i)
        corvantis::test::dialogs().answer(vb::vbOK);
    RecordingProgress progress;
    core::InterchangeLoader loader(&progress);
    const QString message = QString::fromLatin1(c.message);
    EXPECT_EQ(loader.LoadBox(fixture(c.file), QLatin1String(c.direction)), message);
    EXPECT_EQ(withoutHistory(dumpTables()), withoutHistory(before));
    ASSERT_TRUE(before.endsWith("[History]\n"));
    EXPECT_EQ(dumpTable("History", {"Type", "Description"}),
              "[History]\nType=Error|Description=" + message + " - [" + fixture(c.file) + "]\n");
    EXPECT_EQ(progress.statusTexts.value(progress.statusTexts.size() - 1),
              message + " - [" + QLatin1String(c.file) + "]");
    EXPECT_EQ(loader.storedSets(), 0);
    EXPECT_EQ(db.connection().transactionLevel(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoaderBadFiles,
    ::testing::Values(
        BadCase{"bad_missing_isa.IC", "I", "Missing ISA Segment", 0},
        BadCase{"bad_empty.IC", "I", "Missing ISA Segment", 0},
        BadCase{"no_such_file.IC", "I", "Missing ISA Segment", 0},
        BadCase{"bad_corrupt_isa.IC", "I", "Corrupt ISA Segment", 0},
        // One separator short: character 106 is the G of GS, the terminator
        // that cuts the file; the first piece still has 105 characters.
        BadCase{"bad_short_isa.IC", "I", "Expected Element missing: Segment = ISA: Included Elements = 16", 0},
        BadCase{"bad_isa_parts.IC", "I", "Expected Element missing: Segment = ISA: Included Elements = 17", 0},
        BadCase{"bad_gs_parts.IC", "I", "Expected Element missing: Segment = GS: Included Elements = 8", 0},
        BadCase{"bad_st03.IC", "I", "Expected Element missing: Segment = ST: Included Elements = 4", 0},
        BadCase{"bad_unknown_set.IC", "I", "Transaction Set Registration Failed", 1},
        BadCase{"bad_se_without_st.IC", "I", "Missing Transaction Set Header Segment", 0},
        BadCase{"bad_se_control.IC", "I",
                "Transaction Set Header Control Number 0001 Do Not Match Transaction Set Trailer Control Number 0002", 0},
        BadCase{"bad_se_count.IC", "I", "Included Number of Segments 4 Are Not Equal 5", 0},
        BadCase{"bad_se_short.IC", "I", "Missing: Expected Segment or Element", 0},
        BadCase{"bad_group_without_sets.IC", "I", "Missing Transaction Set Trailer Segment", 0},
        BadCase{"bad_ge_count.IC", "I", "Number of Included Transaction Sets 1 Are Not Equal 2", 0},
        BadCase{"bad_ge_control.IC", "I", "Functional Group Control Number 91 Does Not Match GE Group Control Number 92", 0},
        BadCase{"bad_ge_short.IC", "I", "Missing: Expected Segment or Element", 0},
        BadCase{"bad_iea_without_ge.IC", "I", "Missing Functional Group Trailer Segment", 0},
        BadCase{"bad_iea_count.IC", "I", "Number of Included Functional Groups 1 Are Not Equal 2", 0},
        // Control numbers compare as text: 901 is not 000000901.
        BadCase{"bad_iea_control.IC", "I",
                "Interchange Header Control Number 000000901 Do Not Match Interchange Trailer Control Number 901", 0},
        BadCase{"bad_missing_iea.IC", "I", "Missing Interchange Control Trailer Segment", 0},
        BadCase{"no_final_terminator.IC", "I", "Missing Interchange Control Trailer Segment", 0},
        // The first interchange is sound; the second one's failure takes it along.
        BadCase{"bad_second_interchange.IC", "I",
                "Interchange Header Control Number 000000904 Do Not Match Interchange Trailer Control Number 000000905", 0},
        BadCase{"bad_se_count.IC", "O", "Included Number of Segments 4 Are Not Equal 5", 0}),
    [](const ::testing::TestParamInfo<BadCase> &info) {
        return QString::fromLatin1(info.param.file).section(QLatin1Char('.'), 0, 0).toStdString()
            + (*info.param.direction == 'O' ? "_outbound" : "");
    });

// Files written one segment a line: a line break (LF, CR LF or CR) after a
// one-character terminator, and blanks or tabs before the next segment, are
// no part of any segment. Each loads exactly as its flat twin does.
class LoaderLineBreaks : public ::testing::TestWithParam<const char *> {};

TEST_P(LoaderLineBreaks, LoadAsIfTheFileHadNone)
{
    QString flat;
    {
        DatabaseScope db;
        core::InterchangeLoader loader;
        ASSERT_EQ(loader.LoadBox(fixture("linebreak_flat.IC"), "I"), QString());
        flat = dumpTables();
    }
    DatabaseScope db;
    core::InterchangeLoader loader;
    EXPECT_EQ(loader.LoadBox(fixture(QLatin1String(GetParam())), "I"), QString());
    const QString stored = withoutHistory(dumpTables());
    EXPECT_EQ(stored, withoutHistory(flat));
    EXPECT_TRUE(stored.contains("TSet=ST*830*2001~BFR*05*RELEASE 1**DL*A*20261201*20270301*20261210~SE*3*2001~\n"))
        << stored.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, LoaderLineBreaks,
                         ::testing::Values("linebreak_each.IC", "linebreak_crlf_indented.IC", "linebreak_cr.IC"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return QString::fromLatin1(info.param).section(QLatin1Char('.'), 0, 0).toStdString();
                         });

class LoaderTest : public ::testing::Test {
protected:
    DatabaseScope db;
};


// The same interchange twice: an unattended load passes it over with a
// History "Warning"; a load the user started asks first (default No). The
// file's other interchange is stored either way.
struct DuplicateCase {
    const char *name;
    const char *firstDirection;       // how multi_first_only.IC was loaded
    std::function<void(ado::Connection &)> after; // what became of its rows
    bool interactive;
    int answer;                       // the user's answer; 0: no question expected
    bool storedAgain;
    int rows101;                      // rows of interchange 000000101 in all lists afterwards
};

class LoaderDuplicates : public ::testing::TestWithParam<DuplicateCase> {};

void moveInboxTo(ado::Connection &cn, const char *table)
{
    const QString columns = "Partner, \"Transaction\", Version, Date, Time, Used, InterchangeControlNumber, "
                            "GroupControlNumber, FunctionalGroup, SenderID, SenderDivision, ReceiverID, "
                            "ReceiverDivision, Direction, Acknowledged, Status, TSet";
    cn.Execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM Inbox").arg(QLatin1String(table), columns));
    cn.Execute("DELETE FROM Inbox");
}

TEST_P(LoaderDuplicates, PassOverOrAskAndStoreTheRest)
{
    const DuplicateCase &c = GetParam();
    DatabaseScope db;
    {
        core::InterchangeLoader first;
        ASSERT_EQ(first.LoadBox(fixture("multi_first_only.IC"), QLatin1String(c.firstDirection)), QString());
    }
    if (c.after)
        c.after(db.connection());
    db.connection().Execute("DELETE FROM History");
    if (c.answer)
        corvantis::test::dialogs().answer(c.answer);

    core::InterchangeLoader loader;
    loader.setInteractive(c.interactive);
    EXPECT_EQ(loader.LoadBox(fixture("multi.IC"), "I"), QString());

    if (c.answer) {
        ASSERT_EQ(corvantis::test::dialogs().boxes().size(), 1u);
        const corvantis::test::Box &box = corvantis::test::dialogs().boxes().front();
        EXPECT_EQ(box.text, "Interchange 000000101 from ACMEPARTS is already stored. Load it again?");
        EXPECT_EQ(box.buttons, vb::vbYesNo);
        EXPECT_EQ(box.defaultButton, 2);
    } else {
        EXPECT_TRUE(corvantis::test::dialogs().boxes().empty());
    }
    int stored101 = 0;
    for (const char *table : {"Inbox", "Outbox", "Sent", "Recycled"})
        stored101 += dumpTable(QLatin1String(table), {"Transaction"}, " WHERE InterchangeControlNumber = '000000101'")
                         .count('\n') - 1;
    EXPECT_EQ(stored101, c.rows101);
    EXPECT_EQ(dumpTable("Inbox", {"Transaction"}, " WHERE InterchangeControlNumber = '000000102'"),
              "[Inbox]\nTransaction=830\nTransaction=830\n");

    const QString file = fixture("multi.IC");
    QString history = "[History]\n";
    if (!c.storedAgain)
        history += "Type=Warning|Description=Interchange 000000101 from ACMEPARTS is already stored, not loaded again - ["
            + file + "]\n";
    history += QStringLiteral("Type=Info|Description=File Loaded - Interchanges: %1, Transaction Sets: %2 - [%3]\n")
                   .arg(c.storedAgain ? 2 : 1)
                   .arg(c.storedAgain ? 5 : 2)
                   .arg(file);
    // (The Outbox case registers the partner of the other direction too.)
    EXPECT_EQ(dumpTable("History", {"Type", "Description"}, " WHERE Description NOT LIKE 'Trading Partner Registered%'"),
              history);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoaderDuplicates,
    ::testing::Values(
        DuplicateCase{"unattended", "I", nullptr, false, 0, false, 3},
        DuplicateCase{"asked_no", "I", nullptr, true, vb::vbNo, false, 3},
        DuplicateCase{"asked_yes", "I", nullptr, true, vb::vbYes, true, 6},
        // Stored in any list: the Outbox (our own file, ids the other way
        // round), Sent, Recycled.
        DuplicateCase{"outbox", "O", nullptr, false, 0, false, 3},
        DuplicateCase{"sent", "I", [](ado::Connection &cn) { moveInboxTo(cn, "Sent"); }, false, 0, false, 3},
        DuplicateCase{"recycled", "I", [](ado::Connection &cn) { moveInboxTo(cn, "Recycled"); }, false, 0, false, 3},
        // Deleted from every list: it may come again.
        DuplicateCase{"deleted", "I", [](ado::Connection &cn) { cn.Execute("DELETE FROM Inbox"); }, true, 0, true, 3},
        // Another sender qualifier is another sender.
        DuplicateCase{"other_qualifier", "I",
                      [](ado::Connection &cn) { cn.Execute("UPDATE ISA SET ISA05 = '01'"); }, true, 0, true, 6}),
    [](const ::testing::TestParamInfo<DuplicateCase> &info) { return std::string(info.param.name); });

TEST_F(LoaderTest, LoadStartedDuringAYieldIsRefusedAndStoresNothing)
{
    RecordingProgress progress;
    QStringList inner;
    progress.onYield = [&] {
        if (inner.isEmpty()) {
            core::InterchangeLoader second;
            inner << second.LoadBox(fixture("final_linebreak.IC"), "I");
        }
    };
    core::InterchangeLoader loader(&progress);
    EXPECT_TRUE(!core::InterchangeLoader::isLoading());
    EXPECT_EQ(loader.LoadBox(fixture("crlf.IC"), "I"), QString());
    EXPECT_EQ(inner, QStringList{"A load is already in progress"});
    EXPECT_FALSE(core::InterchangeLoader::isLoading());
    // Only the first file's two sets.
    EXPECT_EQ(dumpTable("Inbox", {"InterchangeControlNumber"}),
              "[Inbox]\nInterchangeControlNumber=000000201\nInterchangeControlNumber=000000201\n");
}

// The program's exit closes and drops the database; while a load yields the
// user can ask for it. The load then fails cleanly instead of using the
// dropped connection, and nothing of it is kept.
TEST_F(LoaderTest, DatabaseClosedDuringAYieldFailsTheLoadAndKeepsNothing)
{
    const std::shared_ptr<ado::Connection> kept = modGlobal::cnDatabase;
    RecordingProgress progress;
    bool closed = false;
    progress.onYield = [&] {
        if (!closed) {
            closed = true;
            modGlobal::cnDatabase->Close();
            modGlobal::cnDatabase.reset();
        }
    };
    // The look-up for a stored interchange finds no database: reported (its
    // History entry cannot be written, nor the load's own: two more boxes).
    for (int i = 0; i < 3; ++i)
        corvantis::test::dialogs().answer(vb::vbOK);
    core::InterchangeLoader loader(&progress);
    EXPECT_EQ(loader.LoadBox(fixture("crlf.IC"), "I"),
              "The connection cannot be used to perform this operation. It is either closed or invalid in this context.");
    EXPECT_TRUE(closed);
    EXPECT_FALSE(core::InterchangeLoader::isLoading());

    kept->Open(kept->ConnectionString());
    modGlobal::cnDatabase = kept;
    EXPECT_EQ(kept->transactionLevel(), 0);
    EXPECT_EQ(dumpTable("Inbox", {"InterchangeControlNumber"}), "[Inbox]\n");
}

TEST_F(LoaderTest, MailboxRowThatCannotBeStoredFailsTheLoad)
{
    db.connection().Execute("CREATE TRIGGER refuse_862 BEFORE INSERT ON Inbox WHEN NEW.\"Transaction\" = '862' "
                            "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const QString before = dumpTables();
    core::InterchangeLoader loader;
    // The cause stays in the message the History entry records.
    EXPECT_EQ(loader.LoadBox(fixture("crlf.IC"), "I"), "Error Saving Transaction Set: refused (adding a row to \"Inbox\")");
    expectRefused(before, "Error Saving Transaction Set: refused (adding a row to \"Inbox\")", fixture("crlf.IC"));
}

TEST_F(LoaderTest, EnvelopeRowThatCannotBeStoredFailsWithItsSaversMessage)
{
    db.connection().Execute("CREATE TRIGGER refuse_gs BEFORE INSERT ON GS BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const QString before = dumpTables();
    corvantis::test::dialogs().answer(vb::vbOK);
    core::InterchangeLoader loader;
    EXPECT_EQ(loader.LoadBox(fixture("crlf.IC"), "I"), "Error Saving Functional Group Header Segment");
    expectRefused(before, "Error Saving Functional Group Header Segment", fixture("crlf.IC"));
    // The saver reported its error; the report was written after... nothing:
    // History rows of the load go with its rollback.
    EXPECT_EQ(corvantis::test::dialogs().boxes().size(), 1u);
}

// An outbound load raises the key's counter past the numbers its file used;
// a counter that cannot be stored must fail the load, or the next outbound
// run would hand out those numbers again.
TEST_F(LoaderTest, ControlNumberThatCannotBeStoredFailsTheLoad)
{
    acmeOutboundCounter(5);
    db.connection().Execute(
        "CREATE TRIGGER refuse_counter BEFORE UPDATE OF ControlNumber ON Transactions BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const QString before = dumpTables();
    corvantis::test::dialogs().answer(vb::vbOK);
    core::InterchangeLoader loader;
    EXPECT_EQ(loader.LoadBox(fixture("outbound.OC"), "O"), "Error Saving Transaction Set");
    expectRefused(before, "Error Saving Transaction Set", fixture("outbound.OC"));
    EXPECT_EQ(db.connection().transactionLevel(), 0);
}

// A received 997 whose Sent rows cannot be marked is not loaded either: the
// acknowledgement would be stored while the rows still wait for one.
TEST_F(LoaderTest, AcknowledgementThatCannotMarkItsSentRowsFailsTheLoad)
{
    acmeWithSentRows();
    db.connection().Execute("CREATE TRIGGER refuse_sent BEFORE UPDATE ON Sent BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const QString before = dumpTables();
    corvantis::test::dialogs().answer(vb::vbOK);
    core::InterchangeLoader loader;
    EXPECT_EQ(loader.LoadBox(fixture("ack_inbound.IC"), "I"), "Error Saving Transaction Set");
    expectRefused(before, "Error Saving Transaction Set", fixture("ack_inbound.IC"));
    EXPECT_EQ(db.connection().transactionLevel(), 0);
}

// A full disk: SQLite rolls the whole transaction back itself when a row
// cannot be written. The load fails, keeps nothing, and the connection knows
// no transaction is open (later loads commit as usual).
TEST_F(LoaderTest, FullDatabaseFailsTheLoadAndLeavesNoTransaction)
{
    // More sets than the free room of the file's pages.
    QString text = "ISA*00*          *00*          *ZZ*ACMEPARTS      *ZZ*CORVANTIS      *261210*1200*U*00401*000000511*0*P*>~"
                   "GS*PS*ACMEAPP*CORVAPP*20261210*0915*51*X*004010~";
    for (int i = 1; i <= 400; ++i)
        text += QStringLiteral("ST*830*%1~N1*ST*%2~SE*3*%1~").arg(i).arg(QString(400, 'X'));
    text += "GE*400*51~IEA*1*000000511~";
    const QString file = corvantis::test::tempDir() + "/large.IC";
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text.toLatin1());
    out.close();

    const QString before = dumpTables();
    // No page beyond those the file has.
    db.connection().Execute("PRAGMA max_page_count = 1");
    core::InterchangeLoader loader;
    EXPECT_EQ(loader.LoadBox(file, "I"),
              "Error Saving Transaction Set: database or disk is full (adding a row to \"Inbox\")");
    EXPECT_EQ(db.connection().transactionLevel(), 0);
    db.connection().Execute("PRAGMA max_page_count = 1073741823");
    // (The History entry of the refusal may or may not have found room.)
    EXPECT_EQ(withoutHistory(dumpTables()), withoutHistory(before));
    EXPECT_EQ(loader.LoadBox(fixture("crlf.IC"), "I"), QString());
    EXPECT_EQ(db.connection().transactionLevel(), 0);
}

// The load's own History entries are written in its transaction, so its
// synced commit keeps them with the rows they tell of; a commit that fails
// takes them back, and only the refusal stays.
TEST_F(LoaderTest, TheLoadsOwnEntriesAreWrittenInItsTransaction)
{
    struct Stored {
        QString description;
        int level, synchronous;
    };
    std::vector<Stored> stored;
    modGlobal::MainWindowLink &link = modGlobal::mainWindowLink();
    const auto previous = link.historyStored;
    link.historyStored = [&](const modGlobal::HistoryEntry &entry) {
        stored.push_back({entry.description, db.connection().transactionLevel(), db.connection().synchronous()});
    };
    struct Restore {
        std::function<void(const modGlobal::HistoryEntry &)> previous;
        ~Restore() { modGlobal::mainWindowLink().historyStored = previous; }
    } restore{previous};

    core::InterchangeLoader loader;
    ASSERT_EQ(loader.LoadBox(fixture("crlf.IC"), "I"), QString());
    ASSERT_FALSE(stored.empty());
    EXPECT_TRUE(stored.back().description.startsWith("File Loaded - ")) << stored.back().description.toStdString();
    for (const Stored &entry : stored) {
        EXPECT_EQ(entry.level, 1) << "written in the load's transaction: " << entry.description.toStdString();
        EXPECT_EQ(entry.synchronous, 2) << "which commits synced: " << entry.description.toStdString();
    }

    // A check the database makes only at the commit refuses it.
    ado::Connection &cn = db.connection();
    cn.Execute("PRAGMA foreign_keys = ON");
    cn.Execute("CREATE TABLE Owner (Id INTEGER PRIMARY KEY)");
    cn.Execute("CREATE TABLE Owned (OwnerId INTEGER REFERENCES Owner(Id) DEFERRABLE INITIALLY DEFERRED)");
    cn.Execute("CREATE TRIGGER orphan AFTER INSERT ON Inbox BEGIN INSERT INTO Owned VALUES (-1); END");
    stored.clear();
    const QString before = dumpTables();
    corvantis::test::dialogs().answer(vb::vbOK); // the error's report
    const QString refusal = loader.LoadBox(fixture("final_linebreak.IC"), "I");
    EXPECT_TRUE(refusal.contains("FOREIGN KEY constraint failed")) << refusal.toStdString();
    EXPECT_EQ(withoutHistory(dumpTables()), withoutHistory(before));
    const QString history = dumpTable("History", {"Type", "Description"});
    EXPECT_FALSE(history.contains("final_linebreak.IC]\nType=Info")) << history.toStdString();
    EXPECT_EQ(history.count("File Loaded"), 1) << "only the first load's entry: " << history.toStdString();
    EXPECT_TRUE(history.endsWith("Type=Error|Description=" + refusal + " - [" + fixture("final_linebreak.IC") + "]\n"))
        << history.toStdString();
    EXPECT_EQ(cn.transactionLevel(), 0);
    EXPECT_EQ(cn.synchronous(), 1);
    cn.Execute("PRAGMA foreign_keys = OFF");
}

// A received 997 names the group it answers in AK1. A segment before its
// ST is stored at the front of the set and must not be taken for AK1 (the
// ST's control number 0001 would mark group 1).
TEST_F(LoaderTest, ReceivedAcknowledgementMarksTheGroupOfItsAK1)
{
    acmeWithSentRows();
    addRow("Sent", {{"Partner", "ACME"}, {"GroupControlNumber", "1"}, {"Acknowledged", "No"}, {"Transaction", "830"},
                    {"Version", "004010"}, {"Direction", "O"}, {"Status", "Closed"}});
    core::InterchangeLoader loader;
    EXPECT_EQ(loader.LoadBox(fixture("ack_received_segment_before_st.IC"), "I"), QString());
    EXPECT_EQ(dumpTable("Sent", {"Partner", "GroupControlNumber", "Acknowledged"}),
              "[Sent]\n"
              "Partner=ACME|GroupControlNumber=41|Acknowledged=Yes\n"
              "Partner=ACME|GroupControlNumber=41|Acknowledged=Void\n"
              "Partner=ACME|GroupControlNumber=42|Acknowledged=No\n"
              "Partner=OTHER|GroupControlNumber=41|Acknowledged=No\n"
              "Partner=ACME|GroupControlNumber=1|Acknowledged=No\n");
}

// A file of many sets: every one is stored once, in file order, whatever
// the loader does to keep its memory flat on long files.
TEST_F(LoaderTest, ManySetsAreEachStoredOnceInFileOrder)
{
    addAcmePartner();
    const int sets = 1300;
    QString text = "ISA*00*          *00*          *ZZ*ACMEPARTS      *ZZ*CORVANTIS      *261210*1200*U*00401*000000501*0*P*>~"
                   "GS*PS*ACMEAPP*CORVAPP*20261210*0915*31*X*004010~";
    for (int i = 1; i <= sets; ++i)
        text += QStringLiteral("ST*830*%1~BFR*05*REL%1**DL*A*20261201*20270301*20261210~SE*3*%1~").arg(i);
    text += QStringLiteral("GE*%1*31~IEA*1*000000501~").arg(sets);
    const QString file = corvantis::test::tempDir() + "/many.IC";
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text.toLatin1());
    out.close();

    core::InterchangeLoader loader;
    ASSERT_EQ(loader.LoadBox(file, "I"), QString());
    // The log is folded into the file after the load; the next write starts
    // it over and cuts it back.
    const QString log = db.connection().databasePath() + "-wal";
    ASSERT_TRUE(db.connection().waitForLogFolded(30000)) << "the log was not folded in within 30 s";
    db.connection().Execute("INSERT INTO History (Type) VALUES ('Info')");
    EXPECT_TRUE(QFile::exists(log));
    EXPECT_LT(QFileInfo(log).size(), 64 * 1024);
    const QStringList rows = dumpTable("Inbox", {"TSet"}).split('\n', Qt::SkipEmptyParts).mid(1);
    ASSERT_EQ(rows.size(), sets);
    for (int i = 0; i < sets; i += 97)
        EXPECT_EQ(rows[i], QStringLiteral("TSet=ST*830*%1~BFR*05*REL%1**DL*A*20261201*20270301*20261210~SE*3*%1~").arg(i + 1));
    EXPECT_EQ(rows.last(), QStringLiteral("TSet=ST*830*%1~BFR*05*REL%1**DL*A*20261201*20270301*20261210~SE*3*%1~").arg(sets));
}

TEST_F(LoaderTest, FailureWithoutACheckMessageReturnsTheErrorText)
{
    // The mailbox table is missing: every set fails to be stored.
    db.connection().Execute("DROP TABLE Outbox");
    core::InterchangeLoader loader;
    const QString missing = loader.LoadBox(fixture("outbound.OC"), "O");
    EXPECT_TRUE(missing.startsWith("Error Saving Transaction Set: ")) << missing.toStdString();
    EXPECT_TRUE(missing.contains("Outbox")) << missing.toStdString();
    // No connection at all: a run-time error of the load itself, reported
    // (the History entry of the report cannot be written either) and returned.
    modGlobal::cnDatabase.reset();
    corvantis::test::dialogs().answer(vb::vbOK).answer(vb::vbOK).answer(vb::vbOK);
    const QString result = loader.LoadBox(fixture("crlf.IC"), "I");
    EXPECT_FALSE(result.isEmpty());
    ASSERT_FALSE(corvantis::test::dialogs().boxes().empty());
    EXPECT_EQ(corvantis::test::dialogs().boxes().front().text, result);
}

} // namespace

namespace {

TEST(LoaderControlNumbers, LettersLeaveTheCounterAndRegisterTheSetOnce)
{
    DatabaseScope db;
    core::InterchangeLoader loader;
    ASSERT_EQ(loader.LoadBox(fixture("letter_control_number.IC"), "I"), QString());
    const QString registered = dumpTable("Transactions", {"Transaction", "ControlNumber"});
    EXPECT_TRUE(registered.startsWith("[Transactions]\nTransaction=830|ControlNumber=")) << registered.toStdString();
    EXPECT_EQ(registered.count('\n'), 2);
    // The same sets in another interchange.
    const QString again = corvantis::test::tempDir() + "/again.IC";
    QFile out(again);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    QByteArray text = readFixture("letter_control_number.IC").toLatin1();
    const qsizetype icn = text.indexOf("*0*P*");
    ASSERT_GT(icn, 9);
    text.replace(icn - 9, 9, "000000999");
    text.replace(text.lastIndexOf('*') + 1, 9, "000000999");
    out.write(text);
    out.close();
    ASSERT_EQ(loader.LoadBox(again, "I"), QString());
    EXPECT_EQ(dumpTable("Transactions", {"Transaction", "ControlNumber"}), registered);
    EXPECT_EQ(dumpTable("Inbox", {"TSet"}), QString("[Inbox]\n") + QString("TSet=ST*830*A001~BFR*05*R1~SE*3*A001~\n").repeated(2));
    EXPECT_TRUE(corvantis::test::dialogs().boxes().empty());
}

} // namespace

namespace {

// A database of the old 1 KB pages: it opens, takes a load, and the exit's
// compaction converts it to today's page size with the load's rows.
TEST(LoaderOldPageSize, OpensLoadsCompactsAndIsConverted)
{
    const QString folder = corvantis::test::tempDir() + "/old";
    QDir().mkpath(folder);
    const QString path = corvantis::test::copyFreshDatabase(folder);
    ado::CompactDatabase(path, ado::kApplicationPassword, ado::kLegacyCipherPageSize);
    modGlobal::strCurrentUser = "Tester";
    modGlobal::cnDatabase = std::make_shared<ado::Connection>();
    modGlobal::cnDatabase->Open(modGlobal::ConnectionString(folder));
    EXPECT_EQ(modGlobal::cnDatabase->cipherPageSize(), ado::kLegacyCipherPageSize);
    core::InterchangeLoader loader;
    ASSERT_EQ(loader.LoadBox(fixture("crlf.IC"), "I"), QString());
    const QString stored = dumpTables();
    modGlobal::cnDatabase->Close();

    ado::CompactDatabase(path, ado::kApplicationPassword);
    modGlobal::cnDatabase->Open(modGlobal::ConnectionString(folder));
    EXPECT_EQ(modGlobal::cnDatabase->cipherPageSize(), ado::kCipherPageSize);
    EXPECT_EQ(dumpTables(), stored);
    EXPECT_TRUE(stored.contains("InterchangeControlNumber=000000201")) << stored.toStdString();
    modGlobal::cnDatabase->Close();
    modGlobal::cnDatabase.reset();
}

} // namespace
