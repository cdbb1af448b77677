#include "integration/JobScheduler.h"

using namespace Qt::StringLiterals;

namespace integration {

std::vector<ScheduledStart> JobScheduler::tick(const QDateTime &now, const std::vector<JobSchedule> &jobs,
                                               bool running)
{
    m_counters.advance();
    std::vector<ScheduledStart> due;
    for (int i = 0; i < int(jobs.size()); ++i) {
        const JobSchedule &job = jobs[std::size_t(i)];
        if (job.atTime && job.time.isValid()) {
            const auto allowed = [&](const QDate &date) { return job.days[std::size_t(date.dayOfWeek() - 1)]; };
            const auto last = m_lastDaily.find(job.key);
            const QDateTime scheduled = core::DailyStart::due(
                m_previous, now, job.time, last == m_lastDaily.end() ? core::DailyStart::Last{} : last->second, allowed);
            if (scheduled.isValid()) {
                m_lastDaily[job.key] = {scheduled, now};
                due.push_back({i, u"Ingtegrator Scheduled Task Started: "_s + job.key});
                continue;
            }
        }
        if (job.everyInterval && m_counters.isDue(job.intervalChoice))
            due.push_back({i, u"Ingtegrator Scheduled "_s + QString::number(core::IntervalCounters::minutes(job.intervalChoice))
                                  + u" Minute Task Started: "_s + job.key});
    }
    m_previous = now;
    if (!running)
        return due;
    for (const ScheduledStart &start : due) {
        const bool queued = std::any_of(m_queue.begin(), m_queue.end(),
                                        [&](const ScheduledStart &q) { return q.job == start.job; });
        if (!queued)
            m_queue.push_back(start);
    }
    return {};
}

ScheduledStart JobScheduler::takeQueued()
{
    if (m_queue.empty())
        return {};
    ScheduledStart start = m_queue.front();
    m_queue.pop_front();
    return start;
}

} // namespace integration
