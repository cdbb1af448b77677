#include "core/ScheduleCounters.h"

namespace core {

int IntervalCounters::minutes(int choice)
{
    return choice >= 0 && choice < Choices ? 15 * (choice + 1) : 0;
}

void IntervalCounters::advance()
{
    // Counting N ticks a cycle (not N + 1) keeps "Every 15 Minutes" at every
    // fifteen minutes.
    for (int choice = 0; choice < Choices; ++choice) {
        int &counter = m_counters[std::size_t(choice)];
        ++counter;
        m_due[std::size_t(choice)] = counter >= minutes(choice);
        if (m_due[std::size_t(choice)])
            counter = 0;
    }
}

bool IntervalCounters::isDue(int choice) const
{
    return choice >= 0 && choice < Choices && m_due[std::size_t(choice)];
}

int IntervalCounters::value(int choice) const
{
    return choice >= 0 && choice < Choices ? m_counters[std::size_t(choice)] : 0;
}

QDateTime DailyStart::due(const QDateTime &previous, const QDateTime &now, const QTime &at, const Last &last,
                          const std::function<bool(const QDate &)> &dayAllowed)
{
    if (!now.isValid() || !at.isValid())
        return {};
    const QTime minute(at.hour(), at.minute());
    const auto sameMinute = [](const QDateTime &a, const QDateTime &b) {
        return a.date() == b.date() && a.time().hour() == b.time().hour() && a.time().minute() == b.time().minute();
    };
    // Two starts within one minute of ticks never happen, whatever the set time did.
    if (last.tick.isValid() && sameMinute(last.tick, now))
        return {};
    const auto moment = [&](const QDate &date) {
        QDateTime scheduled = now; // same time spec as the ticks
        scheduled.setDate(date);
        scheduled.setTime(minute);
        return scheduled;
    };
    // A start is remembered by the moment it was set for, not by its date
    // alone: after a failed run the user may set a later time the same day.
    const auto allowed = [&](const QDateTime &scheduled) {
        return scheduled != last.scheduled && (!dayAllowed || dayAllowed(scheduled.date()));
    };

    // This tick's own minute.
    const QDate today = now.date();
    if (now.time().hour() == minute.hour() && now.time().minute() == minute.minute()) {
        const QDateTime scheduled = moment(today);
        return allowed(scheduled) ? scheduled : QDateTime();
    }

    // A late tick: the scheduled minute fell between the previous tick and
    // this one. Only the most recent such date is made up (a tick a week late
    // starts once, not seven times). A clock set back never starts anything.
    if (!previous.isValid() || previous >= now)
        return {};
    for (QDate date = today; date >= previous.date(); date = date.addDays(-1)) {
        const QDateTime scheduled = moment(date);
        if (scheduled > now)
            continue;
        if (scheduled <= previous)
            break;
        return allowed(scheduled) ? scheduled : QDateTime();
    }
    return {};
}

} // namespace core
