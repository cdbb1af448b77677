#include "Clock.h"

#include <QMutex>
#include <QMutexLocker>

namespace vb {

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

FixedClock::FixedClock(const QDateTime &at) : m_at(at) {}

QDateTime FixedClock::now() const
{
    QMutexLocker lock(&m_mutex);
    return m_at;
}

void FixedClock::set(const QDateTime &at)
{
    QMutexLocker lock(&m_mutex);
    m_at = at;
}

void FixedClock::advance(qint64 milliseconds)
{
    QMutexLocker lock(&m_mutex);
    m_at = m_at.addMSecs(milliseconds);
}

namespace {

QMutex g_clockMutex;

std::shared_ptr<Clock> &installedClock()
{
    static std::shared_ptr<Clock> clock = std::make_shared<SystemClock>();
    return clock;
}

// Day number and time fraction of the classic date serial. The clock never
// reads before 1899, so the negative-date encoding is not needed here.
double toSerial(const QDate &date, const QTime &time)
{
    static const QDate epoch(1899, 12, 30);
    const double days = static_cast<double>(epoch.daysTo(date));
    const double fraction = time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
    return days + fraction;
}

} // namespace

void setClock(std::shared_ptr<Clock> clock)
{
    QMutexLocker lock(&g_clockMutex);
    installedClock() = clock ? std::move(clock) : std::make_shared<SystemClock>();
}

std::shared_ptr<Clock> currentClock()
{
    QMutexLocker lock(&g_clockMutex);
    return installedClock();
}

QDateTime currentDateTime()
{
    return currentClock()->now();
}

// The classic Now/Time carry whole seconds.
static QTime wholeSeconds(const QTime &t)
{
    return QTime(t.hour(), t.minute(), t.second());
}

Variant Now()
{
    const QDateTime now = currentDateTime();
    return Variant::fromDate(toSerial(now.date(), wholeSeconds(now.time())));
}

Variant Date()
{
    return Variant::fromDate(toSerial(currentDateTime().date(), QTime()));
}

Variant Time()
{
    return Variant::fromDate(wholeSeconds(currentDateTime().time()).msecsSinceStartOfDay() / 86400000.0);
}

double Timer()
{
    return currentDateTime().time().msecsSinceStartOfDay() / 1000.0;
}

} // namespace vb
