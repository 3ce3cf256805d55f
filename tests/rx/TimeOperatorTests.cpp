#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "rx/Rx.h"
#include "rx/testing/TestScheduler.h"

namespace {

using rx::testing::completed;
using rx::testing::next;
using rx::testing::Recorded;
using rx::testing::SubscriptionSpan;
using rx::testing::TestScheduler;
using Events = std::vector<Recorded<int>>;
using Spans = std::vector<SubscriptionSpan>;

std::exception_ptr testError() {
    static const auto error = std::make_exception_ptr(std::runtime_error("test error"));
    return error;
}

Recorded<int> error(rx::TimeInterval time) { return rx::testing::error<int>(time, testError()); }

class TimeOperators : public ::testing::Test {
protected:
    std::shared_ptr<TestScheduler> scheduler = std::make_shared<TestScheduler>();
};

TEST_F(TimeOperators, DebounceEmitsTheLastElementOfEachQuietPeriodAndFlushesOnCompletion) {
    auto xs = scheduler->createHotObservable<int>({next(150, 0), next(210, 1), next(220, 2), next(235, 3),
                                                   next(300, 4), next(330, 5), completed<int>(340)});
    auto res = scheduler->start([&] { return xs.debounce(20, scheduler); });
    EXPECT_EQ(res->events(), (Events{next(255, 3), next(320, 4), next(340, 5), completed<int>(340)}));
    EXPECT_EQ(xs.subscriptions(), (Spans{{200, 340}}));
}

TEST_F(TimeOperators, DebounceErrorDropsTheWaitingElementAndDisposeStopsTheTimer) {
    auto failing = scheduler->createHotObservable<int>({next(210, 1), error(215)});
    auto res = scheduler->start([&] { return failing.debounce(20, scheduler); });
    EXPECT_EQ(res->events(), (Events{error(215)}));

    auto other = std::make_shared<TestScheduler>();
    auto xs = other->createHotObservable<int>({next(210, 1)});
    auto disposed = other->start(100, 200, 220, [&] { return xs.debounce(20, other); });
    EXPECT_TRUE(disposed->events().empty());
}

TEST_F(TimeOperators, ThrottleLatestSendsFirstAtOnceAndTheLatestWhenTheIntervalEnds) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1), next(215, 2), next(220, 3), next(250, 4),
                                                   next(260, 5), next(300, 6), completed<int>(305)});
    auto res = scheduler->start([&] { return xs.throttle(20, true, scheduler); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(230, 3), next(250, 4), next(270, 5), next(300, 6),
                                     completed<int>(305)}));
}

TEST_F(TimeOperators, ThrottleLatestWaitsAFullIntervalAfterAnElementSentAsTheIntervalEnded) {
    // 3 arrives when the interval ends, before its timer has run; 4 must then wait for the next.
    auto xs = scheduler->createHotObservable<int>({next(210, 1), next(215, 2), next(230, 3), next(230, 4)});
    auto res = scheduler->start([&] { return xs.throttle(20, true, scheduler); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(230, 3), next(250, 4)}));
}

TEST_F(TimeOperators, ThrottleWithoutLatestDropsWhatArrivesWithinTheInterval) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1), next(215, 2), next(220, 3), next(250, 4),
                                                   next(260, 5), next(300, 6), completed<int>(305)});
    auto res = scheduler->start([&] { return xs.throttle(20, false, scheduler); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(250, 4), next(300, 6), completed<int>(305)}));
}

TEST_F(TimeOperators, ThrottleCompletesAfterSendingTheWaitingElement) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1), next(215, 2), completed<int>(220)});
    auto res = scheduler->start([&] { return xs.throttle(20, true, scheduler); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(230, 2), completed<int>(230)}));
}

TEST_F(TimeOperators, ThrottleAndDebounceMergedEmitASingleElementTwice) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1)});
    auto res = scheduler->start(
        [&] { return rx::merge(xs.throttle(100, true, scheduler), xs.debounce(100, scheduler)); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(310, 1)}));
}

TEST_F(TimeOperators, DelayShiftsElementsAndCompletionInOrder) {
    auto xs = scheduler->createHotObservable<int>(
        {next(150, 0), next(210, 1), next(215, 2), next(250, 3), completed<int>(260)});
    auto res = scheduler->start([&] { return xs.delay(30, scheduler); });
    EXPECT_EQ(res->events(), (Events{next(240, 1), next(245, 2), next(280, 3), completed<int>(290)}));
}

