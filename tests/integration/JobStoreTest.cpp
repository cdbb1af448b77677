// The job rows as the integration window keeps them: every job column
// written and read back, the defaults of rows made elsewhere, and the rules
// on a job's values (summary, one-event check, day boxes, connection text,
// the dates a run puts into its statement).
#include "integration/ImportFiles.h"
#include "integration/JobStore.h"

#include "CoreTestSupport.h"
#include "TestEnvironment.h"

#include "ado/Connection.h"
#include "vb/VbError.h"

using namespace Qt::StringLiterals;
using integration::JobRow;

namespace {

JobRow keyOf(const QString &partner, const QString &transaction, const QString &direction)
{
    JobRow job;
    job.partner = partner;
    job.transaction = transaction;
    job.version = u"004010"_s;
    job.direction = direction;
    return job;
}

class JobStoreTest : public coretest::CoreTest {
protected:
    void addJob(const JobRow &key, const coretest::Row &more = {})
    {
        coretest::Row values{{"Partner", key.partner},
                             {"Transaction", key.transaction},
                             {"Version", key.version},
                             {"Direction", key.direction},
                             {"Group", u"PS"_s},
                             {"Versionoverride", u"004010VICS"_s}};
        values.insert(more.begin(), more.end());
        addRow(u"Transactions"_s, values);
    }
    ado::Connection &cn() { return *modGlobal::cnDatabase; }
};

TEST_F(JobStoreTest, EveryJobColumnRoundTripsAndFlagsAreStoredAsZeroOrOne)
{
    JobRow job = keyOf(u"O'Brien"_s, u"850"_s, u"O"_s);
    addJob(job);
    addJob(keyOf(u"O'Brien"_s, u"850"_s, u"I"_s)); // same partner, other direction: untouched
    job.group = u"PS"_s;
    job.versionOverride = u"004010VICS"_s;
    job.checkTime = true;
    job.time = QDateTime(QDate(1899, 12, 30), QTime(15, 45, 0));
    job.checkInterval = false;
    job.interval = 4;
    job.days = {true, false, true, false, true, false, true};
    job.customActiveX = true;
    job.print = true;
    job.ack = true;
    job.executeSql = true;
    job.exportFormat = 27;
    job.dataSourceName = u"Orders DSN"_s;
    job.userId = u"me"_s;
    job.password = u"p;w{d}"_s;
    job.database = u"erp"_s;
    job.driver = u"SQLite3"_s;
    job.server = u"db01"_s;
    job.plus = u"3"_s;
    job.minus = u"120"_s;
    job.startDate = true;
    job.endDate = true;
    job.sql = u"SELECT * FROM orders WHERE due BETWEEN ? AND ? AND note <> 'it''s'"_s;
    integration::SaveJob(cn(), job);

    EXPECT_EQ(integration::LoadJob(cn(), job), job);
    const auto stored = rows(u"SELECT CheckTime, CheckInterval, Mon, Tue, [print], Ack, ExecuteSQL, StartDate, "
                             "Plus, Minus FROM Transactions WHERE Direction = 'O'"_s);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].at(u"CheckTime"_s), u"1"_s);
    EXPECT_EQ(stored[0].at(u"CheckInterval"_s), u"0"_s);
    EXPECT_EQ(stored[0].at(u"Tue"_s), u"0"_s);
    EXPECT_EQ(stored[0].at(u"print"_s), u"1"_s);
    EXPECT_EQ(stored[0].at(u"Minus"_s), u"120"_s);
    const auto other = integration::LoadJob(cn(), keyOf(u"O'Brien"_s, u"850"_s, u"I"_s));
    EXPECT_FALSE(other.checkTime);
    EXPECT_TRUE(other.sql.isEmpty());

    // An empty day box is stored as "0".
    job.plus.clear();
    job.minus = u" "_s;
    integration::SaveJob(cn(), job);
    const JobRow back = integration::LoadJob(cn(), job);
    EXPECT_EQ(back.plus, u"0"_s);
    EXPECT_EQ(back.minus, u"0"_s);
}

