// The validator against a fixture map with a loop: which sets pass, and the
// exact History entry of each that fails; the run over selected rows with
// its statuses and summary.
#include "LoaderTestSupport.h"

#include "core/loader/TransactionValidator.h"
#include "core/modGlobal.h"

#include "ado/Recordset.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace loadertest;

namespace {

void loadMap(const QString &name)
{
    const QStringList lines = readFixture(name).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char(' '));
        const QList<std::pair<QString, QVariant>> key = {{"Partner", "ACME"}, {"Transaction", "830"},
                                                         {"Version", "004010"}, {"Direction", f[1]}};
        if (f[0] == QLatin1String("S"))
            addRow("Segment", key + QList<std::pair<QString, QVariant>>{{"SegmentIndex", f[2].toInt()},
                                                                        {"Segment", f[3]},
                                                                        {"Node", f[4].toInt()},
                                                                        {"MaxUsageLoop", f[5].toInt()}});
        else
            addRow("Element", key + QList<std::pair<QString, QVariant>>{{"SegmentIndex", f[2].toInt()},
                                                                        {"Segment", f[3]},
                                                                        {"ElementIndex", f[4].toInt()},
                                                                        {"Exclude", f[5] == QLatin1String("1")},
                                                                        {"Minimum", f[6].toInt()},
                                                                        {"Maximum", f[7].toInt()}});
    }
}

// A set of the segments given, with ST and SE around them.
QString set(const QStringList &segments, const QString &transaction = "830")
{
    QString text = "ST*" + transaction + "*0001~";
    for (const QString &s : segments)
        text += s + "~";
    return text + QStringLiteral("SE*%1*0001~").arg(segments.size() + 2);
}

const QStringList kFullSet = {"BFR*05*RELEASE 1**DL*A*20261201*20270301*20261210",
                              "N1*ST*ACME PLANT 2*92*ST02",
                              "N3*4100 PARKWAY",
                              "N1*SF*ACME",
                              "N3*DOCK 2",
                              "LIN**BP*PART-1001",
                              "UIT*EA",
                              "FST*100*C*D*20261215",
                              "FST*200*C*D*20261222*EXCLUDED ELEMENT",
                              "CTT*1"};

struct SetCase {
    const char *name;
    QString text;
    const char *transaction;
    const char *type;    // History type of the finding; empty when the set passes
    const char *finding;
};

class ValidatorSets : public ::testing::TestWithParam<SetCase> {};

