#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/base/MainQueue.h"
#include "platform/testing/VirtualMainLoop.h"
#include "rx/Rx.h"
#include "tests/rx/Recorder.h"

namespace {

using platform::testing::VirtualMainLoop;
using rx_tests::Lines;

class MainSchedulerTest : public ::testing::Test {
protected:
    static rx::SchedulerPtr main() { return rx::MainScheduler::instance(); }
    // Work that notes `line` when it runs.
    std::function<void()> note(std::string line) {
        return [this, line] { lines.push_back(line); };
    }
    void fromThread(std::function<void()> work) { std::thread(std::move(work)).join(); }
    // Notes each element that reaches `observable`, and whether it came on the main thread.
    rx::Disposable follow(const rx::Observable<int>& observable) {
        return observable.subscribe([this](int v) {
            lines.push_back(std::to_string(v) + (platform::MainQueue::isMainThread() ? "" : " off main"));
        });
    }

    VirtualMainLoop loop;
    Lines lines;
    rx::PublishSubject<int> subject;
};

TEST_F(MainSchedulerTest, RunsAtOnceOnTheMainThreadUnlessItsOwnWorkIsQueuedOrRunning) {
    EXPECT_TRUE(main()->schedule(note("now")).isDisposed());
    EXPECT_EQ(lines, (Lines{"now"}));

    auto outer = main()->schedule([&] {
        note("outer begins")();
        auto inner = main()->schedule(note("inner"));
        note("outer ends")();
    });
    EXPECT_EQ(lines, (Lines{"now", "outer begins", "outer ends"}));
    loop.runUntilIdle();
    EXPECT_EQ(lines.back(), "inner");

    lines.clear();
    fromThread([&] { auto queued = main()->schedule(note("from thread")); });
    auto behind = main()->schedule(note("from main"));
    EXPECT_TRUE(lines.empty());
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"from thread", "from main"}));
    // The queue is empty again, so work runs at once.
    auto now = main()->schedule(note("at once"));
    EXPECT_EQ(lines.back(), "at once");
}

TEST_F(MainSchedulerTest, WorkQueuedOnALoopNeitherHoldsUpALoopThatReplacesItNorLosesItsPlace) {
    fromThread([&] { auto queued = main()->schedule(note("queued")); });
    {
        VirtualMainLoop inner;
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
    lines.push_back("sender returns");
    EXPECT_EQ(lines, (Lines{"got 1", "sender returns"}));
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"got 1", "sender returns", "got 2"}));
}

TEST_F(MainSchedulerTest, TinyDelayDeliversOnALaterTurnInOrder) {
    auto subscription = follow(subject.delay(1e-9, main()));
    platform::MainQueue::async([&] {
        subject.onNext(1);
        subject.onNext(2);
        lines.push_back("sender returns");
    });
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"sender returns"}));
    loop.advance(0.001);
    EXPECT_EQ(lines, (Lines{"sender returns", "1", "2"}));
}

TEST_F(MainSchedulerTest, DebounceAndDelayRunInVirtualTime) {
    const auto at = [&](const char* what) {
        return [&, what](int v) {
            lines.push_back(what + std::to_string(v) + " at " + std::to_string(int(loop.elapsed() * 10)));
        };
    };
    auto debounced = subject.debounce(0.3, main()).subscribe(at("debounced "));
    auto delayed = subject.delay(0.5, main()).subscribe(at("delayed "));
    subject.onNext(1);
    loop.advance(0.2);
    subject.onNext(2);
    loop.advance(1);
    EXPECT_EQ(lines, (Lines{"delayed 1 at 5", "debounced 2 at 5", "delayed 2 at 7"}));
}

TEST_F(MainSchedulerTest, IntervalTicksEveryPeriodAndAPeriodOfZeroOncePerTurn) {
    std::vector<std::int64_t> ticks;
    const auto tick = [&](std::int64_t n) { ticks.push_back(n); };
    auto subscription = rx::interval(0.5, main()).subscribe(tick);
    loop.advance(1.6);
    subscription.dispose();
    loop.advance(5);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{0, 1, 2}));

    auto fast = rx::interval(0, main()).subscribe(tick);
    for (int turn = 0; turn < 3; ++turn) loop.runUntilIdle();
    fast.dispose();
    loop.runUntilIdle();
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{0, 1, 2, 0, 1, 2}));
}

}  // namespace
