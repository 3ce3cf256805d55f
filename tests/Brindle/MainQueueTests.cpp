#include <gtest/gtest.h>

#include <any>
#include <string>
#include <vector>

#include "Brindle/MainQueue.h"
#include "platform/testing/VirtualMainLoop.h"

using platform::testing::VirtualMainLoop;

TEST(MainQueueHelpers, RunOnMainQueueIsAlwaysLaterAndRunOnMainThreadIsImmediate) {
    VirtualMainLoop loop;
    std::vector<std::string> order;
    Brindle::runOnMainQueue([&] { order.push_back("queued"); });
    Brindle::runOnMainThread([&] { order.push_back("immediate"); });
    order.push_back("returned");
    loop.runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"immediate", "returned", "queued"}));
}

TEST(MainQueueHelpers, DelayedBlockRunsNoEarlierThanItsDelay) {
    VirtualMainLoop loop;
    double ranAt = -1;
    Brindle::runOnMainQueue(0.5, [&] { ranAt = loop.elapsed(); });
    loop.advance(0.49);
    EXPECT_EQ(ranAt, -1);
    loop.advance(0.01);
    EXPECT_DOUBLE_EQ(ranAt, 0.5);
}

TEST(MainQueueHelpers, ScheduleTimerReplacesOnlyATimer) {
    VirtualMainLoop loop;
    int first = 0, second = 0, third = 0;
    auto deadline = platform::DispatchTime::now() + 1.0;
    auto timer = Brindle::scheduleTimer(deadline, std::any{}, [&] { ++first; });
    auto replaced = Brindle::scheduleTimer(deadline, timer, [&] { ++second; });
    auto unrelated = Brindle::scheduleTimer(deadline, std::any{std::string("not a timer")}, [&] { ++third; });
    loop.advance(2);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(third, 1);
    auto past = Brindle::scheduleTimer(platform::DispatchTime::now() - 5, replaced, [&] { ++first; });
    loop.runUntilIdle();
    EXPECT_EQ(first, 1);
}

TEST(MainQueueHelpers, TimeIntervalInSeconds) {
    using platform::DispatchTimeInterval;
    EXPECT_EQ(Brindle::timeInterval(DispatchTimeInterval::milliseconds(1500)), 1.5);
    EXPECT_EQ(Brindle::timeInterval(DispatchTimeInterval::seconds(3)), 3.0);
    EXPECT_DOUBLE_EQ(*Brindle::timeInterval(DispatchTimeInterval::microseconds(250)), 0.00025);
    EXPECT_DOUBLE_EQ(*Brindle::timeInterval(DispatchTimeInterval::nanoseconds(7)), 7e-9);
    EXPECT_FALSE(Brindle::timeInterval(DispatchTimeInterval::never()));
}
