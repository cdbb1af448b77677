// The job runner over fake services: the order of the steps, what a failure
// of each leaves, and the move of exactly the rows the job selected.
#include "integration/JobRunner.h"

#include "CoreTestSupport.h"
#include "TestEnvironment.h"

#include "vb/Dialogs.h"

using namespace Qt::StringLiterals;
using corvantis::test::dialogs;
using integration::Job;
using integration::JobRunner;
using integration::StepResult;

namespace {

class JobRunnerTest : public coretest::CoreTest {
protected:
    qint64 addInbox(const QString &direction, const QString &tset)
    {
        addRow(u"Inbox"_s, {{"Partner", u"ACME"_s}, {"Transaction", u"830"_s}, {"Version", u"004010"_s},
                            {"Direction", direction}, {"Status", u"Opened"_s}, {"Acknowledged", u"No"_s},
                            {"TSet", tset}});
        return rows(u"SELECT max(rowid) AS r FROM Inbox"_s).at(0).at(u"r"_s).toLongLong();
    }
    // Services that record their calls and answer as told.
    integration::JobServices services()
    {
        integration::JobServices s;
        s.runQuery = [this](const Job &) { calls << u"query"_s; return queryOk; };
        s.processOutbound = [this](const Job &j) { calls << u"outbound "_s + j.key(); return outboundOk; };
        s.selectInbox = [this](const Job &) { calls << u"select"_s; return selected; };
        s.acknowledge = [this](const std::vector<qint64> &rows) {
            stepRows.push_back(rows);
            calls << u"acknowledge"_s;
            return ackOk;
        };
        s.activeX = [this](const std::vector<qint64> &rows, int output) {
            stepRows.push_back(rows);
            calls << u"activex "_s + QString::number(output);
            return plugin;
        };
        s.report = [this](const std::vector<qint64> &rows, bool print) {
            stepRows.push_back(rows);
            calls << (print ? u"print"_s : u"export"_s);
            return report;
        };
        s.refresh = [this](const QString &table) { calls << u"refresh "_s + table; };
        return s;
    }
    QStringList history() { return column(u"SELECT Type || ': ' || Description AS e FROM History ORDER BY [Index]"_s, u"e"_s); }

    QStringList calls;
    bool queryOk = true, outboundOk = true, ackOk = true;
    StepResult plugin = StepResult::Done, report = StepResult::Done;
    std::vector<qint64> selected;
    std::vector<std::vector<qint64>> stepRows; // the rows each step was given
};

const Job kOutbound{u"ACME"_s, u"850"_s, u"004010"_s, u"O"_s, true, false, false, false};
const Job kInbound{u"ACME"_s, u"830"_s, u"004010"_s, u"I"_s, false, true, false, false};

TEST_F(JobRunnerTest, AnOutboundJobQueriesThenTranslatesByKey)
{
    EXPECT_TRUE(JobRunner(services()).RunJob(kOutbound));
    EXPECT_EQ(calls, (QStringList{u"query"_s, u"outbound ACME_850_004010_O"_s}));

    // A failed query sends nothing of an earlier run.
    calls.clear();
    queryOk = false;
    EXPECT_FALSE(JobRunner(services()).RunJob(kOutbound));
    EXPECT_EQ(calls, QStringList{u"query"_s});
    EXPECT_EQ(history().last(), u"Error: Process Failed - ACME_850_004010_O"_s);
}

TEST_F(JobRunnerTest, AMissingServiceIsAFailure)
{
    integration::JobServices s = services();
    s.processOutbound = nullptr;
    dialogs().answer(vb::vbOK);
    Job job = kOutbound;
    job.executeSql = false;
    EXPECT_FALSE(JobRunner(s).RunJob(job));
    EXPECT_EQ(history().last(), u"Error: Process Failed - ACME_850_004010_O"_s);
    EXPECT_FALSE(JobRunner::isRunning());
}

TEST_F(JobRunnerTest, AnInboundJobMovesExactlyTheRowsItProcessed)
{
    const qint64 a = addInbox(u"I"_s, u"ST*830*1~"_s);
    const qint64 b = addInbox(u"I"_s, u"ST*830*2~"_s);
    const qint64 later = addInbox(u"I"_s, u"ST*830*3~"_s); // loaded while the job ran: not selected
    selected = {a, b};
    EXPECT_TRUE(JobRunner(services()).RunJob(kInbound));
    EXPECT_EQ(calls, (QStringList{u"select"_s, u"acknowledge"_s, u"export"_s, u"refresh Inbox"_s, u"refresh Recycled"_s}));
    EXPECT_EQ(stepRows, (std::vector<std::vector<qint64>>{{a, b}, {a, b}})) << "every step gets the job's rows";
    EXPECT_EQ(column(u"SELECT rowid AS r FROM Inbox"_s, u"r"_s), QStringList{QString::number(later)});
    const auto moved = rows(u"SELECT * FROM Recycled ORDER BY rowid"_s);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[0].at(u"TSet"_s), u"ST*830*1~"_s);
    EXPECT_EQ(moved[0].at(u"Direction"_s), u"I"_s);
    EXPECT_EQ(moved[0].at(u"Status"_s), u"Opened"_s);
    EXPECT_EQ(history().last(), u"Info: Processed complete! ACME_830_004010_I"_s);
}

