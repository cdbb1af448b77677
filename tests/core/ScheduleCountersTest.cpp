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
    struct Case {
        const char *name;
        QDateTime previous, now;
        QDate lastStart;
        QDate expected;
    };
    const QDate d10(2026, 12, 10), d9(2026, 12, 9), d11(2026, 12, 11);
    const std::vector<Case> cases = {
        {"tick in the minute", at(10, 14, 59, 20), at(10, 15, 0, 20), {}, d10},
        {"first tick in the minute", {}, at(10, 15, 0, 59), {}, d10},
        {"first tick after the minute", {}, at(10, 15, 1, 0), {}, {}},
        {"tick before the minute", at(10, 14, 58, 20), at(10, 14, 59, 20), {}, {}},
        {"late tick crossed the minute", at(10, 14, 59, 50), at(10, 15, 1, 10), {}, d10},
        {"doubled tick in the minute", at(10, 15, 0, 10), at(10, 15, 0, 40), d10, {}},
        {"tick after a start", at(10, 15, 0, 40), at(10, 15, 1, 40), d10, {}},
        {"started yesterday", at(10, 14, 59, 20), at(10, 15, 0, 20), d9, d10},
        {"late across midnight", at(10, 14, 0), at(11, 16, 0), d9, d11},
        {"late across midnight, today's passed", at(10, 14, 0), at(11, 14, 0), d9, d10},
        {"clock set back", at(10, 15, 5), at(10, 14, 59), {}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(core::DailyStart::due(c.previous, c.now, three, c.lastStart), c.expected)
            << c.name;
}

TEST(DailyStart, RefusedDaysAreSkipped)
{
    const QTime three(15, 0);
    auto onlyThursday = [](const QDate &date) { return date.dayOfWeek() == Qt::Thursday; };
    // 2026-12-10 is a Thursday.
    EXPECT_EQ(core::DailyStart::due(at(10, 14, 59), at(10, 15, 0), three, {}, onlyThursday),
              QDate(2026, 12, 10));
    EXPECT_FALSE(
        core::DailyStart::due(at(11, 14, 59), at(11, 15, 0), three, {}, onlyThursday).isValid());
}

TEST(DailyStart, ATickEveryMinuteStartsOncePerDay)
{
    const QTime three(15, 0);
    QDate last;
    QDateTime previous;
    int starts = 0;
    for (QDateTime now = at(10, 0, 0, 30); now < at(12, 23, 59); now = now.addSecs(60)) {
        const QDate due = core::DailyStart::due(previous, now, three, last);
        if (due.isValid()) {
            ++starts;
            EXPECT_EQ(now.time().hour(), 15);
            EXPECT_EQ(now.time().minute(), 0);
            last = due;
        }
        previous = now;
    }
    EXPECT_EQ(starts, 3);
}
