// The 997 writer at the fixed clock: the written interchange (golden files),
// the 997 in the Outbox, the answered Inbox rows and the partner's counters.
#include "LoaderTestSupport.h"

#include "core/loader/AcknowledgementWriter.h"
#include "core/loader/InterchangeLoader.h"
#include "core/modGlobal.h"

#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace loadertest;

namespace {

class AcknowledgementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        outbound = corvantis::test::tempDir() + "/Outbound";
        QDir().mkpath(outbound);
        vb::SaveSetting("Corvantis", "Folders", "Outbound", outbound);
        addAcmePartner();
        // Date orders the list; rows 1, 2 and 5 came in group 1, rows 3 and 4 in group 3.
        addInbox(1, "1", "ST*830*0001~BFR*05*R1~SE*3*0001~", "Closed");
        addInbox(2, "1", "ST*830*0002~BFR*05*R2~SE*3*0002~", "Validated");
        addInbox(3, "3", "ST*830*0004~BFR*05*R4~SE*3*0004~", "Closed");
        addInbox(4, "3", "ST*830*0005~BFR*05*R5~SE*3*0005~", "Error");
        addInbox(5, "1", "ST*830*0003~BFR*05*R3~SE*3*0003~", "Closed");
    }

    static void addInbox(int day, const QString &group, const QString &tset, const QString &status)
    {
        addRow("Inbox", {{"Partner", "ACME"}, {"Transaction", "830"}, {"Version", "004010"},
                         {"Date", QStringLiteral("12/%1/26").arg(day, 2, 10, QLatin1Char('0'))},
                         {"InterchangeControlNumber", "000000101"}, {"GroupControlNumber", group},
                         {"FunctionalGroup", "PS"}, {"Direction", "I"}, {"Acknowledged", "No"},
                         {"Status", status}, {"TSet", tset}});
    }

    QString acknowledge(const QList<qint64> &rows, const QString &order = "ASC")
    {
        core::AcknowledgementWriter writer(&progress);
        core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox ORDER BY Date " + order, rows, true};
        return writer.GenerateAcknowledgement(selection, [] { return QStringLiteral("ACME,830,004010,I"); });
    }

    static QString fileText(const QString &path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return QString::fromLatin1(file.readAll());
    }

    DatabaseScope db;
    RecordingProgress progress;
    QString outbound;
};

struct AckCase {
    const char *name;
    QList<qint64> rows;
    const char *order;
    const char *acknowledged; // Inbox rows 1..5 afterwards
    int sets = 1;             // 997 sets in the Outbox
};

class AcknowledgementFiles : public AcknowledgementTest, public ::testing::WithParamInterface<AckCase> {};

TEST_P(AcknowledgementFiles, WritesLoadsAndMarks)
{
    const AckCase &c = GetParam();
    const QString path = acknowledge(c.rows, QLatin1String(c.order));
    EXPECT_EQ(path, outbound + "/121026-010509 PM.OC");
    expectGolden(QLatin1String(c.name) + ".OC", fileText(path));

    EXPECT_EQ(dumpTable("Inbox", {"Acknowledged"}, " ORDER BY Date ASC").split('\n').mid(1).join(','),
              QLatin1String(c.acknowledged));
    EXPECT_EQ(dumpTable("Outbox", {"Partner", "Transaction", "Direction", "Acknowledged", "Status"}),
              "[Outbox]\n" + QString("Partner=ACME|Transaction=997|Direction=O|Acknowledged=Void|Status=Closed\n").repeated(c.sets));
    EXPECT_EQ(dumpTable("Partner", {"ISA13", "GS06"}), "[Partner]\nISA13=42|GS06=71\n");
    EXPECT_EQ(dumpTable("History", {"Type", "Description"}),
              "[History]\nType=Info|Description=Selected [Tools] - [Generate Acknowledgement]\n"
              "Type=Info|Description=File Loaded - Interchanges: 1, Transaction Sets: "
                  + QString::number(c.sets) + " - [" + path + "]\n");
    EXPECT_TRUE(progress.refreshed.contains("Inbox"));
    EXPECT_TRUE(progress.refreshed.contains("Outbox"));
}

