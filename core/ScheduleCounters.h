#pragma once
// The schedule rules shared by the communications and the integration
// schedulers. Both tick once a minute; a network or job is started either
// every N minutes (one of six interval choices) or once a day at a time of
// day. One helper serves both so that the two windows can never count
// differently.

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <array>
#include <functional>

namespace core {

// The six interval choices "Every 15 Minutes" .. "Every 90 Minutes" at list
// positions 0 to 5. Each counter counts the ticks since its choice last came
// due; a choice of N minutes comes due at every N-th tick.
class IntervalCounters {
public:
    static constexpr int Choices = 6;

    // 15, 30, 45, 60, 75 or 90; 0 for a position outside 0..5.
    static int minutes(int choice);

    // Once at the start of every tick, before any network or job is tested.
    void advance();
    // Whether `choice` came due in this tick; false for -1 (no selection) or
    // any position outside 0..5.
    bool isDue(int choice) const;
    // The counter as it stands (0 right after coming due).
    int value(int choice) const;

private:
    std::array<int, Choices> m_counters{};
    std::array<bool, Choices> m_due{};
};

// A start once a day at a time of day.
struct DailyStart {
    // The start last made for a network or job: the moment it was set for
    // (date and minute) and the tick that made it.
    struct Last {
        QDateTime scheduled;
        QDateTime tick;
    };
    // The moment (date and the minute of `at`; seconds do not count) whose
    // start is due at the tick `now`, given the previous tick `previous`
    // (invalid at the first tick) and the last start made. Due when the
    // minute of `now` is the minute of `at`, or when the time since the
    // previous tick crossed it (a late tick). Never twice for one moment, and
    // never twice within one minute of ticks; a later time set the same day
    // starts again. A date `dayAllowed` refuses (the weekday boxes) is
    // skipped. Invalid when nothing is due.
    static QDateTime due(const QDateTime &previous, const QDateTime &now, const QTime &at, const Last &last,
                         const std::function<bool(const QDate &)> &dayAllowed = {});
};

} // namespace core
