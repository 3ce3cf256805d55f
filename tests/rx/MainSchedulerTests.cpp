#include <thread>

#include "platform/base/MainQueue.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/rx/Recorder.h"

using namespace rx_tests;

namespace {

class MainSchedulerTest : public ::testing::Test, public Recorder<int> {
protected:
    static rx::SchedulerPtr main() { return rx::MainScheduler::instance(); }
    static void fromThread(std::function<void()> work) { std::thread(std::move(work)).join(); }
    // Notes each element that reaches `observable`, and whether it came on the main thread.
    rx::Disposable follow(const rx::Observable<int>& observable) {
        return observable.subscribe([this](int v) {
            lines.push_back(std::to_string(v) + (platform::MainQueue::isMainThread() ? "" : " off main"));
        });
    }

    platform::testing::VirtualMainLoop loop;
    rx::PublishSubject<int> subject;
};

TEST_F(MainSchedulerTest, RunsAtOnceOnTheMainThreadUnlessItsOwnWorkIsQueuedOrRunning) {
    EXPECT_TRUE(main()->schedule(note("now")).isDisposed());
    auto outer = main()->schedule([&] {
        note("outer begins")();
        auto inner = main()->schedule(note("inner"));
        note("outer ends")();
    });
    EXPECT_EQ(lines, (Lines{"now", "outer begins", "outer ends"}));
    loop.runUntilIdle();
    fromThread([&] { auto queued = main()->schedule(note("from thread")); });
    auto behind = main()->schedule(note("from main"));
    EXPECT_EQ(lines.back(), "inner");
    loop.runUntilIdle();
    auto now = main()->schedule(note("at once"));  // the queue is empty again
    EXPECT_EQ(lines,
              (Lines{"now", "outer begins", "outer ends", "inner", "from thread", "from main", "at once"}));
}

TEST_F(MainSchedulerTest, WorkQueuedOnALoopNeitherHoldsUpALoopThatReplacesItNorLosesItsPlace) {
    fromThread([&] { auto queued = main()->schedule(note("queued")); });
    {
        platform::testing::VirtualMainLoop inner;
        auto immediate = main()->schedule(note("inner"));
        EXPECT_EQ(lines, (Lines{"inner"}));
    }
    auto later = main()->schedule(note("later"));
    EXPECT_EQ(lines, (Lines{"inner"}));
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"inner", "queued", "later"}));
}

TEST_F(MainSchedulerTest, DisposedWorkDoesNotRunAndDelaysAreAlwaysAsynchronous) {
    auto cancelled = main()->scheduleAfter(0.1, note("cancelled"));
    auto zero = main()->scheduleAfter(0, note("zero"));
    cancelled.dispose();
    EXPECT_TRUE(lines.empty());
    loop.advance(1);
    EXPECT_EQ(lines, (Lines{"zero"}));
}

TEST_F(MainSchedulerTest, ObserveOnMainIsSynchronousOnTheMainThreadAndQueuedFromElsewhere) {
    auto subscription = follow(subject.observeOn(main()));
    subject.onNext(1);
    EXPECT_EQ(lines, (Lines{"1"}));
    fromThread([&] {
        subject.onNext(2);
        platform::MainQueue::async(note("other"));
        subject.onNext(3);
    });
    subject.onNext(4);  // queued behind 2 and 3, not ahead of them
    EXPECT_EQ(lines, (Lines{"1"}));
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"1", "2", "other", "3", "4"}));
    fromThread([&] { subject.onNext(5); });
    subscription.dispose();
    loop.runUntilIdle();
    EXPECT_EQ(lines.back(), "4");  // what was queued is dropped
}

TEST_F(MainSchedulerTest, ObserveOnMainQueuesAnElementSentFromWithinItsOwnDelivery) {
    auto subscription = subject.observeOn(main()).subscribe([&](int v) {
        lines.push_back("got " + std::to_string(v));
        if (v == 1) subject.onNext(2);
    });
    subject.onNext(1);
    note("sender returns")();
    EXPECT_EQ(lines, (Lines{"got 1", "sender returns"}));
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"got 1", "sender returns", "got 2"}));
    subject.onCompleted();  // delivered at once, so the subscription ends while it is being scheduled
    EXPECT_TRUE(subscription.isDisposed());
}

TEST_F(MainSchedulerTest, TinyDelayDeliversOnALaterTurnInOrder) {
    auto subscription = follow(subject.delay(1e-9, main()));
    platform::MainQueue::async([&] {
        subject.onNext(1);
        subject.onNext(2);
        note("sender returns")();
    });
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"sender returns"}));
    loop.advance(0.001);
    EXPECT_EQ(lines, (Lines{"sender returns", "1", "2"}));
}

TEST_F(MainSchedulerTest, DebounceDelayAndIntervalRunInVirtualTime) {
    const auto at = [&](std::string what) {
        return [&, what](auto v) {
            lines.push_back(what + std::to_string(v) + "@" + std::to_string(loop.elapsed()));
        };
    };
    auto debounced = subject.debounce(0.3, main()).subscribe(at("debounced "));
    auto delayed = subject.delay(0.5, main()).subscribe(at("delayed "));
    subject.onNext(1);
    loop.advance(0.2);
    subject.onNext(2);
    loop.advance(1);
    EXPECT_EQ(lines, (Lines{"delayed 1@0.500000", "debounced 2@0.500000", "delayed 2@0.700000"}));

    lines.clear();
    auto ticks = rx::interval(0.5, main()).subscribe(at("tick "));
    loop.advance(1.6);
    ticks.dispose();
    loop.advance(5);
    EXPECT_EQ(lines, (Lines{"tick 0@1.700000", "tick 1@2.200000", "tick 2@2.700000"}));

    // A period of zero ticks once per turn.
    lines.clear();
    auto fast = rx::interval(0, main()).subscribe(at("tick "));
    for (int turn = 0; turn < 3; ++turn) loop.runUntilIdle();
    fast.dispose();
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"tick 0@7.800000", "tick 1@7.800000", "tick 2@7.800000"}));
}

}  // namespace
