#include <gtest/gtest.h>

#include "Brindle/Diagnostics.h"
#include "platform/testing/VirtualMainLoop.h"

TEST(Diagnostics, FPSCounterMeasuresWithinOneSecondAndTrackerCountsNothingUnrecorded) {
    platform::testing::VirtualMainLoop loop;
    Brindle::FPSCounter counter;
    for (double step : {0.01, 0.01, 1.5}) {  // past the window: restarts it and keeps the last rate
        loop.advance(step);
        counter.tick();
        EXPECT_NEAR(counter.fps, 100.0, 1e-3);
    }
    EXPECT_EQ(counter.counter, 1.0);
    auto tracker = Brindle::MemoryAllocationTracker::shared();
    EXPECT_EQ(tracker->liveCount<int>(), 0);
    tracker->setExpectedCount<int>(3);
    tracker->setExpectedCount<int>(4);
    EXPECT_EQ(tracker->expectedCount(typeid(int)), 4);
}