TEST_F(JobRunnerTest, AFailedStepKeepsTheRowsInTheInbox)
{
    struct Case {
        const char *name;
        bool ack;
        StepResult plugin, report;
        bool activeX;
        QStringList calls;
    };
    const std::vector<Case> cases = {
        {"acknowledgement", false, StepResult::Done, StepResult::Done, false, {u"select"_s, u"acknowledge"_s}},
        {"report", true, StepResult::Done, StepResult::Failed, false, {u"select"_s, u"acknowledge"_s, u"export"_s}},
        {"plug-in", true, StepResult::Failed, StepResult::Done, true, {u"select"_s, u"acknowledge"_s, u"activex 2"_s}},
    };
    const qint64 a = addInbox(u"I"_s, u"ST*830*1~"_s);
    for (const Case &c : cases) {
        calls.clear();
        selected = {a};
        ackOk = c.ack;
        plugin = c.plugin;
        report = c.report;
        Job job = kInbound;
        job.activeX = c.activeX;
        EXPECT_FALSE(JobRunner(services()).RunJob(job)) << c.name;
        EXPECT_EQ(calls, c.calls) << c.name;
        EXPECT_EQ(count(u"Inbox"_s), 1) << c.name;
        EXPECT_EQ(history().last(), u"Error: Process Failed - ACME_830_004010_I"_s) << c.name;
        EXPECT_FALSE(history().contains(u"Info: Processed complete! ACME_830_004010_I"_s)) << c.name;
    }
}

TEST_F(JobRunnerTest, NoRowsNoPreviousScheduleAndTheAcknowledgementOfA997)
{
    // No row of the key.
    EXPECT_TRUE(JobRunner(services()).RunJob(kInbound));
    EXPECT_EQ(history().last(), u"Warning: There are no Transactions to process! ACME_830_004010_I"_s);

    // The first shipping schedule: no previous one; the rows become it.
    const qint64 a = addInbox(u"I"_s, u"ST*862*1~"_s);
    selected = {a};
    plugin = StepResult::NoPreviousSchedule;
    Job schedule = kInbound;
    schedule.transaction = u"862"_s;
    schedule.activeX = true;
    schedule.print = true;
    calls.clear();
    EXPECT_TRUE(JobRunner(services()).RunJob(schedule));
    EXPECT_TRUE(calls.contains(u"activex 1"_s));
    EXPECT_EQ(count(u"Recycled"_s), 1);
    EXPECT_TRUE(history().last().startsWith(u"Information: No previous schedule for ACME_862_004010_I"_s));

    // A 997 job never calls the acknowledgement.
    const qint64 b = addInbox(u"I"_s, u"ST*997*1~"_s);
    selected = {b};
    plugin = StepResult::Done;
    Job ack = kInbound;
    ack.transaction = u"997"_s;
    calls.clear();
    EXPECT_TRUE(JobRunner(services()).RunJob(ack));
    EXPECT_FALSE(calls.contains(u"acknowledge"_s));
}

TEST_F(JobRunnerTest, OneRunAtATime)
{
    integration::JobServices s = services();
    bool inner = true;
    s.processOutbound = [&](const Job &j) {
        inner = JobRunner(services()).RunJob(j); // a tick during the run
        return true;
    };
    Job job = kOutbound;
    job.executeSql = false;
    EXPECT_TRUE(JobRunner(s).RunJob(job));
    EXPECT_FALSE(inner);
    EXPECT_TRUE(history().contains(u"Warning: A job is already running: ACME_850_004010_O was not started"_s));
}

} // namespace
