// The integration scheduler's tick as a pure function of the clock.
#include "integration/JobScheduler.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using integration::JobSchedule;
using integration::JobScheduler;
using integration::ScheduledStart;

namespace {

QDateTime minute(int day, int hour, int min, int sec = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, min, sec)); // the 10th is a Thursday
}

JobSchedule every(const char *key, int choice)
{
    JobSchedule s;
    s.key = QString::fromLatin1(key);
    s.everyInterval = true;
    s.intervalChoice = choice;
    return s;
}

JobSchedule daily(const char *key, QTime at, std::array<bool, 7> days)
{
    JobSchedule s;
    s.key = QString::fromLatin1(key);
    s.atTime = true;
    s.time = at;
    s.days = days;
    return s;
}

} // namespace

TEST(JobScheduler, IntervalsComeDueEveryNMinutesInListOrder)
{
    JobScheduler scheduler;
    const std::vector<JobSchedule> jobs = {every("A_850_004010_O", 0), every("B_850_004010_O", 1),
                                           every("C_830_004010_I", 1)};
    std::vector<int> startsOfA;
    for (int tick = 1; tick <= 60; ++tick) {
        const auto starts = scheduler.tick(minute(10, 9, 0).addSecs(60 * tick), jobs, false);
        for (const ScheduledStart &s : starts)
            if (s.job == 0)
                startsOfA.push_back(tick);
        if (tick == 30) {
            ASSERT_EQ(starts.size(), 3u);
            EXPECT_EQ(starts[1], (ScheduledStart{1, u"Ingtegrator Scheduled 30 Minute Task Started: B_850_004010_O"_s}));
            EXPECT_EQ(starts[2].job, 2);
        }
    }
    EXPECT_EQ(startsOfA, (std::vector<int>{15, 30, 45, 60}));
}

TEST(JobScheduler, ADailyStartOnItsDaysOnceEvenAfterALateTick)
{
    JobScheduler scheduler;
    std::array<bool, 7> thursdayOnly{};
    thursdayOnly[3] = true;
    const std::vector<JobSchedule> jobs = {daily("A_830_004010_I", QTime(15, 0), thursdayOnly)};
    EXPECT_TRUE(scheduler.tick(minute(10, 14, 59, 10), jobs, false).empty());
    // The tick that should have come at 15:00 comes at 15:01:40.
    const auto late = scheduler.tick(minute(10, 15, 1, 40), jobs, false);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].history, u"Ingtegrator Scheduled Task Started: A_830_004010_I"_s);
    EXPECT_TRUE(scheduler.tick(minute(10, 15, 2, 40), jobs, false).empty());
    // Friday: not one of its days.
    EXPECT_TRUE(scheduler.tick(minute(11, 14, 59, 50), jobs, false).empty());
    EXPECT_TRUE(scheduler.tick(minute(11, 15, 0, 50), jobs, false).empty());
}

TEST(JobScheduler, StartsDueDuringARunAreQueuedOnce)
{
    JobScheduler scheduler;
    const std::vector<JobSchedule> jobs = {every("A_850_004010_O", 0), every("B_850_004010_O", 0)};
    for (int tick = 1; tick < 15; ++tick)
        scheduler.tick(minute(10, 9, 0).addSecs(60 * tick), jobs, true);
    EXPECT_FALSE(scheduler.hasQueued());
    EXPECT_TRUE(scheduler.tick(minute(10, 9, 15), jobs, true).empty());
    for (int tick = 16; tick <= 30; ++tick)
        EXPECT_TRUE(scheduler.tick(minute(10, 9, 0).addSecs(60 * tick), jobs, true).empty());
    // Counters kept advancing; each job is queued once, in list order.
    ASSERT_TRUE(scheduler.hasQueued());
    EXPECT_EQ(scheduler.takeQueued().job, 0);
    EXPECT_EQ(scheduler.takeQueued().job, 1);
    EXPECT_FALSE(scheduler.hasQueued());
}
