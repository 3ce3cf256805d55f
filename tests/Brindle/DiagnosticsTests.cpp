#include <gtest/gtest.h>

#include "Brindle/Diagnostics.h"
#include "platform/testing/VirtualMainLoop.h"

TEST(FPSCounter, MeasuresFramesWithinAOneSecondWindow) {
    platform::testing::VirtualMainLoop loop;
    Brindle::FPSCounter counter;
    for (int i = 0; i < 3; ++i) {
        loop.advance(0.01);
        counter.tick();
        EXPECT_NEAR(counter.fps, 100.0, 1e-3);
    }
    loop.advance(1.5);  // past the window: restarts it and keeps the last rate
    counter.tick();
    EXPECT_NEAR(counter.fps, 100.0, 1e-3);
    EXPECT_EQ(counter.counter, 1.0);
}

TEST(MemoryAllocationTracker, CountsNothingForATypeNeverRecorded) {
    auto tracker = Brindle::MemoryAllocationTracker::shared();
    EXPECT_EQ(tracker, Brindle::MemoryAllocationTracker::shared());
    EXPECT_EQ(tracker->liveCount<int>(), 0);
    tracker->setExpectedCount<int>(3);
    tracker->setExpectedCount<int>(4);
    EXPECT_EQ(tracker->expectedCount(typeid(int)), 4);
}