INSTANTIATE_TEST_SUITE_P(
    Golden, AcknowledgementFiles,
    ::testing::Values(AckCase{"ack_one", {1}, "ASC", "Acknowledged=Yes,Acknowledged=No,Acknowledged=No,Acknowledged=No,Acknowledged=No,"},
                      // Listed newest first: the AK2s follow the list.
                      AckCase{"ack_three_descending", {1, 2, 5}, "DESC",
                              "Acknowledged=Yes,Acknowledged=Yes,Acknowledged=No,Acknowledged=No,Acknowledged=Yes,"},
                      // One 997 set per group, in one FA group.
                      AckCase{"ack_two_groups", {1, 3}, "ASC",
                              "Acknowledged=Yes,Acknowledged=No,Acknowledged=Yes,Acknowledged=No,Acknowledged=No,", 2},
                      // A set found in error is rejected; its group is partly accepted.
                      AckCase{"ack_error_partial", {3, 4}, "ASC",
                              "Acknowledged=No,Acknowledged=No,Acknowledged=Yes,Acknowledged=Yes,Acknowledged=No,"},
                      AckCase{"ack_error_only", {4}, "ASC",
                              "Acknowledged=No,Acknowledged=No,Acknowledged=No,Acknowledged=Yes,Acknowledged=No,"}),
    [](const ::testing::TestParamInfo<AckCase> &info) { return std::string(info.param.name); });

TEST_F(AcknowledgementTest, AnAcknowledgementIsNotAcknowledged)
{
    corvantis::test::dialogs().answer(vb::vbOK);
    core::AcknowledgementWriter writer;
    core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox ORDER BY Date ASC", {1}, true};
    EXPECT_EQ(writer.GenerateAcknowledgement(selection, [] { return QStringLiteral("ACME,997,004010,I"); }), QString());
    const auto &box = corvantis::test::dialogs().last();
    EXPECT_EQ(box.text, "You Can't Acknowledge an Acknowlegement");
    EXPECT_EQ(box.icon, vb::vbCritical);
    EXPECT_EQ(dumpTable("Partner", {"ISA13", "GS06"}), "[Partner]\nISA13=41|GS06=70\n");
    EXPECT_TRUE(QDir(outbound).entryList(QDir::Files).isEmpty());
}

TEST_F(AcknowledgementTest, NoFileEverReplacesAnother)
{
    const QString first = acknowledge({1});
    const QString second = acknowledge({2});
    EXPECT_EQ(first, outbound + "/121026-010509 PM.OC");
    EXPECT_EQ(second, outbound + "/121026-010509 PM-2.OC");
    EXPECT_NE(fileText(first), fileText(second));
    EXPECT_EQ(dumpTable("Partner", {"ISA13", "GS06"}), "[Partner]\nISA13=43|GS06=72\n");
}

TEST_F(AcknowledgementTest, RowsStayUnansweredWhenTheLoadFails)
{
    db.connection().Execute("CREATE TRIGGER refuse_997 BEFORE INSERT ON Outbox BEGIN SELECT RAISE(ABORT, 'no'); END");
    const QString path = acknowledge({1, 2});
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(dumpTable("Inbox", {"Acknowledged"}, " WHERE Acknowledged = 'Yes'"), "[Inbox]\n");
    EXPECT_EQ(dumpTable("Outbox", {"Transaction"}), "[Outbox]\n");
    EXPECT_EQ(dumpTable("History", {"Type", "Description"}),
              "[History]\nType=Info|Description=Selected [Tools] - [Generate Acknowledgement]\n"
              "Type=Error|Description=Error Saving Transaction Set: no (adding a row to \"Outbox\") - ["
                  + path + "]\n");
    // The counters stay advanced: the numbers went into the written file.
    EXPECT_EQ(dumpTable("Partner", {"ISA13", "GS06"}), "[Partner]\nISA13=42|GS06=71\n");
}

// The answered rows are marked together: a row that cannot be marked leaves
// every one of them unmarked, and the failure is reported.
TEST_F(AcknowledgementTest, RowsAreMarkedAllOrNone)
{
    db.connection().Execute("CREATE TRIGGER refuse_mark BEFORE UPDATE OF Acknowledged ON Inbox "
                            "WHEN NEW.Date = '12/02/26' BEGIN SELECT RAISE(ABORT, 'refused'); END");
    corvantis::test::dialogs().answer(vb::vbOK);
    EXPECT_FALSE(acknowledge({1, 2, 5}).isEmpty());
    EXPECT_EQ(dumpTable("Inbox", {"Acknowledged"}, " WHERE Acknowledged = 'Yes'"), "[Inbox]\n");
    ASSERT_EQ(corvantis::test::dialogs().boxes().size(), 1u);
    EXPECT_TRUE(corvantis::test::dialogs().boxes().front().text.contains("refused"));
    EXPECT_EQ(db.connection().transactionLevel(), 0);
}