TEST_F(JobStoreTest, RowsMadeElsewhereLoadWithUsableDefaultsInListOrder)
{
    // Only the key and the set's own columns, as the partner window writes them.
    addRow(u"Transactions"_s, {{"Partner", u"ZETA"_s}, {"Transaction", u"810"_s}, {"Version", u"004010"_s},
                               {"Direction", u"O"_s}});
    addJob(keyOf(u"ACME"_s, u"830"_s, u"I"_s), {{"CheckTime", vb::Variant(int16_t(1))},
                                                 {"CheckInterval", vb::Variant(int16_t(1))},
                                                 {"Interval", vb::Variant(int16_t(2))},
                                                 {"Ack", vb::Variant(int16_t(2))}});
    const std::vector<JobRow> jobs = integration::LoadJobs(cn());
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].key(), u"ACME_830_004010_I"_s);
    EXPECT_EQ(jobs[1].key(), u"ZETA_810_004010_O"_s);

    // Both schedule flags: only "Schedule every:" stays; a greyed flag (2) counts as clear.
    EXPECT_FALSE(jobs[0].checkTime);
    EXPECT_TRUE(jobs[0].checkInterval);
    EXPECT_EQ(jobs[0].interval, 2);
    EXPECT_FALSE(jobs[0].ack);

    const JobRow &made = jobs[1];
    EXPECT_FALSE(made.checkTime || made.checkInterval || made.executeSql || made.customActiveX);
    EXPECT_EQ(made.interval, 0);
    EXPECT_EQ(made.exportFormat, 0);
    EXPECT_TRUE(made.time.isValid());
    EXPECT_EQ(made.plus, u"0"_s);
    EXPECT_EQ(made.minus, u"0"_s);
    EXPECT_TRUE(made.sql.isEmpty() && made.driver.isEmpty() && made.dataSourceName.isEmpty());
}

TEST_F(JobStoreTest, AJobWhoseRowIsGoneCannotBeReadOrWritten)
{
    const JobRow job = keyOf(u"GONE"_s, u"850"_s, u"O"_s);
    EXPECT_THROW(integration::LoadJob(cn(), job), vb::VbError);
    EXPECT_THROW(integration::SaveJob(cn(), job), vb::VbError);
    EXPECT_EQ(count(u"Transactions"_s), 0);
}

TEST(JobRules, ScheduleSummary)
{
    struct Case {
        bool atTime, every;
        int interval;
        std::array<bool, 7> days;
        const char *expected;
    } cases[] = {
        {false, true, 1, {}, "Every 30 Minutes"},
        {true, false, 0, {false, false, true, false, true, false, false}, "At 3:05 PM every Wed, Fri,  of every week"},
        {true, false, 0, {true, false, false, false, false, false, true}, "At 3:05 PM every Mon, Sun,  of every week"},
        {true, false, 0, {}, "No Event Scheduled"},
        {false, false, 0, {true, true, true, true, true, true, true}, "No Event Scheduled"},
    };
    for (const Case &c : cases) {
        JobRow job;
        job.checkTime = c.atTime;
        job.checkInterval = c.every;
        job.interval = c.interval;
        job.days = c.days;
        job.time = QDateTime(QDate(1899, 12, 30), QTime(15, 5, 0));
        EXPECT_EQ(integration::ScheduleSummary(job), QString::fromLatin1(c.expected));
    }
}

TEST(JobRules, OnlyEqualWholePickerValuesOfTwoTimedJobsConflict)
{
    const QDateTime threePm(QDate(1899, 12, 30), QTime(15, 0, 0));
    struct Case {
        bool atA, atB;
        QDateTime a, b;
        bool conflict;
    } cases[] = {
        {true, true, threePm, threePm, true},
        {true, false, threePm, threePm, false},                              // one not timed
        {true, true, threePm, threePm.addSecs(1), false},                    // seconds differ
        {true, true, threePm, QDateTime(QDate(2026, 12, 10), QTime(15, 0)), false}, // date part differs
    };
    for (const Case &c : cases) {
        JobRow a, b, c3;
        a.checkTime = c.atA;
        a.time = c.a;
        b.checkTime = c.atB;
        b.time = c.b;
        c3.time = threePm; // never timed: never conflicts
        const auto found = integration::TimeConflict({c3, a, b});
        EXPECT_EQ(found.has_value(), c.conflict);
        if (found) {
            EXPECT_EQ(integration::TimeConflictText(*found), u"Only one event can be scheduled at 3:00:00 PM"_s);
        }
    }
}

