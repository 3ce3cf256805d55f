#include <stdexcept>

#include "rx/testing/TestScheduler.h"
#include "tests/rx/Recorder.h"

using namespace rx_tests;

namespace {

using rx::testing::next;
using rx::testing::Recorded;
using rx::testing::TestScheduler;
using Events = std::vector<Recorded<int>>;
using Spans = std::vector<rx::testing::SubscriptionSpan>;
using Sources = const std::vector<rx::Observable<int>>&;
using Scheduler = const std::shared_ptr<TestScheduler>&;

std::exception_ptr testError() {
    static const auto error = std::make_exception_ptr(std::runtime_error("test error"));
    return error;
}
Recorded<int> error(rx::TimeInterval time) { return rx::testing::error<int>(time, testError()); }
Recorded<int> done(rx::TimeInterval time) { return rx::testing::completed<int>(time); }

// Sources of recorded events, one operator over them: what comes out, and when the operator
// subscribed to each source and let go of it (a source that completes is let go of when the whole
// subscription ends). The result is subscribed at 200 and disposed at `disposed`.
struct Case {
    const char* name;
    std::vector<Events> inputs;
    std::function<rx::Observable<int>(Sources, Scheduler)> apply;
    Events output;
    std::vector<Spans> spans;
    rx::TimeInterval disposed = 1000;
    bool cold = false;
};

TEST(Operators, InVirtualTime) {
    const auto debounce = [](Sources xs, Scheduler s) { return xs[0].debounce(20, s); };
    const auto throttleLatest = [](Sources xs, Scheduler s) { return xs[0].throttle(20, true, s); };
    const auto delay = [](Sources xs, Scheduler s) { return xs[0].delay(30, s); };
    const auto observeOn = [](Sources xs, Scheduler s) { return xs[0].observeOn(s); };
    const auto merge = [](Sources xs, Scheduler) { return rx::merge(xs); };
    const auto sum = [](Sources xs, Scheduler) {
        return rx::combineLatest(xs[0], xs[1], [](int x, int y) { return x + y; });
    };
    const auto twice = [](rx::Observable<int> once) { return rx::merge(once, once); };
    const Events burst{next(210, 1), next(215, 2), next(220, 3), next(250, 4),
                       next(260, 5), next(300, 6), done(305)};
    const Case cases[]{
        Case("map and filter transform and select, and pass an error",
             {{next(210, 1), next(220, 2), next(230, 3), error(240)}},
             [](Sources xs, Scheduler) {
                 return xs[0].map([](int v) { return v * 10; }).filter([](int v) { return v != 20; });
             },
             {next(210, 10), next(230, 30), error(240)}, {{{200, 240}}}),
        Case("outside helpers chain like members", {{next(210, 1), done(220)}},
             [](Sources xs, Scheduler) {
                 const auto doubled = [](const rx::Observable<int>& o) {
                     return o.map([](int v) { return 2 * v; });
                 };
                 return xs[0].pipe(doubled).pipe(doubled);
             },
             {next(210, 4), done(220)}, {{{200, 220}}}),
        Case("distinctUntilChanged drops consecutive repeats only",
             {{next(210, 1), next(211, 1), next(212, 2), next(213, 2), next(214, 1), next(215, 3),
               next(216, 3), done(220)}},
             [](Sources xs, Scheduler) { return xs[0].distinctUntilChanged(); },
             {next(210, 1), next(212, 2), next(214, 1), next(215, 3), done(220)}, {{{200, 220}}}),
        // Two subscriptions to the one operator: each keeps its own last element.
        Case("distinctUntilChanged uses the comparer, with a state per subscription",
             {{next(210, 10), next(220, 12), next(230, 25), next(240, 11), error(250)}},
             [&](Sources xs, Scheduler) {
                 return twice(xs[0].distinctUntilChanged([](int a, int b) { return a / 10 == b / 10; }));
             },
             {next(210, 10), next(210, 10), next(230, 25), next(230, 25), next(240, 11), next(240, 11),
              error(250)},
             {{{200, 250}, {200, 250}}}),
        Case("skip counts per subscription", {{next(210, 1), next(220, 2), error(230)}},
             [&](Sources xs, Scheduler) { return twice(xs[0].skip(1)); },
             {next(220, 2), next(220, 2), error(230)}, {{{200, 230}, {200, 230}}}),
        Case("skip of none passes everything", {{next(210, 1), done(220)}},
             [](Sources xs, Scheduler) { return xs[0].skip(0); }, {next(210, 1), done(220)}, {{{200, 220}}}),
        Case(
            "debounce keeps the last of each quiet period and flushes on completion",
            {{next(150, 0), next(210, 1), next(220, 2), next(235, 3), next(300, 4), next(330, 5), done(340)}},
            debounce, {next(255, 3), next(320, 4), next(340, 5), done(340)}, {{{200, 340}}}),
        Case("debounce error drops the waiting element", {{next(210, 1), error(215)}}, debounce, {error(215)},
             {{{200, 215}}}),
        Case("debounce disposed stops its timer", {{next(210, 1)}}, debounce, {}, {{{200, 220}}}, 220),
        Case("throttle latest sends the first at once and the latest when the interval ends", {burst},
             throttleLatest,
             {next(210, 1), next(230, 3), next(250, 4), next(270, 5), next(300, 6), done(305)},
             {{{200, 305}}}),
        // 3 arrives when the interval ends, before its timer has run; 4 must wait for the next.
        Case("throttle latest waits a full interval after an element sent as the interval ended",
             {{next(210, 1), next(215, 2), next(230, 3), next(230, 4)}}, throttleLatest,
             {next(210, 1), next(230, 3), next(250, 4)}, {{{200, 260}}}, 260),
        Case("throttle completes after sending the waiting element",
             {{next(210, 1), next(215, 2), done(220)}}, throttleLatest,
             {next(210, 1), next(230, 2), done(230)}, {{{200, 230}}}),
        Case("throttle error ends at once", {{next(210, 1), next(215, 2), error(220)}}, throttleLatest,
             {next(210, 1), error(220)}, {{{200, 220}}}),
        Case("throttle without latest drops what arrives within the interval", {burst},
             [](Sources xs, Scheduler s) { return xs[0].throttle(20, false, s); },
             {next(210, 1), next(250, 4), next(300, 6), done(305)}, {{{200, 305}}}),
        Case("throttle and debounce merged emit a single element twice", {{next(210, 1)}},
             [](Sources xs, Scheduler s) {
                 return rx::merge(xs[0].throttle(100, true, s), xs[0].debounce(100, s));
             },
             {next(210, 1), next(310, 1)}, {{{200, 1000}, {200, 1000}}}),
        Case("delay shifts elements and the completion in order",
             {{next(150, 0), next(210, 1), next(215, 2), next(250, 3), done(260)}}, delay,
             {next(240, 1), next(245, 2), next(280, 3), done(290)}, {{{200, 290}}}),
        Case("delay passes an error at once and drops waiting elements",
             {{next(210, 1), next(250, 2), error(260)}}, delay, {next(240, 1), error(260)}, {{{200, 260}}}),
        Case(
            "a cold source starts anew for each subscription", {{next(10, 1), done(20)}},
            [](Sources xs, Scheduler s) { return rx::merge(xs[0], xs[0].delay(5, s)); },
            {next(210, 1), next(215, 1), done(225)}, {{{200, 225}, {200, 225}}}, 1000, true),
        Case("observeOn delivers in order and ends", {{next(210, 1), next(210, 2), done(220)}}, observeOn,
             {next(210, 1), next(210, 2), done(220)}, {{{200, 220}}}),
        Case("observeOn disposed drops what is queued", {{next(210, 1), next(230, 2)}}, observeOn,
             {next(210, 1)}, {{{200, 220}}}, 220),
        Case(
            "interval ticks from zero one period apart until disposed", {},
            [](Sources, Scheduler s) {
                return rx::interval(10, s).map([](std::int64_t n) { return int(n); });
            },
            {next(210, 0), next(220, 1), next(230, 2), next(240, 3)}, {}, 245),
        Case("merge interleaves and completes when all have",
             {{next(210, 1), next(230, 3), done(240)}, {next(220, 2), next(250, 4), done(260)}}, merge,
             {next(210, 1), next(220, 2), next(230, 3), next(250, 4), done(260)},
             {{{200, 260}}, {{200, 260}}}),
        Case("merge error ends every source", {{next(210, 1), error(225)}, {next(220, 2), next(250, 4)}, {}},
             merge, {next(210, 1), next(220, 2), error(225)}, {{{200, 225}}, {{200, 225}}, {{200, 225}}}),
        Case("merge of no sources completes at once", {}, merge, {done(200)}, {}),
        Case("combineLatest waits for all, then combines the latest",
             {{next(150, 0), next(210, 1), next(230, 3), done(300)},
              {next(220, 10), next(240, 20), done(250)}},
             sum, {next(220, 11), next(230, 13), next(240, 23), done(300)}, {{{200, 300}}, {{200, 300}}}),
        Case("combineLatest completes when another ended without a value",
             {{done(210)}, {next(220, 1), next(230, 2)}}, sum, {done(220)}, {{{200, 220}}, {{200, 220}}}),
        Case("combineLatest of three, whose error ends the others",
             {{next(210, 1), next(240, 2)}, {next(220, 10), error(250)}, {next(230, 100), next(260, 200)}},
             [](Sources xs, Scheduler) {
                 return rx::combineLatest(xs[0], xs[1], xs[2], [](int x, int y, int z) { return x + y + z; });
             },
             {next(230, 111), next(240, 112), error(250)}, {{{200, 250}}, {{200, 250}}, {{200, 250}}}),
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto scheduler = std::make_shared<TestScheduler>();
        std::vector<rx::testing::TestableObservable<int>> xs;
        for (const auto& input : c.inputs)
            xs.push_back(c.cold ? scheduler->createColdObservable(input)
                                : scheduler->createHotObservable(input));
        const std::vector<rx::Observable<int>> sources(xs.begin(), xs.end());
        auto res = scheduler->start(100, 200, c.disposed, [&] { return c.apply(sources, scheduler); });
        EXPECT_EQ(res->events(), c.output);
        std::vector<Spans> spans;
        for (const auto& x : xs) spans.push_back(x.subscriptions());
        EXPECT_EQ(spans, c.spans);
    }
}

// Each subscription runs the recipe anew; the side effects run before each event is passed on.
TEST(Observable, FactoriesAndSideEffectsRunForEachSubscription) {
    Recorder<int> recorder;
    auto& lines = recorder.lines;
    auto just = rx::just(4)
                    .doOnNext([&](int v) { lines.push_back("do" + std::to_string(v)); })
                    .doOn(nullptr, nullptr, [&] { lines.push_back("doCompleted"); });
    for (const auto& source :
         {just, just, rx::Observable<int>::empty(), rx::Observable<int>::never(), rx::Observable<int>(),
          rx::Observable<int>::error(std::make_exception_ptr(std::runtime_error("x")))})
        recorder.subscribe(source);
    EXPECT_EQ(lines, (Lines{"do4", "4", "doCompleted", "completed", "do4", "4", "doCompleted", "completed",
                            "completed", "error"}));
}

// The function given to create may keep its observer: it must lead nowhere once the subscription
// has ended, whether by dispose, completion or error.
TEST(Observable, CreatedSourceIsCutOffWhenItsSubscriptionEnds) {
    std::optional<rx::Observer<int>> kept;
    int cleanups = 0;
    auto source = rx::Observable<int>::create([&](rx::Observer<int> observer) {
        kept = observer;
        return rx::Disposable::create([&] { ++cleanups; });
    });
    Recorder<int> recorder;
    auto subscription = recorder.subscribe(source);
    kept->onNext(1);
    subscription.dispose();
    kept->onNext(2);
    kept->onCompleted();
    EXPECT_EQ(recorder.lines, (Lines{"1"}));
    EXPECT_EQ(cleanups, 1);

    int disposedCalls = 0;
    auto failed = source.subscribe([&](int v) { recorder.lines.push_back(std::to_string(v)); },
                                   [&](std::exception_ptr) { recorder.lines.push_back("error"); },
                                   [&] { recorder.lines.push_back("completed"); }, [&] { ++disposedCalls; });
    kept->onError(testError());
    kept->onNext(3);
    kept->onCompleted();
    EXPECT_EQ(recorder.lines, (Lines{"1", "error"}));
    EXPECT_EQ(disposedCalls, 1);
    EXPECT_EQ(cleanups, 2);
    EXPECT_TRUE(failed.isDisposed());

    // Events sent during the subscription itself: the completion ends it before the resource is
    // handed over, which is then disposed at once.
    auto eager = rx::Observable<int>::create([&](rx::Observer<int> observer) {
        observer.onNext(5);
        observer.onCompleted();
        observer.onNext(6);
        return rx::Disposable::create([&] { ++cleanups; });
    });
    EXPECT_TRUE(recorder.subscribe(eager).isDisposed());
    EXPECT_EQ(recorder.lines, (Lines{"1", "error", "5", "completed"}));
    EXPECT_EQ(cleanups, 3);
}

}  // namespace