// A segment between GS and ST is stored at the front of the set; the 997
// still answers the set's own ST, or the partner's set is never acknowledged.
TEST_F(AcknowledgementTest, AK2AnswersTheSetsOwnST)
{
    core::InterchangeLoader loader;
    ASSERT_EQ(loader.LoadBox(fixture("ack_segment_before_st.IC"), "I"), QString());
    ASSERT_EQ(dumpTable("Inbox", {"TSet"}, " WHERE \"Transaction\" = '850'"),
              "[Inbox]\nTSet=REF*ZZ*OUT~ST*850*0001~BEG*00*SA*PO1**20261210~SE*4*0001~\n");
    core::AcknowledgementWriter writer(&progress);
    core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox WHERE \"Transaction\" = '850'", {6}, true};
    const QString path = writer.GenerateAcknowledgement(selection, [] { return QStringLiteral("ACME,850,004010,I"); });
    const QString text = fileText(path);
    EXPECT_TRUE(text.contains("~AK1*PO*61~AK2*850*0001~AK5*A~")) << text.toStdString();
    EXPECT_FALSE(text.contains("AK2*ZZ")) << text.toStdString();
}

// Two interchanges of one partner that use the same GS06 hold two groups: each
// gets its own 997 set and AK1, which the partner can match to what it sent.
TEST_F(AcknowledgementTest, GroupsOfTwoInterchangesSharingAControlNumberAreAnsweredApart)
{
    core::InterchangeLoader loader;
    ASSERT_EQ(loader.LoadBox(fixture("ack_shared_gs06.IC"), "I"), QString());
    ASSERT_EQ(dumpTable("Inbox", {"InterchangeControlNumber", "GroupControlNumber"}, " WHERE \"Transaction\" = '850'"),
              "[Inbox]\nInterchangeControlNumber=000000801|GroupControlNumber=5\n"
              "InterchangeControlNumber=000000801|GroupControlNumber=5\n"
              "InterchangeControlNumber=000000802|GroupControlNumber=5\n");
    core::AcknowledgementWriter writer(&progress);
    core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox WHERE \"Transaction\" = '850'", {6, 7, 8}, true};
    const QString path = writer.GenerateAcknowledgement(selection, [] { return QStringLiteral("ACME,850,004010,I"); });
    ASSERT_FALSE(path.isEmpty());
    expectGolden("ack_shared_gs06.OC", fileText(path));
    EXPECT_EQ(dumpTable("Outbox", {"Transaction"}), "[Outbox]\nTransaction=997\nTransaction=997\n");
    EXPECT_EQ(dumpTable("Inbox", {"Acknowledged"}, " WHERE \"Transaction\" = '850'"),
              "[Inbox]\nAcknowledged=Yes\nAcknowledged=Yes\nAcknowledged=Yes\n");
}

// A 997 that cannot be written takes no control number: the partner's next
// interchange and group numbers follow the last ones it really received.
TEST_F(AcknowledgementTest, AFileThatCannotBeWrittenTakesNoControlNumber)
{
    QFile blocker(corvantis::test::tempDir() + "/not-a-folder");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    vb::SaveSetting("Corvantis", "Folders", "Outbound", blocker.fileName() + "/Outbound");
    corvantis::test::dialogs().answer(vb::vbOK);
    EXPECT_EQ(acknowledge({1}), QString());
    ASSERT_EQ(corvantis::test::dialogs().boxes().size(), 1u);
    EXPECT_TRUE(corvantis::test::dialogs().boxes().front().text.contains("Path/File access error"));
    EXPECT_EQ(dumpTable("Partner", {"ISA13", "GS06"}), "[Partner]\nISA13=41|GS06=70\n");
    EXPECT_EQ(dumpTable("Inbox", {"Acknowledged"}, " WHERE Acknowledged = 'Yes'"), "[Inbox]\n");
    EXPECT_EQ(db.connection().transactionLevel(), 0);
    // The History keeps the report of the failed write.
    EXPECT_TRUE(dumpTable("History", {"Type", "Description"}).contains("Type=Error|Description=75 Path/File access error"));

    // Once the folder can be written, the numbers that were given back are used.
    vb::SaveSetting("Corvantis", "Folders", "Outbound", outbound);
    EXPECT_FALSE(acknowledge({1}).isEmpty());
    EXPECT_EQ(dumpTable("Partner", {"ISA13", "GS06"}), "[Partner]\nISA13=42|GS06=71\n");
}

// The 997 reads the first characters of a set for its ST, and the whole set
// only when the ST does not end among them: AK2 answers the set's own ST.
struct LongSetCase {
    const char *name;
    QString tset;
};

class AcknowledgementOfLongSets : public AcknowledgementTest, public ::testing::WithParamInterface<LongSetCase> {};

TEST_P(AcknowledgementOfLongSets, AnswerTheSetsOwnST)
{
    addInbox(6, "1", GetParam().tset, "Closed");
    const QString text = fileText(acknowledge({6}));
    EXPECT_TRUE(text.contains("~AK1*PS*1~AK2*830*0006~AK5*A~AK9*A*1*1*1~")) << text.toStdString();
    EXPECT_EQ(dumpTable("Inbox", {"Acknowledged"}, " WHERE Acknowledged = 'Yes'"), "[Inbox]\nAcknowledged=Yes\n");
}

