#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/base/MainQueue.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "rx/Rx.h"

namespace {

using platform::testing::VirtualMainLoop;
using Lines = std::vector<std::string>;

rx::SchedulerPtr mainScheduler() { return rx::MainScheduler::instance(); }

TEST(MainScheduler, RunsAtOnceOnTheMainThreadWhenNothingOfItsOwnIsQueued) {
    VirtualMainLoop loop;
    Lines lines;
    auto done = mainScheduler()->schedule([&] { lines.push_back("now"); });
    EXPECT_EQ(lines, (Lines{"now"}));
    EXPECT_TRUE(done.isDisposed());
}

TEST(MainScheduler, WorkScheduledFromItsOwnWorkWaitsItsTurn) {
    VirtualMainLoop loop;
    Lines lines;
    auto outer = mainScheduler()->schedule([&] {
        lines.push_back("outer begins");
        auto inner = mainScheduler()->schedule([&] { lines.push_back("inner"); });
        lines.push_back("outer ends");
    });
    EXPECT_EQ(lines, (Lines{"outer begins", "outer ends"}));
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"outer begins", "outer ends", "inner"}));
}

TEST(MainScheduler, WorkFromAnotherThreadIsQueuedAndLaterWorkQueuesBehindIt) {
    VirtualMainLoop loop;
    Lines lines;
    std::thread([&] {
        auto queued = mainScheduler()->schedule([&] { lines.push_back("from thread"); });
    }).join();
    auto behind = mainScheduler()->schedule([&] { lines.push_back("from main"); });
    EXPECT_TRUE(lines.empty());
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"from thread", "from main"}));
    // The queue is empty again, so work runs at once.
    auto now = mainScheduler()->schedule([&] { lines.push_back("at once"); });
    EXPECT_EQ(lines.back(), "at once");
}

TEST(MainScheduler, QueuedWorkOnAReplacedLoopDoesNotHoldUpTheNewOne) {
    VirtualMainLoop outer;
    int ran = 0;
    std::thread([&] { auto queued = mainScheduler()->schedule([&] { ++ran; }); }).join();
    {
        VirtualMainLoop inner;
        auto immediate = mainScheduler()->schedule([&] { ran += 10; });
        EXPECT_EQ(ran, 10);
    }
    outer.runUntilIdle();
    EXPECT_EQ(ran, 11);
}

TEST(MainScheduler, WorkStillQueuedOnALoopKeepsItsPlaceAfterAnotherLoopCameAndWent) {
    VirtualMainLoop outer;
    Lines lines;
    std::thread([&] { auto queued = mainScheduler()->schedule([&] { lines.push_back("queued"); }); }).join();
    {
        VirtualMainLoop inner;
        auto immediate = mainScheduler()->schedule([&] { lines.push_back("inner"); });
    }
    auto later = mainScheduler()->schedule([&] { lines.push_back("later"); });
    EXPECT_EQ(lines, (Lines{"inner"}));
    outer.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"inner", "queued", "later"}));
}

TEST(MainScheduler, DisposedWorkDoesNotRunAndDelaysAreAlwaysAsynchronous) {
    VirtualMainLoop loop;
    Lines lines;
    auto cancelled = mainScheduler()->scheduleAfter(0.1, [&] { lines.push_back("cancelled"); });
    auto zero = mainScheduler()->scheduleAfter(0, [&] { lines.push_back("zero"); });
    cancelled.dispose();
    EXPECT_TRUE(lines.empty());
    loop.advance(1);
    EXPECT_EQ(lines, (Lines{"zero"}));
}

TEST(MainScheduler, ObserveOnMainIsSynchronousOnTheMainThreadAndQueuedFromElsewhere) {
    VirtualMainLoop loop;
    rx::PublishSubject<int> subject;
    Lines lines;
    auto subscription = subject.observeOn(mainScheduler()).subscribe([&](int v) {
        lines.push_back(std::to_string(v) + (platform::MainQueue::isMainThread() ? " main" : " other"));
    });
    subject.onNext(1);
    EXPECT_EQ(lines, (Lines{"1 main"}));
    std::thread([&] {
        subject.onNext(2);
        subject.onNext(3);
    }).join();
    subject.onNext(4);  // queued behind 2 and 3, not ahead of them
    EXPECT_EQ(lines, (Lines{"1 main"}));
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"1 main", "2 main", "3 main", "4 main"}));
    subscription.dispose();
}

