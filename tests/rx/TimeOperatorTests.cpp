#include <gtest/gtest.h>

#include <functional>
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

// One source, one operator: what comes out, and when the operator subscribed to its source and
// let go of it.
struct SingleSourceCase {
    const char* name;
    Events input;
    std::function<rx::Observable<int>(const rx::Observable<int>&, const rx::SchedulerPtr&)> apply;
    Events output;
    Spans spans;
    rx::TimeInterval disposed = 1000;
};

TEST_F(TimeOperators, OnOneSource) {
    const auto debounce = [](const auto& xs, const auto& s) { return xs.debounce(20, s); };
    const auto throttleLatest = [](const auto& xs, const auto& s) { return xs.throttle(20, true, s); };
    const auto throttleFirst = [](const auto& xs, const auto& s) { return xs.throttle(20, false, s); };
    const auto delay = [](const auto& xs, const auto& s) { return xs.delay(30, s); };
    const auto observeOn = [](const auto& xs, const auto& s) { return xs.observeOn(s); };
    const Events burst{next(210, 1), next(215, 2), next(220, 3),       next(250, 4),
                       next(260, 5), next(300, 6), completed<int>(305)};
    const std::vector<SingleSourceCase> cases{
        {"debounce keeps the last of each quiet period and flushes on completion",
         {next(150, 0), next(210, 1), next(220, 2), next(235, 3), next(300, 4), next(330, 5),
          completed<int>(340)},
         debounce,
         {next(255, 3), next(320, 4), next(340, 5), completed<int>(340)},
         {{200, 340}}},
        {"debounce error drops the waiting element",
         {next(210, 1), error(215)},
         debounce,
         {error(215)},
         {{200, 215}}},
        {"debounce disposed stops its timer", {next(210, 1)}, debounce, {}, {{200, 220}}, 220},
        {"throttle latest sends the first at once and the latest when the interval ends",
         burst,
         throttleLatest,
         {next(210, 1), next(230, 3), next(250, 4), next(270, 5), next(300, 6), completed<int>(305)},
         {{200, 305}}},
        // 3 arrives when the interval ends, before its timer has run; 4 must wait for the next.
        {"throttle latest waits a full interval after an element sent as the interval ended",
         {next(210, 1), next(215, 2), next(230, 3), next(230, 4)},
         throttleLatest,
         {next(210, 1), next(230, 3), next(250, 4)},
         {{200, 260}},
         260},
        {"throttle completes after sending the waiting element",
         {next(210, 1), next(215, 2), completed<int>(220)},
         throttleLatest,
         {next(210, 1), next(230, 2), completed<int>(230)},
         {{200, 230}}},
        {"throttle error ends at once",
         {next(210, 1), next(215, 2), error(220)},
         throttleLatest,
         {next(210, 1), error(220)},
         {{200, 220}}},
        {"throttle without latest drops what arrives within the interval",
         burst,
         throttleFirst,
         {next(210, 1), next(250, 4), next(300, 6), completed<int>(305)},
         {{200, 305}}},
        {"delay shifts elements and the completion in order",
         {next(150, 0), next(210, 1), next(215, 2), next(250, 3), completed<int>(260)},
         delay,
         {next(240, 1), next(245, 2), next(280, 3), completed<int>(290)},
         {{200, 290}}},
        {"delay passes an error at once and drops waiting elements",
         {next(210, 1), next(250, 2), error(260)},
         delay,
         {next(240, 1), error(260)},
         {{200, 260}}},
        {"observeOn delivers in order",
         {next(210, 1), next(210, 2), completed<int>(220)},
         observeOn,
         {next(210, 1), next(210, 2), completed<int>(220)},
         {{200, 220}}},
        {"observeOn disposed drops what is queued",
         {next(210, 1), next(230, 2)},
         observeOn,
         {next(210, 1)},
         {{200, 220}},
         220},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto scheduler = std::make_shared<TestScheduler>();
        auto xs = scheduler->createHotObservable<int>(c.input);
        auto res = scheduler->start(100, 200, c.disposed, [&] { return c.apply(xs, scheduler); });
        EXPECT_EQ(res->events(), c.output);
        EXPECT_EQ(xs.subscriptions(), c.spans);
    }
}

TEST_F(TimeOperators, ThrottleAndDebounceMergedEmitASingleElementTwice) {
    auto xs = scheduler->createHotObservable<int>({next(210, 1)});
    auto res = scheduler->start(
        [&] { return rx::merge(xs.throttle(100, true, scheduler), xs.debounce(100, scheduler)); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(310, 1)}));
}

TEST_F(TimeOperators, IntervalTicksFromZeroOnePeriodApartUntilItsSubscriptionEnds) {
    using Ticks = std::vector<Recorded<std::int64_t>>;
    auto res = scheduler->start(100, 200, 245, [&] { return rx::interval(10, scheduler); });
    EXPECT_EQ(res->events(), (Ticks{next<std::int64_t>(210, 0), next<std::int64_t>(220, 1),
                                    next<std::int64_t>(230, 2), next<std::int64_t>(240, 3)}));

    // Merged with a source that fails, the interval is let go of at the error.
    auto other = std::make_shared<TestScheduler>();
    Spans intervalSpans;
    auto tracked = rx::Observable<std::int64_t>::create([&](rx::Observer<std::int64_t> observer) {
        intervalSpans.push_back({other->now()});
        auto ticks = rx::interval(10, other).subscribe(observer);
        return rx::Disposable::create([&, ticks]() mutable {
            ticks.dispose();
            intervalSpans.back().unsubscribed = other->now();
        });
    });
    auto failing =
        other->createHotObservable<std::int64_t>({rx::testing::error<std::int64_t>(225, testError())});
    auto merged = other->start([&] { return rx::merge(tracked, failing.asObservable()); });
    EXPECT_EQ(merged->events(), (Ticks{next<std::int64_t>(210, 0), next<std::int64_t>(220, 1),
                                       rx::testing::error<std::int64_t>(225, testError())}));
    EXPECT_EQ(intervalSpans, (Spans{{200, 225}}));
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

TEST_F(TimeOperators, ColdObservableStartsPerSubscription) {
    auto xs = scheduler->createColdObservable<int>({next(10, 1), completed<int>(20)});
    auto res = scheduler->start([&] { return rx::merge(xs, xs.delay(5, scheduler)); });
    EXPECT_EQ(res->events(), (Events{next(210, 1), next(215, 1), completed<int>(225)}));
}

}  // namespace
