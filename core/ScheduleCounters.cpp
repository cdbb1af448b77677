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

QDate DailyStart::due(const QDateTime &previous, const QDateTime &now, const QTime &at,
                      const QDate &lastStart,
                      const std::function<bool(const QDate &)> &dayAllowed)
{
    if (!now.isValid() || !at.isValid())
        return {};
    const QTime minute(at.hour(), at.minute());
    auto allowed = [&](const QDate &date) {
        return date != lastStart && (!dayAllowed || dayAllowed(date));
    };

    // This tick's own minute.
    const QDate today = now.date();
    if (now.time().hour() == minute.hour() && now.time().minute() == minute.minute()
        && allowed(today))
        return today;

    // A late tick: the scheduled minute fell between the previous tick and
    // this one. Only the most recent such date is made up (a tick a week late
    // starts once, not seven times). A clock set back never starts anything.
    if (!previous.isValid() || previous >= now)
        return {};
    for (QDate date = today; date >= previous.date(); date = date.addDays(-1)) {
        QDateTime scheduled = now; // same time spec as the ticks
        scheduled.setDate(date);
        scheduled.setTime(minute);
        if (scheduled > now)
            continue;
        if (scheduled <= previous)
            break;
        return allowed(date) ? date : QDate();
    }
    return {};
}

} // namespace core
