#pragma once
// The integration scheduler's tick, once a minute: the interval counters
// advance, then every job whose schedule is due is started in list order.
// A tick while a job runs queues its starts (each job once) for when the run
// ends. A daily start happens once per job and set moment, also after a late tick.

#include "core/ScheduleCounters.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <deque>
#include <map>
#include <vector>

namespace integration {

struct JobSchedule {
    QString key;                  // P_T_V_D
    bool atTime = false;          // "Schedule at:"
    QTime time;
    std::array<bool, 7> days{};   // Mon .. Sun
    bool everyInterval = false;   // "Schedule every:"
    int intervalChoice = -1;      // 0..5: every 15 .. 90 minutes; -1 none
};

struct ScheduledStart {
    int job = -1;                 // index in the job list
    QString history;              // the "Info" entry recorded when it starts
    bool operator==(const ScheduledStart &) const = default;
};

class JobScheduler {
public:
    // The starts due at the tick `now`, in list order (a job due by time and
    // by interval starts once). `running`: a job runs now; the starts are
    // queued instead (each job at most once) and none is returned.
    std::vector<ScheduledStart> tick(const QDateTime &now, const std::vector<JobSchedule> &jobs, bool running);

    // The next queued start, once the running job has ended.
    bool hasQueued() const { return !m_queue.empty(); }
    ScheduledStart takeQueued();

    const core::IntervalCounters &counters() const { return m_counters; }

private:
    core::IntervalCounters m_counters;
    QDateTime m_previous;
    std::map<QString, core::DailyStart::Last> m_lastDaily;
    std::deque<ScheduledStart> m_queue;
};

} // namespace integration