TEST_F(TimeOperators, DelayPassesAnErrorAtOnceAndDropsWaitingElements) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1), next(250, 2), error(260)});
    auto res = scheduler->start([&] { return xs.delay(30, scheduler); });
    EXPECT_EQ(res->events(), (Events{next(240, 1), error(260)}));
    EXPECT_EQ(xs.subscriptions(), (Spans{{200, 260}}));
}

TEST_F(TimeOperators, IntervalCountsFromZeroOnePeriodApartUntilDisposed) {
    auto res = scheduler->start(100, 200, 245, [&] { return rx::interval(10, scheduler); });
    using Ticks = std::vector<Recorded<std::int64_t>>;
    EXPECT_EQ(res->events(), (Ticks{next<std::int64_t>(210, 0), next<std::int64_t>(220, 1),
                                    next<std::int64_t>(230, 2), next<std::int64_t>(240, 3)}));
}

TEST_F(TimeOperators, MergeInterleavesAndCompletesWhenAllHave) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1), next(230, 3), completed<int>(240)});
    auto ys = scheduler->createHotObservable<int>({next(220, 2), next(250, 4), completed<int>(260)});
    auto res = scheduler->start([&] { return rx::merge(xs, ys); });
    EXPECT_EQ(res->events(),
              (Events{next(210, 1), next(220, 2), next(230, 3), next(250, 4), completed<int>(260)}));
}

TEST_F(TimeOperators, MergeErrorEndsEverySource) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1), error(225)});
    auto ys = scheduler->createHotObservable<int>({next(220, 2), next(250, 4)});
    auto zs = scheduler->createHotObservable<int>({});
    auto res = scheduler->start([&] { return rx::merge(std::vector<rx::Observable<int>>{xs, ys, zs}); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(220, 2), error(225)}));
    EXPECT_EQ(ys.subscriptions(), (Spans{{200, 225}}));
    EXPECT_EQ(zs.subscriptions(), (Spans{{200, 225}}));
}

TEST_F(TimeOperators, CombineLatestWaitsForAllThenCombinesTheLatest) {
    auto xs =
        scheduler->createHotObservable<int>({next(150, 0), next(210, 1), next(230, 3), completed<int>(300)});
    auto ys = scheduler->createHotObservable<int>({next(220, 10), next(240, 20), completed<int>(250)});
    auto res =
        scheduler->start([&] { return rx::combineLatest(xs, ys, [](int x, int y) { return x + y; }); });
    EXPECT_EQ(res->events(), (Events{next(220, 11), next(230, 13), next(240, 23), completed<int>(300)}));
}

TEST_F(TimeOperators, CombineLatestCompletesWhenTheOthersEndedWithoutAValue) {
    auto xs = scheduler->createHotObservable<int>({completed<int>(210)});
    auto ys = scheduler->createHotObservable<int>({next(220, 1), next(230, 2)});
    auto res =
        scheduler->start([&] { return rx::combineLatest(xs, ys, [](int x, int y) { return x + y; }); });
    EXPECT_EQ(res->events(), (Events{completed<int>(220)}));
    EXPECT_EQ(ys.subscriptions(), (Spans{{200, 220}}));
}

TEST_F(TimeOperators, CombineLatestOfThreeAndErrorEndsTheOthers) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1), next(240, 2)});
    auto ys = scheduler->createHotObservable<int>({next(220, 10), error(250)});
    auto zs = scheduler->createHotObservable<int>({next(230, 100), next(260, 200)});
    auto res = scheduler->start(
        [&] { return rx::combineLatest(xs, ys, zs, [](int x, int y, int z) { return x + y + z; }); });
    EXPECT_EQ(res->events(), (Events{next(230, 111), next(240, 112), error(250)}));
    EXPECT_EQ(xs.subscriptions(), (Spans{{200, 250}}));
    EXPECT_EQ(zs.subscriptions(), (Spans{{200, 250}}));
}

TEST_F(TimeOperators, ObserveOnDeliversLaterInOrder) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1), next(210, 2), completed<int>(220)});
    auto res = scheduler->start(
        [&] { return xs.observeOn(scheduler).doOnNext([&](int) { EXPECT_EQ(scheduler->now(), 210); }); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(210, 2), completed<int>(220)}));
}

TEST_F(TimeOperators, ColdObservableStartsPerSubscription) {
    auto xs = scheduler->createColdObservable<int>({next(10, 1), completed<int>(20)});
    auto res = scheduler->start([&] { return rx::merge(xs, xs.delay(5, scheduler)); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(215, 1), completed<int>(225)}));
}

}  // namespace
