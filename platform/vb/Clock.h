#pragma once
// The program's notion of "now". Everything that stamps a date or time
// (History entries, control numbers, file names, schedules) asks vb::Now()
// and friends, never the system directly, so tests can fix the clock.

#include "vb/Variant.h"

#include <QDateTime>
#include <QMutex>
#include <memory>

namespace vb {

// Source of the local wall-clock time. The value is taken as local time
// without any zone arithmetic, as the classic runtime did.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// The real clock: the system's local time.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;
};

// A clock that stands still until told otherwise; used by tests.
class FixedClock final : public Clock {
public:
    explicit FixedClock(const QDateTime &at);
    QDateTime now() const override;
    void set(const QDateTime &at);
    void advance(qint64 milliseconds);

private:
    mutable QMutex m_mutex;
    QDateTime m_at;
};

// Installs the clock read by Now/Date/Time/Timer; nullptr restores the system clock.
void setClock(std::shared_ptr<Clock> clock);
std::shared_ptr<Clock> currentClock();

// The current moment as a QDateTime from the installed clock.
QDateTime currentDateTime();

// Now: date and time of day (Date subtype). Date: today at midnight. Time: the
// time of day on day 0 (30 Dec 1899), as the classic functions return them.
Variant Now();
Variant Date();
Variant Time();

// Seconds since midnight with millisecond resolution.
double Timer();

} // namespace vb