TEST(JobRules, DayBoxesAndTheDatesOfARun)
{
    for (const auto &[text, days] : std::initializer_list<std::pair<QString, int>>{
             {u""_s, 0}, {u"  "_s, 0}, {u"7"_s, 7}, {u"120"_s, 120}, {u"x1"_s, 0}})
        EXPECT_EQ(integration::DayCount(text), days) << text.toStdString();
    EXPECT_EQ(integration::DayBoxText(u"1a2-34"_s), u"123"_s);

    JobRow job;
    job.minus = u"7"_s;
    job.plus = u""_s;
    const QDate today(2026, 12, 10);
    job.startDate = true;
    job.endDate = true;
    auto dates = integration::DatesOf(job, today);
    EXPECT_EQ(dates.start, QDate(2026, 12, 3));
    EXPECT_EQ(dates.end, today);
    job.startDate = false;
    job.plus = u"3"_s;
    dates = integration::DatesOf(job, today);
    EXPECT_FALSE(dates.start.has_value());
    EXPECT_EQ(dates.end, QDate(2026, 12, 13));
    // Only the end date: it takes the first "?".
    EXPECT_EQ(integration::WithDateParameters(u"a > ? AND b < ?"_s, dates.start, dates.end),
              u"a > '12/13/2026' AND b < ?"_s);
}

TEST(JobRules, ConnectionTextByDataSourceOrByDriver)
{
    JobRow job;
    job.dataSourceName = u"Orders"_s;
    job.driver = u"SQLite3"_s;
    job.server = u"db01"_s;
    job.userId = u"me"_s;
    job.password = u"a;b"_s;
    EXPECT_EQ(integration::ConnectionText(job, true), u"DSN=Orders;UID=me;PWD={a;b};"_s);
    job.database = u" erp "_s;
    EXPECT_EQ(integration::ConnectionText(job, false), u"Driver=SQLite3;Server=db01;UID=me;PWD={a;b};Database={ erp };"_s);
    EXPECT_EQ(integration::ConnectionName(job, true), u"Orders"_s);
    EXPECT_EQ(integration::ConnectionName(job, false), u"SQLite3 on db01"_s);

    // Both boxes empty: the logon stored with the data source stands.
    job.userId.clear();
    job.password.clear();
    EXPECT_EQ(integration::ConnectionText(job, true), u"DSN=Orders;Database={ erp };"_s);
    // Only one of them filled: both are passed, as typed.
    job.password = u"secret"_s;
    EXPECT_EQ(integration::ConnectionText(job, true), u"DSN=Orders;UID=;PWD=secret;Database={ erp };"_s);
}

TEST(JobRules, TheRunnerAndTheSchedulerReadTheSlot)
{
    JobRow job;
    job.partner = u"ACME"_s;
    job.transaction = u"997"_s;
    job.version = u"004010"_s;
    job.direction = u"I"_s;
    job.ack = true;
    job.customActiveX = true;
    job.checkInterval = true;
    job.interval = 5;
    EXPECT_FALSE(job.showsAcknowledgeAndPrint());
    job.transaction = u"830"_s;
    EXPECT_TRUE(job.showsAcknowledgeAndPrint());
    const integration::Job run = integration::RunnerJobOf(job);
    EXPECT_EQ(run.key(), u"ACME_830_004010_I"_s);
    EXPECT_TRUE(run.acknowledge && run.activeX && !run.print && !run.executeSql);
    const integration::JobSchedule schedule = integration::ScheduleOf(job);
    EXPECT_EQ(schedule.key, u"ACME_830_004010_I"_s);
    EXPECT_TRUE(schedule.everyInterval);
    EXPECT_EQ(schedule.intervalChoice, 5);
}

} // namespace