INSTANTIATE_TEST_SUITE_P(
    Sets, AcknowledgementOfLongSets,
    ::testing::Values(
        LongSetCase{"st_first", "ST*830*0006~N1*ST*" + QString(700, 'X') + "~SE*3*0006~"},
        // A segment before the ST longer than what is read first.
        LongSetCase{"st_after_a_long_segment", "REF*ZZ*" + QString(600, 'Y') + "~ST*830*0006~SE*2*0006~"},
        // The ST begins among the first characters and ends after them.
        LongSetCase{"st_across_the_first_characters",
                    "REF*ZZ*" + QString(500, 'Z') + "~ST*830*0006~N1*" + QString(100, 'W') + "~SE*3*0006~"}),
    [](const ::testing::TestParamInfo<LongSetCase> &info) { return std::string(info.param.name); });

// Rows chosen here and there are read and marked in several statements of
// a few dozen ranges each: every chosen row is answered and marked, no other.
TEST_F(AcknowledgementTest, ScatteredRowsAreAnsweredAndMarkedExactly)
{
    QList<qint64> chosen;
    for (int i = 6; i <= 305; ++i) {
        addInbox(6, "9", QStringLiteral("ST*830*%1~SE*2*%1~").arg(i, 4, 10, QLatin1Char('0')), "Closed");
        if (i % 2 == 0 || i > 290) // single rows, then one run
            chosen << i;
    }
    const QString text = fileText(acknowledge(chosen));
    EXPECT_EQ(text.count("~AK2*830*"), chosen.size());
    for (qint64 row : chosen)
        EXPECT_TRUE(text.contains(QStringLiteral("~AK2*830*%1~").arg(row, 4, 10, QLatin1Char('0')))) << row;
    EXPECT_EQ(dumpTable("Inbox", {"Acknowledged"}, " WHERE Acknowledged = 'Yes'").count('\n') - 1, chosen.size());
    EXPECT_EQ(dumpTable("Inbox", {"Acknowledged"}, " WHERE Acknowledged = 'Yes' AND rowid % 2 = 1 AND rowid <= 290"),
              "[Inbox]\n");
}

// The 997's text follows from the answered groups alone (golden files): one
// 997 set a group in the order of its first set, AK9 A, P or R.
struct TextCase {
    const char *name;
    const char *terminator;
    const char *separator;
    const char *golden;
};

class AcknowledgementTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(AcknowledgementTexts, FollowTheAnsweredGroups)
{
    const TextCase &c = GetParam();
    QFile file(fixture("ack_text_groups.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    core::AnsweredGroups groups;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.split('|');
        ASSERT_EQ(fields.size(), 6) << line.toStdString();
        groups.add(QString::fromLatin1(fields[0]), QString::fromLatin1(fields[1]), QString::fromLatin1(fields[2]),
                   {QString::fromLatin1(fields[3]), QString::fromLatin1(fields[4]), fields[5] == "R"});
    }
    const QString t = QLatin1String(c.terminator), d = QLatin1String(c.separator);
    core::AcknowledgementEnvelope envelope;
    envelope.terminator = t;
    envelope.separator = d;
    envelope.isa = QStringList{"ISA", "00", "          ", "00", "          ", "ZZ", "CORVANTIS      ", "ZZ",
                               "ACMEPARTS      ", "261210", "1305", "U", "00401", "000000042", "0", "P", ">"}
                       .join(d)
        + t;
    envelope.gs = QStringList{"GS", "FA", "CORVAPP", "ACMEAPP", "20261210", "130509", "000000071", "X", "004010"}.join(d) + t;
    envelope.isa13 = "000000042";
    envelope.gs06 = "000000071";
    expectGolden(QLatin1String(c.golden), core::AcknowledgementText(envelope, groups.groups()));
}

INSTANTIATE_TEST_SUITE_P(
    Golden, AcknowledgementTexts,
    ::testing::Values(TextCase{"tilde_star", "~", "*", "ack_text_groups.OC"},
                      TextCase{"crlf_bar", "\r\n", "|", "ack_text_crlf.OC"}),
    [](const ::testing::TestParamInfo<TextCase> &info) { return std::string(info.param.name); });

TEST_F(AcknowledgementTest, ARemovedPartnerEndsTheRunBeforeAnythingIsWritten)
{
    corvantis::test::dialogs().answer(vb::vbOK);
    core::AcknowledgementWriter writer;
    core::MailboxSelection selection{"Inbox", "SELECT * FROM Inbox ORDER BY Date ASC", {1}, true};
    EXPECT_EQ(writer.GenerateAcknowledgement(selection, [] { return QStringLiteral("GONE,830,004010,I"); }), QString());
    EXPECT_TRUE(QDir(outbound).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(dumpTable("Inbox", {"Acknowledged"}, " WHERE Acknowledged = 'Yes'"), "[Inbox]\n");
}

} // namespace