TEST(MainScheduler, ObserveOnMainQueuesAnElementSentFromWithinItsOwnDelivery) {
    VirtualMainLoop loop;
    rx::PublishSubject<int> subject;
    Lines lines;
    auto subscription = subject.observeOn(mainScheduler()).subscribe([&](int v) {
        lines.push_back("got " + std::to_string(v));
        if (v == 1) subject.onNext(2);
    });
    subject.onNext(1);
    lines.push_back("sender returns");
    EXPECT_EQ(lines, (Lines{"got 1", "sender returns"}));
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"got 1", "sender returns", "got 2"}));
    subscription.dispose();
}

TEST(MainScheduler, ObserveOnMainKeepsEachElementsPlaceAmongOtherMainQueueWork) {
    VirtualMainLoop loop;
    rx::PublishSubject<int> subject;
    Lines lines;
    auto subscription =
        subject.observeOn(mainScheduler()).subscribe([&](int v) { lines.push_back(std::to_string(v)); });
    std::thread([&] {
        subject.onNext(1);
        platform::MainQueue::async([&] { lines.push_back("other"); });
        subject.onNext(2);
    }).join();
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"1", "other", "2"}));
    subscription.dispose();
}

TEST(MainScheduler, ObserveOnMainDropsQueuedElementsOnDispose) {
    VirtualMainLoop loop;
    rx::PublishSubject<int> subject;
    Lines lines;
    auto subscription =
        subject.observeOn(mainScheduler()).subscribe([&](int v) { lines.push_back(std::to_string(v)); });
    std::thread([&] { subject.onNext(1); }).join();
    subscription.dispose();
    loop.runUntilIdle();
    EXPECT_TRUE(lines.empty());
}

TEST(MainScheduler, TinyDelayDeliversOnALaterTurnInOrder) {
    VirtualMainLoop loop;
    rx::PublishSubject<int> subject;
    Lines lines;
    auto subscription =
        subject.delay(1e-9, mainScheduler()).subscribe([&](int v) { lines.push_back(std::to_string(v)); });
    platform::MainQueue::async([&] {
        subject.onNext(1);
        subject.onNext(2);
        lines.push_back("sender returns");
    });
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"sender returns"}));
    loop.advance(0.001);
    EXPECT_EQ(lines, (Lines{"sender returns", "1", "2"}));
    subscription.dispose();
}

TEST(MainScheduler, DebounceAndDelayRunInVirtualTime) {
    VirtualMainLoop loop;
    rx::PublishSubject<int> subject;
    Lines lines;
    auto debounced = subject.debounce(0.3, mainScheduler()).subscribe([&](int v) {
        lines.push_back("debounced " + std::to_string(v) + " at " + std::to_string(int(loop.elapsed() * 10)));
    });
    auto delayed = subject.delay(0.5, mainScheduler()).subscribe([&](int v) {
        lines.push_back("delayed " + std::to_string(v) + " at " + std::to_string(int(loop.elapsed() * 10)));
    });
    subject.onNext(1);
    loop.advance(0.2);
    subject.onNext(2);
    loop.advance(1);
    EXPECT_EQ(lines, (Lines{"delayed 1 at 5", "debounced 2 at 5", "delayed 2 at 7"}));
    debounced.dispose();
    delayed.dispose();
}

TEST(MainScheduler, IntervalTicksEveryPeriodAndAPeriodOfZeroOncePerTurn) {
    VirtualMainLoop loop;
    std::vector<std::int64_t> ticks;
    auto subscription =
        rx::interval(0.5, mainScheduler()).subscribe([&](std::int64_t n) { ticks.push_back(n); });
    loop.advance(1.6);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{0, 1, 2}));
    subscription.dispose();
    loop.advance(5);
    EXPECT_EQ(ticks.size(), 3u);

    ticks.clear();
    auto fast = rx::interval(0, mainScheduler()).subscribe([&](std::int64_t n) { ticks.push_back(n); });
    loop.runUntilIdle();
    loop.runUntilIdle();
    loop.runUntilIdle();
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{0, 1, 2}));
    fast.dispose();
    loop.runUntilIdle();
    EXPECT_EQ(ticks.size(), 3u);
}

}  // namespace
