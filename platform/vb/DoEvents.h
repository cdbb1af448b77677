#pragma once
// Yielding to pending window messages from long-running work.

#include <QtGlobal>
#include <functional>

namespace vb {

// Processes pending events (QCoreApplication::processEvents) after telling
// the observer, if one is installed.
void DoEvents();

// For hot loops: a DoEvents only when at least minimumGapMs passed since the
// last real one, so the window stays responsive and the loop stays fast.
// Returns true when it yielded.
bool DoEventsIfDue(int minimumGapMs = 10);

// How deep the running code sits in yields and event loops: grows by one
// inside each DoEvents and each nested event loop. Code that runs inside a yield of other code sees a
// greater depth than that code saw when it yielded.
int yieldDepth();

// Test seams. The observer is called at each real yield (before the events
// are processed); the tick source gives a monotonic time in milliseconds for
// the rate limit. Passing an empty function restores the default.
using DoEventsObserver = std::function<void()>;
void setDoEventsObserver(DoEventsObserver observer);
void setDoEventsTickSource(std::function<qint64()> ticks);

// Number of real yields since the last reset.
qint64 doEventsCount();
void resetDoEventsCount();

} // namespace vb
