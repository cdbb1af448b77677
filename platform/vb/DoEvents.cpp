#include "DoEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>

namespace vb {

namespace {

// Yields happen on the user-interface thread only; the seams are set by the
// test harness between tests, so plain globals suffice.
DoEventsObserver g_observer;
std::function<qint64()> g_ticks;
std::atomic<qint64> g_count{0};
qint64 g_lastYield = 0;
bool g_yielded = false;
int g_depth = 0;

qint64 nowTicks()
{
    if (g_ticks)
        return g_ticks();
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

} // namespace

void DoEvents()
{
    ++g_count;
    g_lastYield = nowTicks();
    g_yielded = true;
    struct Depth {
        Depth() { ++g_depth; }
        ~Depth() { --g_depth; }
    } depth;
    if (g_observer)
        g_observer();
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents();
}

int yieldDepth()
{
    // Modal boxes and dialogs run event loops of their own: they count too.
    QThread *thread = QThread::currentThread();
    return g_depth + (thread ? thread->loopLevel() : 0);
}

bool DoEventsIfDue(int minimumGapMs)
{
    if (g_yielded && nowTicks() - g_lastYield < minimumGapMs)
        return false;
    DoEvents();
    return true;
}

void setDoEventsObserver(DoEventsObserver observer)
{
    g_observer = std::move(observer);
}

void setDoEventsTickSource(std::function<qint64()> ticks)
{
    g_ticks = std::move(ticks);
    g_yielded = false;
}

qint64 doEventsCount()
{
    return g_count.load();
}

void resetDoEventsCount()
{
    g_count = 0;
}

} // namespace vb