TEST_P(ValidatorSets, PassOrFailWithTheirHistoryEntry)
{
    const SetCase &c = GetParam();
    DatabaseScope db;
    addAcmePartner();
    loadMap("map_830.txt");
    core::TransactionValidator validator;
    const bool passed = validator.ValidateTransactionSet("ACME", QLatin1String(c.transaction), "004010", "I",
                                                         c.text, "~", "*", ">");
    const QString history = dumpTable("History", {"Type", "Description"});
    if (*c.type == 0) {
        EXPECT_TRUE(passed);
        EXPECT_EQ(history, "[History]\n");
    } else {
        EXPECT_FALSE(passed);
        EXPECT_EQ(history, QStringLiteral("[History]\nType=%1|Description=%2\n")
                               .arg(QLatin1String(c.type), QLatin1String(c.finding)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Map830, ValidatorSets,
    ::testing::Values(
        // Segments in map order, the N1/N3 loop twice, FST repeated, an
        // excluded element, empty elements.
        SetCase{"full", set(kFullSet), "830", "", ""},
        SetCase{"only_st_and_se", set({}), "830", "", ""},
        // Identifiers match the map as the database compares text: ASCII
        // letters without regard to case.
        SetCase{"lower_case_identifier", set({"bfr*05*R", "n1*ST*X"}), "830", "", ""},
        // A segment with fewer elements than its map; an element that is only
        // the sub-element separator is not measured.
        SetCase{"fewer_elements", set({"N1*ST"}), "830", "", ""},
        SetCase{"sub_separator_only", set({"BFR*05*R**>*A"}), "830", "", ""},
        // The LIN loop starts again: its first segment lies further back than
        // the one step back after the nested FST.
        SetCase{"loop_restart", set(kFullSet.mid(0, 9) + QStringList{"LIN**BP*PART-2", "UIT*EA"}), "830", "Error",
                "LIN - Segment Sequence - Verify Mapping"},
        SetCase{"unknown_segment", set({"BFR*05*R", "ZZ*1"}), "830", "Error", "ZZ - Segment Sequence - Verify Mapping"},
        SetCase{"no_map", set({"BSS*00*X"}, "862"), "862", "Error",
                "No inbound map exists for partner ACME, transaction set 862, version 004010"},
        SetCase{"no_map_only_st_and_se", set({}, "862"), "862", "Error",
                "No inbound map exists for partner ACME, transaction set 862, version 004010"},
        SetCase{"usage", set({"N1*ST*X", "N3*A", "N3*B", "N3*C"}), "830", "Warning",
                "Segment N3 Maximum Usage/Loops = 2 Exceeded "},
        SetCase{"too_long", set({"BFR*05*" + QString(31, QLatin1Char('R'))}), "830", "Warning",
                "BFR02 > Maximum  Length = 31"},
        SetCase{"too_short", set({"BFR*05*R**DL*A*2026"}), "830", "Warning", "BFR06 < Minimum  Length = 4"},
        SetCase{"more_elements_than_map", set({"BFR*05*R", "CTT*1*5"}), "830", "Error",
                "CTT - Segment - Verify Mapping"}),
    [](const ::testing::TestParamInfo<SetCase> &info) { return std::string(info.param.name); });

class ValidatorRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        addAcmePartner();
        loadMap("map_830.txt");
        const QString bad = set({"BFR*05*" + QString(31, QLatin1Char('R'))});
        int day = 0;
        for (const QString &tset : {set(kFullSet), bad, set({}), bad}) {
            addRow("Inbox", {{"Date", QString::number(++day)}, {"Partner", "ACME"}, {"Transaction", "830"}, {"Version", "004010"}, {"Direction", "I"},
                             {"Acknowledged", "No"}, {"Status", "Closed"}, {"TSet", tset}});
        }
    }
    DatabaseScope db;
};

TEST_F(ValidatorRun, MarksTheSelectedRowsAndRecordsTheSummary)
{
    RecordingProgress progress;
    core::TransactionValidator validator(&progress);
    core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox ORDER BY Date ASC", {1, 2, 3}, true};
    validator.ValidateBox(selection, [] { return QStringLiteral("ACME,830,004010,I"); });

    EXPECT_EQ(dumpTable("Inbox", {"Status"}), "[Inbox]\nStatus=Validated\nStatus=Error\nStatus=Validated\nStatus=Closed\n");
    EXPECT_EQ(dumpTable("History", {"Type", "Description"}),
              "[History]\n"
              "Type=Warning|Description=BFR02 > Maximum  Length = 31\n"
              "Type=Info|Description=ACME_830_004010_I Validated: 3 Errors: 1\n");
    EXPECT_EQ(progress.max, 3);
    EXPECT_EQ(progress.value, 0);
    EXPECT_EQ(progress.percentTexts, (QStringList{"33% Complete", "67% Complete", "100% Complete", ""}));
    EXPECT_EQ(progress.refreshed, QStringList{"Inbox"});
    ASSERT_EQ(progress.previews.size(), 3);
    EXPECT_TRUE(progress.previews[2] == "ST*830*0001\r\nSE*2*0001\r\n") << progress.previews[2].toStdString();
}

// A key without a map: one History entry and the status bar name partner,
// set and version; the sets are marked "Error" unexamined and the summary
// still counts them.
TEST_F(ValidatorRun, AKeyWithoutAMapSaysSo)
{
    for (const char *direction : {"I", "O"})
        addRow("Inbox", {{"Date", QStringLiteral("9%1").arg(QLatin1String(direction))}, {"Partner", "ACME"},
                         {"Transaction", "862"}, {"Version", "004010"}, {"Direction", direction},
                         {"Acknowledged", "No"}, {"Status", "Closed"}, {"TSet", set({"BSS*00*X"}, "862")}});
    const struct Case {
        const char *key;
        qint64 rowid;
        const char *text;
    } cases[] = {
        {"ACME,862,004010,I", 5, "No inbound map exists for partner ACME, transaction set 862, version 004010"},
        {"ACME,862,004010,O", 6, "No outbound map exists for partner ACME, transaction set 862, version 004010"},
    };
    for (const Case &c : cases) {
        db.connection().Execute("DELETE FROM History");
        RecordingProgress progress;
        core::TransactionValidator validator(&progress);
        core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox ORDER BY Date ASC", {c.rowid}, true};
        validator.ValidateBox(selection, [&] { return QString::fromLatin1(c.key); });
        const QString key = QString::fromLatin1(c.key).replace(u',', u'_');
        EXPECT_EQ(dumpTable("History", {"Type", "Description"}),
                  QStringLiteral("[History]\nType=Error|Description=%1\nType=Info|Description=%2 Validated: 1 Errors: 1\n")
                      .arg(QLatin1String(c.text), key));
        ASSERT_FALSE(progress.statusTexts.isEmpty()) << c.key;
        EXPECT_EQ(progress.statusTexts.last(), QLatin1String(c.text));
        EXPECT_EQ(progress.refreshed, QStringList{"Inbox"});
    }
    EXPECT_EQ(dumpTable("Inbox", {"Status"}),
              "[Inbox]\nStatus=Closed\nStatus=Closed\nStatus=Closed\nStatus=Closed\nStatus=Error\nStatus=Error\n");
}

TEST_F(ValidatorRun, NothingHappensWithoutAUniqueSelection)
{
    core::TransactionValidator validator;
    core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox ORDER BY Date ASC", {1}, true};
    validator.ValidateBox(selection, [] { return QString(); });
    selection.hasCurrentItem = false;
    validator.ValidateBox(selection, [] { return QStringLiteral("ACME,830,004010,I"); });
    EXPECT_EQ(dumpTable("Inbox", {"Status"}), "[Inbox]\nStatus=Closed\nStatus=Closed\nStatus=Closed\nStatus=Closed\n");
    EXPECT_EQ(dumpTable("History", {"Description"}), "[History]\n");
}

TEST_F(ValidatorRun, AnIdentifierCannotChangeTheStatement)
{
    core::TransactionValidator validator;
    // Quotes in a segment identifier stay text: no row matches, the set fails.
    EXPECT_FALSE(validator.ValidateTransactionSet("ACME", "830", "004010", "I",
                                                  "ST*830*1~BFR' OR 'A'='A*05~SE*3*1~", "~", "*", ">"));
    EXPECT_EQ(dumpTable("History", {"Description"}),
              "[History]\nDescription=BFR' OR 'A'='A - Segment Sequence - Verify Mapping\n");
}

TEST_F(ValidatorRun, ASetWithoutDelimitersFails)
{
    core::TransactionValidator validator;
    EXPECT_FALSE(validator.ValidateTransactionSet("GONE", "830", "004010", "I", set({"BFR*05*R"}), "", "", ""));
    EXPECT_EQ(dumpTable("History", {"Type", "Description"}), "[History]\nType=Error|Description= - Segment - Verify Mapping\n");
}

TEST_F(ValidatorRun, AFailedRunReportsAndWritesNoSummary)
{
    corvantis::test::dialogs().answer(vb::vbOK);
    core::TransactionValidator validator;
    core::MailboxSelection selection{"Inbox", "SELECT * FROM NoSuchTable", {1}, true};
    validator.ValidateBox(selection, [] { return QStringLiteral("ACME,830,004010,I"); });
    EXPECT_EQ(corvantis::test::dialogs().boxes().size(), 1u);
    EXPECT_EQ(dumpTable("History", {"Type"}), "[History]\nType=Error\n");
}

// A map that cannot be read is a database failure: it is reported as what
// it is, never as a set that does not match its map.
TEST_F(ValidatorRun, AnUnreadableMapIsReportedAsADatabaseError)
{
    db.connection().Execute("ALTER TABLE Element RENAME TO ElementGone");
    corvantis::test::dialogs().answer(vb::vbOK);
    core::TransactionValidator validator;
    EXPECT_FALSE(validator.ValidateTransactionSet("ACME", "830", "004010", "I", set(kFullSet), "~", "*", ">"));
    ASSERT_EQ(corvantis::test::dialogs().boxes().size(), 1u);
    const QString history = dumpTable("History", {"Type", "Description"});
    EXPECT_FALSE(history.contains("Verify Mapping")) << history.toStdString();
    EXPECT_TRUE(history.contains("Element")) << history.toStdString();

    // A run ends at once: one report, no summary, no row marked.
    corvantis::test::dialogs().answer(vb::vbOK);
    core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox ORDER BY Date ASC", {1, 2, 3}, true};
    validator.ValidateBox(selection, [] { return QStringLiteral("ACME,830,004010,I"); });
    EXPECT_EQ(corvantis::test::dialogs().boxes().size(), 2u);
    EXPECT_EQ(dumpTable("Inbox", {"Status"}), "[Inbox]\nStatus=Closed\nStatus=Closed\nStatus=Closed\nStatus=Closed\n");
    EXPECT_FALSE(dumpTable("History", {"Description"}).contains("Validated:"));
}

// The run reads the map once: a map changed while the run yields does not
// change the verdicts of that run, and the next run sees the change.
TEST_F(ValidatorRun, ARunKeepsTheMapItStartedWith)
{
    RecordingProgress progress;
    bool changed = false;
    progress.onYield = [&] {
        if (!changed) {
            changed = true;
            db.connection().Execute("UPDATE Element SET Maximum = 1 WHERE Segment = 'BFR' AND ElementIndex = 2");
        }
    };
    core::TransactionValidator validator(&progress);
    core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox ORDER BY Date ASC", {1, 3}, true};
    validator.ValidateBox(selection, [] { return QStringLiteral("ACME,830,004010,I"); });
    EXPECT_EQ(dumpTable("Inbox", {"Status"}), "[Inbox]\nStatus=Validated\nStatus=Closed\nStatus=Validated\nStatus=Closed\n");
    validator.ValidateBox(selection, [] { return QStringLiteral("ACME,830,004010,I"); });
    EXPECT_EQ(dumpTable("Inbox", {"Status"}), "[Inbox]\nStatus=Error\nStatus=Closed\nStatus=Validated\nStatus=Closed\n");
}

} // namespace

namespace {

// Every miss of the segment look-up is a statement of its own; a long run
// makes many hundreds of them.
TEST_F(ValidatorRun, ManyDistinctLookUpsInOneRun)
{
    core::TransactionValidator validator;
    for (int i = 0; i < 60; ++i) {
        const QString id = QStringLiteral("Z%1").arg(i);
        EXPECT_FALSE(validator.ValidateTransactionSet("ACME", "830", "004010", "I",
                                                      "ST*830*1~" + id + "*1~SE*3*1~", "~", "*", ">"));
    }
    EXPECT_TRUE(validator.ValidateTransactionSet("ACME", "830", "004010", "I", set(kFullSet), "~", "*", ">"));
}

} // namespace
