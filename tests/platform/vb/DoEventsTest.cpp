#include "TestEnvironment.h"
#include "vb/DoEvents.h"

#include <QTimer>
#include <gtest/gtest.h>

TEST(DoEvents, ProcessesPendingEventsAndTellsTheObserver)
{
    bool delivered = false;
    QTimer::singleShot(0, [&] { delivered = true; });
    int observed = 0;
    vb::setDoEventsObserver([&] { ++observed; });
    vb::DoEvents();
    EXPECT_TRUE(delivered);
    EXPECT_EQ(observed, 1);
    EXPECT_EQ(vb::doEventsCount(), 1);
}

TEST(DoEvents, HotLoopYieldSkipsUntilTheGapHasPassed)
{
    qint64 now = 1000;
    vb::setDoEventsTickSource([&] { return now; });
    // ms offsets of successive calls and whether each really yields
    const struct { qint64 at; bool yields; } steps[] = {
        {0, true}, {0, false}, {5, false}, {9, false}, {10, true}, {19, false}, {25, true}, {25, false},
    };
    for (const auto &s : steps) {
        now = 1000 + s.at;
        EXPECT_EQ(vb::DoEventsIfDue(), s.yields) << "at " << s.at;
    }
    EXPECT_EQ(vb::doEventsCount(), 3);
    // A plain DoEvents restarts the gap too.
    now = 1100;
    vb::DoEvents();
    now = 1105;
    EXPECT_FALSE(vb::DoEventsIfDue());
    EXPECT_TRUE(vb::DoEventsIfDue(5));
}
