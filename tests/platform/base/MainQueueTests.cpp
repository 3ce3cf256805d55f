#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/Date.h"
#include "platform/base/MainQueue.h"
#include "platform/testing/VirtualMainLoop.h"

using platform::MainQueue;
using platform::Timer;
using platform::testing::VirtualMainLoop;

TEST(VirtualMainLoop, RunsBlocksInDueOrderWithTheClockAtTheirDueTime) {
    VirtualMainLoop loop;
    std::vector<std::string> ran;
    std::vector<double> at;
    auto post = [&](double delay, std::string name) {
        MainQueue::asyncAfter(delay, [&, name] { ran.push_back(name), at.push_back(loop.elapsed()); });
    };
    post(0.5, "b");
    post(0.2, "a");
    post(0.5, "c");
    MainQueue::async([&] {
        MainQueue::async([&] { ran.push_back("nested"); });  // in the same turn, after its poster
        ran.push_back("now");
    });
    // A negative or NaN delay runs on the next turn, an infinite one never.
    int early = 0;
    MainQueue::asyncAfter(-1, [&] { ++early; });
    MainQueue::asyncAfter(std::nan(""), [&] { ++early; });
    MainQueue::asyncAfter(std::numeric_limits<double>::infinity(), [&] { early += 100; });
    EXPECT_EQ(early, 0);
    loop.runUntilIdle();
    EXPECT_EQ(ran, (std::vector<std::string>{"now", "nested"}));
    EXPECT_EQ(early, 2);
    loop.advance(1e9);
    EXPECT_EQ(ran, (std::vector<std::string>{"now", "nested", "a", "b", "c"}));
    EXPECT_EQ(at, (std::vector<double>{0.2, 0.5, 0.5}));
    EXPECT_EQ(early, 2);
}

TEST(VirtualMainLoop, ClocksFollowVirtualTimeAndWorkFromOtherThreadsRunsOnTheMainThread) {
    VirtualMainLoop loop(1000.0);
    EXPECT_DOUBLE_EQ(platform::Clock::wallSeconds(), 1000.0);
    double monotonic = platform::Clock::monotonicSeconds();
    loop.advance(2.5);
    EXPECT_DOUBLE_EQ(platform::Clock::monotonicSeconds() - monotonic, 2.5);
    EXPECT_DOUBLE_EQ(platform::Date::now().timeIntervalSince1970(), 1002.5);
    bool onMain = false;
    std::thread([&] {
        EXPECT_FALSE(MainQueue::isMainThread());
        MainQueue::async([&] { onMain = MainQueue::isMainThread(); });
    }).join();
    loop.runUntilIdle();
    EXPECT_TRUE(onMain);
    std::vector<double> fired;
    std::shared_ptr<Timer> timer;
    std::thread([&] {
        timer = MainQueue::scheduledTimer(1.0, false, [&](Timer&) { fired.push_back(loop.elapsed()); });
    }).join();
    loop.advance(0.5);  // the timer is armed on the main thread, at 0.5
    loop.advance(1.0);
    EXPECT_EQ(fired, (std::vector<double>{3.5}));
}

TEST(MainQueueTimer, RepeatsUntilInvalidatedWithOrWithoutAHandleOneShotsFireOnceAndPeriodZeroOncePerTurn) {
    VirtualMainLoop loop;
    std::vector<double> fired;
    auto timer = MainQueue::scheduledTimer(1.0, true, [&](Timer& self) {
        fired.push_back(loop.elapsed());
        if (fired.size() == 3) self.invalidate();
    });
    int unheld = 0, once = 0, cancelled = 0;
    (void)MainQueue::scheduledTimer(1.0, true, [&](Timer& self) {
        if (++unheld == 2) self.invalidate();
    });
    auto first = MainQueue::scheduledTimer(0.5, false, [&](Timer&) { ++once; });
    MainQueue::scheduledTimer(0.5, false, [&](Timer&) { ++cancelled; })->invalidate();
    loop.advance(10);
    EXPECT_EQ(fired, (std::vector<double>{1, 2, 3}));
    EXPECT_FALSE(timer->isValid() || first->isValid());
    EXPECT_EQ((std::vector{unheld, once, cancelled}), (std::vector{2, 1, 0}));
    int spins = 0;
    (void)MainQueue::scheduledTimer(0, true, [&](Timer& self) {
        if (++spins == 2) self.invalidate();
    });
    loop.runUntilIdle();
    EXPECT_EQ(spins, 1);
    loop.advance(5);
    EXPECT_EQ(spins, 2);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(MainQueueTimer, InvalidationReleasesTheBlockAndTheBlockMayInvalidateItsOwnTimer) {
    VirtualMainLoop loop;
    // An owner that keeps its timer, whose block keeps the owner: invalidating breaks the cycle.
    struct Owner {
        std::shared_ptr<Timer> timer;
    };
    auto owner = std::make_shared<Owner>();
    std::weak_ptr<Owner> weak = owner;
    owner->timer = MainQueue::scheduledTimer(1.0, true, [owner](Timer&) {});
    owner.reset();
    loop.advance(1.5);
    ASSERT_FALSE(weak.expired());
    std::thread([timer = weak.lock()->timer] { timer->invalidate(); }).join();
    EXPECT_TRUE(weak.expired());
    std::vector<std::string> seen;
    auto text = std::make_shared<std::string>("fired");
    auto timer = MainQueue::scheduledTimer(1.0, true, [text, &seen](Timer& self) {
        self.invalidate();
        seen.push_back(*text);  // the block's own captures are still alive here
    });
    text.reset();
    loop.advance(3);
    EXPECT_EQ(seen, (std::vector<std::string>{"fired"}));
    EXPECT_EQ(loop.pendingCount(), 0u);
}
