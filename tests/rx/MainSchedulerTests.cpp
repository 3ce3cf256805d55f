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
    // Delays always go through the loop, and disposed work never runs.
    auto cancelled = main()->scheduleAfter(0.1, note("cancelled"));
    auto zero = main()->scheduleAfter(0, note("zero"));
    cancelled.dispose();
    EXPECT_EQ(lines.back(), "at once");
    loop.advance(1);
    EXPECT_EQ(lines, (Lines{"now", "outer begins", "outer ends", "inner", "from thread", "from main",
                            "at once", "zero"}));
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
    // An element sent from within its own delivery is queued.
    lines.clear();
    auto echo = subject.observeOn(main()).subscribe([&](int v) {
        lines.push_back("got " + std::to_string(v));
        if (v == 1) subject.onNext(2);
    });
    subject.onNext(1);
    note("sender returns")();
    EXPECT_EQ(lines, (Lines{"got 1", "sender returns"}));
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"got 1", "sender returns", "got 2"}));
    subject.onCompleted();  // delivered at once, so the subscription ends while it is being scheduled
    EXPECT_TRUE(echo.isDisposed());
}

TEST_F(MainSchedulerTest, DelaysRunInVirtualTimeAndATinyOneOnALaterTurnInOrder) {
    auto subscription = follow(subject.delay(1e-9, main()));
    auto delayed =
        subject.delay(0.5, main()).subscribe([&](int v) { lines.push_back("late " + std::to_string(v)); });
    platform::MainQueue::async([&] {
        subject.onNext(1);
        subject.onNext(2);
        note("sender returns")();
    });
    loop.runUntilIdle();
    EXPECT_EQ(lines, (Lines{"sender returns"}));
    loop.advance(0.001);
    EXPECT_EQ(lines, (Lines{"sender returns", "1", "2"}));
    loop.advance(0.498);
    EXPECT_EQ(lines.size(), 3u);
    loop.advance(0.002);
    EXPECT_EQ(lines, (Lines{"sender returns", "1", "2", "late 1", "late 2"}));
}

}  // namespace
