#include <gtest/gtest.h>

#include <thread>

#include "Brindle/MainQueue.h"
#include "platform/testing/VirtualMainLoop.h"

namespace {
class MainQueueHelpers : public ::testing::Test {
protected:
    platform::testing::VirtualMainLoop loop;
    std::vector<std::string> order;
};
}  // namespace

TEST_F(MainQueueHelpers, RunOnMainQueueIsAlwaysLaterAndRunOnMainThreadIsImmediate) {
    Brindle::runOnMainQueue([&] { order.push_back("queued"); });
    Brindle::runOnMainThread([&] { order.push_back("immediate"); });
    Brindle::runOnMainQueue(0.5, [&] { order.push_back("delayed at " + std::to_string(loop.elapsed())); });
    order.push_back("returned");
    std::thread([&] { Brindle::runOnMainThread([&] { order.push_back("from a worker"); }); }).join();
    loop.advance(0.49);
    EXPECT_EQ(order, (std::vector<std::string>{"immediate", "returned", "queued", "from a worker"}));
    loop.advance(0.01);
    EXPECT_EQ(order.back(), "delayed at 0.500000");
}

TEST_F(MainQueueHelpers, ScheduleTimerReplacesOnlyATimer) {
    auto deadline = platform::DispatchTime::now() + 1.0;
    auto timer = Brindle::scheduleTimer(deadline, std::any{}, [&] { order.push_back("replaced"); });
    auto replacing = Brindle::scheduleTimer(deadline, timer, [&] { order.push_back("replacing"); });
    Brindle::scheduleTimer(deadline, std::any{std::string("not a timer")},
                           [&] { order.push_back("unrelated"); });
    loop.advance(2);
    EXPECT_EQ(order, (std::vector<std::string>{"replacing", "unrelated"}));
    Brindle::scheduleTimer(platform::DispatchTime::now() - 5, replacing, [&] { order.push_back("past"); });
    loop.runUntilIdle();
    EXPECT_EQ(order.back(), "past");
}

TEST_F(MainQueueHelpers, TimeIntervalsInSecondsAndTheGlobalQueue) {
    using platform::DispatchTimeInterval;
    EXPECT_EQ(Brindle::timeInterval(DispatchTimeInterval::milliseconds(1500)), 1.5);
    EXPECT_EQ(Brindle::timeInterval(DispatchTimeInterval::seconds(3)), 3.0);
    EXPECT_DOUBLE_EQ(*Brindle::timeInterval(DispatchTimeInterval::microseconds(250)), 0.00025);
    EXPECT_DOUBLE_EQ(*Brindle::timeInterval(DispatchTimeInterval::nanoseconds(7)), 7e-9);
    EXPECT_FALSE(Brindle::timeInterval(DispatchTimeInterval::never()));

    // The global queue is shared until replaced.
    const auto shared = Brindle::globalUserInteractiveQueue();
    EXPECT_EQ(Brindle::globalUserInteractiveQueue(), shared);
    const auto own = platform::DispatchQueue::makeSerial("own", platform::QualityOfService::userInteractive);
    Brindle::setGlobalUserInteractiveQueue(own);
    EXPECT_EQ(Brindle::globalUserInteractiveQueue(), own);
    Brindle::setGlobalUserInteractiveQueue(shared);
}
