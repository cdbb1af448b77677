#include "core/ScheduleCounters.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The ticks (1-based) at which `choice` comes due within the first `ticks`.
std::vector<int> dueTicks(int choice, int ticks)
{
    core::IntervalCounters counters;
    std::vector<int> due;
    for (int tick = 1; tick <= ticks; ++tick) {
        counters.advance();
        if (counters.isDue(choice))
            due.push_back(tick);
    }
    return due;
}

QDateTime at(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

} // namespace

TEST(IntervalCounters, EveryChoiceComesDueEveryNTicks)
{
    for (int choice = 0; choice < core::IntervalCounters::Choices; ++choice) {
        const int n = core::IntervalCounters::minutes(choice);
        EXPECT_EQ(n, 15 * (choice + 1));
        EXPECT_EQ(dueTicks(choice, 3 * n + 1), (std::vector<int>{n, 2 * n, 3 * n}))
            << "choice " << choice;
    }
}

TEST(IntervalCounters, NoSelectionOrOutOfRangeIsNeverDue)
{
    for (int choice : {-1, 6, 100}) {
        EXPECT_EQ(core::IntervalCounters::minutes(choice), 0);
        EXPECT_TRUE(dueTicks(choice, 200).empty()) << "choice " << choice;
    }
}

TEST(IntervalCounters, DueOnlyInTheTickItself)
{
    core::IntervalCounters counters;
    for (int tick = 0; tick < 15; ++tick)
        counters.advance();
    EXPECT_TRUE(counters.isDue(0));
    EXPECT_EQ(counters.value(0), 0);
    EXPECT_EQ(counters.value(1), 15);
    counters.advance();
    EXPECT_FALSE(counters.isDue(0));
    EXPECT_EQ(counters.value(0), 1);
}

TEST(DailyStart, Cases)
{
    const QTime three(15, 0, 30); // seconds of the set time do not count
    using Last = core::DailyStart::Last;
    struct Case {
        const char *name;
        QDateTime previous, now;
        Last last;
        QDateTime expected;
    };
    const QDateTime at10(at(10, 15, 0)), at9(at(9, 15, 0)), at11(at(11, 15, 0));
    const std::vector<Case> cases = {
        {"tick in the minute", at(10, 14, 59, 20), at(10, 15, 0, 20), {}, at10},
        {"first tick in the minute", {}, at(10, 15, 0, 59), {}, at10},
        {"first tick after the minute", {}, at(10, 15, 1, 0), {}, {}},
        {"tick before the minute", at(10, 14, 58, 20), at(10, 14, 59, 20), {}, {}},
        {"late tick crossed the minute", at(10, 14, 59, 50), at(10, 15, 1, 10), {}, at10},
        {"doubled tick in the minute", at(10, 15, 0, 10), at(10, 15, 0, 40), {at10, at(10, 15, 0, 10)}, {}},
        {"tick after a start", at(10, 15, 0, 40), at(10, 15, 1, 40), {at10, at(10, 15, 0, 40)}, {}},
        {"started yesterday", at(10, 14, 59, 20), at(10, 15, 0, 20), {at9, at(9, 15, 0, 20)}, at10},
        {"late across midnight", at(10, 14, 0), at(11, 16, 0), {at9, at(9, 15, 0)}, at11},
        {"late across midnight, today's passed", at(10, 14, 0), at(11, 14, 0), {at9, at(9, 15, 0)}, at10},
        {"clock set back", at(10, 15, 5), at(10, 14, 59), {}, {}},
        {"an earlier time started today, this one not yet", at(10, 14, 59, 20), at(10, 15, 0, 20),
         {at(10, 9, 30), at(10, 9, 30, 5)}, at10},
        {"another time started in this very minute", at(10, 14, 59, 50), at(10, 15, 0, 20),
         {at(10, 14, 59), at(10, 15, 0, 5)}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(core::DailyStart::due(c.previous, c.now, three, c.last), c.expected) << c.name;
}

TEST(DailyStart, RefusedDaysAreSkipped)
{
    const QTime three(15, 0);
    auto onlyThursday = [](const QDate &date) { return date.dayOfWeek() == Qt::Thursday; };
    // 2026-12-10 is a Thursday.
    EXPECT_EQ(core::DailyStart::due(at(10, 14, 59), at(10, 15, 0), three, {}, onlyThursday), at(10, 15, 0));
    EXPECT_FALSE(core::DailyStart::due(at(11, 14, 59), at(11, 15, 0), three, {}, onlyThursday).isValid());
}

// A tick every minute for three days: one start a day; when the user sets a
// later time after the day's start (the run failed), that time starts too.
TEST(DailyStart, ATickEveryMinuteStartsOncePerSetTime)
{
    QTime set(15, 0);
    core::DailyStart::Last last;
    QDateTime previous;
    QList<QDateTime> starts;
    for (QDateTime now = at(10, 0, 0, 30); now < at(12, 23, 59); now = now.addSecs(60)) {
        if (now == at(11, 15, 30, 30))
            set = QTime(16, 45); // the user moves the time after the day's start
        const QDateTime due = core::DailyStart::due(previous, now, set, last);
        if (due.isValid()) {
            starts << now;
            last = {due, now};
        }
        previous = now;
    }
    EXPECT_EQ(starts, (QList<QDateTime>{at(10, 15, 0, 30), at(11, 15, 0, 30), at(11, 16, 45, 30), at(12, 16, 45, 30)}));
}
