#include "Clock.h"

#include "DateTime.h"

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

Variant Now()
{
    const QDateTime now = currentDateTime();
    return Variant::fromDate(toOleDate(now.date(), now.time())); // whole seconds, as classically
}

Variant Date()
{
    return Variant::fromDate(toOleDate(currentDateTime().date()));
}

Variant Time()
{
    return Variant::fromDate(toOleDate(QDate(1899, 12, 30), currentDateTime().time()));
}

double Timer()
{
    return currentDateTime().time().msecsSinceStartOfDay() / 1000.0;
}

} // namespace vb
