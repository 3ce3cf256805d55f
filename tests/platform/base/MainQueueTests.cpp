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
using platform::testing::VirtualMainLoop;

TEST(VirtualMainLoop, RunsDelayedBlocksInDueOrderWithTheClockAtTheirDueTime) {
    VirtualMainLoop loop;
    std::vector<std::string> ran;
    std::vector<double> at;
    auto post = [&](double delay, std::string name) {
        MainQueue::asyncAfter(delay, [&, name] {
            ran.push_back(name);
            at.push_back(loop.elapsed());
        });
    };
    post(0.5, "b");
    post(0.2, "a");
    post(0.5, "c");
    post(0, "now");
    loop.advance(0.4);
    EXPECT_EQ(ran, (std::vector<std::string>{"now", "a"}));
    loop.advance(0.1);
    EXPECT_EQ(ran, (std::vector<std::string>{"now", "a", "b", "c"}));
    EXPECT_EQ(at, (std::vector<double>{0, 0.2, 0.5, 0.5}));
}

TEST(VirtualMainLoop, NestedPostsForNowRunInTheSameTurn) {
    VirtualMainLoop loop;
    std::vector<int> ran;
    MainQueue::async([&] {
        ran.push_back(1);
        MainQueue::async([&] { ran.push_back(3); });
        ran.push_back(2);
    });
    loop.runUntilIdle();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(VirtualMainLoop, NegativeAndNaNDelaysRunOnTheNextTurnAndInfiniteNever) {
    VirtualMainLoop loop;
    int ran = 0;
    MainQueue::asyncAfter(-1, [&] { ++ran; });
    MainQueue::asyncAfter(std::nan(""), [&] { ++ran; });
    MainQueue::asyncAfter(std::numeric_limits<double>::infinity(), [&] { ran += 100; });
    EXPECT_EQ(ran, 0);
    loop.runUntilIdle();
    EXPECT_EQ(ran, 2);
    loop.advance(1e9);
    EXPECT_EQ(ran, 2);
}

TEST(VirtualMainLoop, ClocksFollowVirtualTime) {
    VirtualMainLoop loop(1000.0);
    EXPECT_DOUBLE_EQ(platform::Clock::wallSeconds(), 1000.0);
    double monotonic = platform::Clock::monotonicSeconds();
    loop.advance(2.5);
    EXPECT_DOUBLE_EQ(platform::Clock::wallSeconds(), 1002.5);
    EXPECT_DOUBLE_EQ(platform::Clock::monotonicSeconds() - monotonic, 2.5);
    EXPECT_DOUBLE_EQ(platform::Date::now().timeIntervalSince1970(), 1002.5);
}

TEST(VirtualMainLoop, PostsFromOtherThreadsRunOnTheMainThread) {
    VirtualMainLoop loop;
    bool onMain = false;
    std::thread worker([&] {
        EXPECT_FALSE(MainQueue::isMainThread());
        MainQueue::async([&] { onMain = MainQueue::isMainThread(); });
    });
    worker.join();
    loop.runUntilIdle();
    EXPECT_TRUE(onMain);
}

TEST(MainQueueTimer, RepeatsUntilInvalidatedWithOrWithoutAHandleAndOneShotsFireOnce) {
    VirtualMainLoop loop;
    std::vector<double> fired;
    auto timer = MainQueue::scheduledTimer(1.0, true, [&](platform::Timer& self) {
        fired.push_back(loop.elapsed());
        if (fired.size() == 3) self.invalidate();
    });
    int unheld = 0, once = 0, cancelled = 0;
    (void)MainQueue::scheduledTimer(1.0, true, [&](platform::Timer& self) {
        if (++unheld == 2) self.invalidate();
    });
    auto first = MainQueue::scheduledTimer(0.5, false, [&](platform::Timer&) { ++once; });
    auto second = MainQueue::scheduledTimer(0.5, false, [&](platform::Timer&) { ++cancelled; });
    second->invalidate();
    loop.advance(10);
    EXPECT_EQ(fired, (std::vector<double>{1, 2, 3}));
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(unheld, 2);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(cancelled, 0);
    EXPECT_FALSE(first->isValid());
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(MainQueueTimer, InvalidationReleasesTheBlock) {
    VirtualMainLoop loop;
    // An owner that keeps its timer, whose block keeps the owner: invalidating breaks the cycle.
    struct Owner {
        std::shared_ptr<platform::Timer> timer;
    };
    auto owner = std::make_shared<Owner>();
    std::weak_ptr<Owner> weak = owner;
    owner->timer = MainQueue::scheduledTimer(1.0, true, [owner](platform::Timer&) {});
    owner.reset();
    loop.advance(1.5);
    ASSERT_FALSE(weak.expired());
    std::thread([timer = weak.lock()->timer] { timer->invalidate(); }).join();
    EXPECT_TRUE(weak.expired());
    loop.advance(5);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(MainQueueTimer, BlockMayInvalidateItsOwnTimerAndKeepRunning) {
    VirtualMainLoop loop;
    std::vector<std::string> seen;
    auto text = std::make_shared<std::string>("fired");
    auto timer = MainQueue::scheduledTimer(1.0, true, [text, &seen](platform::Timer& self) {
        self.invalidate();
        seen.push_back(*text);  // the block's own captures are still alive here
    });
    text.reset();
    loop.advance(3);
    EXPECT_EQ(seen, (std::vector<std::string>{"fired"}));
}

TEST(MainQueueTimer, PeriodZeroFiresOncePerTurn) {
    VirtualMainLoop loop;
    int fired = 0;
    auto timer = MainQueue::scheduledTimer(0, true, [&](platform::Timer&) { ++fired; });
    loop.runUntilIdle();
    EXPECT_EQ(fired, 1);
    loop.runUntilIdle();
    EXPECT_EQ(fired, 2);
    loop.advance(1);
    EXPECT_EQ(fired, 3);
    timer->invalidate();
    loop.runUntilIdle();
    EXPECT_EQ(fired, 3);
}

TEST(MainQueueTimer, ArmedOnTheMainThreadWhenCreatedElsewhere) {
    VirtualMainLoop loop;
    std::vector<double> fired;
    std::shared_ptr<platform::Timer> timer;
    std::thread worker([&] {
        timer =
            MainQueue::scheduledTimer(1.0, false, [&](platform::Timer&) { fired.push_back(loop.elapsed()); });
    });
    worker.join();
    loop.advance(0.5);  // arms at 0.5 on the main thread
    loop.advance(1.0);
    EXPECT_EQ(fired, (std::vector<double>{1.0}));
}
