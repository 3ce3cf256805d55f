#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "rx/Rx.h"

namespace {

using Lines = std::vector<std::string>;

template <class T>
rx::Disposable record(const rx::Observable<T>& observable, Lines& lines) {
    return observable.subscribe([&lines](const T& value) { lines.push_back(std::to_string(value)); },
                                [&lines](std::exception_ptr) { lines.push_back("error"); },
                                [&lines] { lines.push_back("completed"); });
}

TEST(Create, ObserverHeldByTheSourceLeadsNowhereAfterDispose) {
    std::optional<rx::Observer<int>> kept;
    int cleanups = 0;
    auto source = rx::Observable<int>::create([&](rx::Observer<int> observer) {
        kept = observer;
        return rx::Disposable::create([&] { ++cleanups; });
    });
    Lines lines;
    auto subscription = record(source, lines);
    kept->onNext(1);
    subscription.dispose();
    kept->onNext(2);
    kept->onCompleted();
    EXPECT_EQ(lines, (Lines{"1"}));
    EXPECT_EQ(cleanups, 1);
}

TEST(Create, CompletionDisposesTheSourceResourceAndStopsEvents) {
    int cleanups = 0;
    auto source = rx::Observable<int>::create([&](rx::Observer<int> observer) {
        observer.onNext(1);
        observer.onCompleted();
        observer.onNext(2);
        return rx::Disposable::create([&] { ++cleanups; });
    });
    Lines lines;
    auto subscription = record(source, lines);
    EXPECT_EQ(lines, (Lines{"1", "completed"}));
    EXPECT_EQ(cleanups, 1);
    EXPECT_TRUE(subscription.isDisposed());
}

TEST(Factories, JustEmptyNeverAndError) {
    Lines lines;
    auto a = record(rx::just(4), lines);
    auto b = record(rx::Observable<int>::empty(), lines);
    auto c = record(rx::Observable<int>::never(), lines);
    auto d = record(rx::Observable<int>(), lines);
    auto e = record(rx::Observable<int>::error(std::make_exception_ptr(std::runtime_error("x"))), lines);
    EXPECT_EQ(lines, (Lines{"4", "completed", "completed", "error"}));
    c.dispose();
}

TEST(MapAndFilter, TransformAndSelectAndPassTheEnd) {
    rx::PublishSubject<int> subject;
    Lines lines;
    auto subscription = subject.map([](int v) { return v * 10; })
                            .filter([](int v) { return v != 20; })
                            .subscribe([&](int v) { lines.push_back(std::to_string(v)); }, nullptr,
                                       [&] { lines.push_back("completed"); });
    for (int v : {1, 2, 3}) subject.onNext(v);
    subject.onCompleted();
    EXPECT_EQ(lines, (Lines{"10", "30", "completed"}));
}

TEST(MapAndFilter, EachSubscriptionRunsTheRecipeAnew) {
    int calls = 0;
    auto source = rx::just(1).map([&](int v) {
        ++calls;
        return v;
    });
    Lines lines;
    auto a = record(source, lines);
    auto b = record(source, lines);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(lines, (Lines{"1", "completed", "1", "completed"}));
}

TEST(DistinctUntilChanged, DropsConsecutiveRepeatsOnly) {
    rx::PublishSubject<int> subject;
    Lines lines;
    auto subscription = record(subject.distinctUntilChanged(), lines);
    for (int v : {1, 1, 2, 2, 1, 3, 3}) subject.onNext(v);
    EXPECT_EQ(lines, (Lines{"1", "2", "1", "3"}));
}

TEST(DistinctUntilChanged, UsesTheGivenComparerAndStateIsPerSubscription) {
    rx::PublishSubject<int> subject;
    auto sameTens = subject.distinctUntilChanged([](int a, int b) { return a / 10 == b / 10; });
    Lines first;
    Lines second;
    auto a = record(sameTens, first);
    for (int v : {10, 12, 25, 29, 11}) subject.onNext(v);
    auto b = record(sameTens, second);
    subject.onNext(13);
    EXPECT_EQ(first, (Lines{"10", "25", "11"}));
    EXPECT_EQ(second, (Lines{"13"}));
}

TEST(Skip, SkipsTheFirstElementsOfEachSubscription) {
    rx::BehaviorRelay<int> relay(0);
    Lines lines;
    auto subscription = record(relay.skip(1), lines);
    relay.accept(1);
    relay.accept(2);
    auto zero = record(relay.skip(0), lines);
    EXPECT_EQ(lines, (Lines{"1", "2", "2"}));
}

TEST(Do, RunsSideEffectsBeforePassingEvents) {
    rx::PublishSubject<int> subject;
    Lines lines;
    auto subscription = record(subject.doOnNext([&](int v) { lines.push_back("do" + std::to_string(v)); })
                                   .doOn(nullptr, nullptr, [&] { lines.push_back("doCompleted"); }),
                               lines);
    subject.onNext(1);
    subject.onCompleted();
    EXPECT_EQ(lines, (Lines{"do1", "1", "doCompleted", "completed"}));
}

TEST(Pipe, OutsideHelpersChainLikeMembers) {
    auto doubled = [](const rx::Observable<int>& source) { return source.map([](int v) { return v * 2; }); };
    rx::PublishSubject<int> subject;
    Lines lines;
    auto subscription = record(subject.pipe(doubled).pipe(doubled), lines);
    subject.onNext(1);
    EXPECT_EQ(lines, (Lines{"4"}));
}

TEST(Merge, OfNoSourcesCompletesAtOnce) {
    Lines lines;
    auto subscription = record(rx::merge(std::vector<rx::Observable<int>>{}), lines);
    EXPECT_EQ(lines, (Lines{"completed"}));
}

TEST(Subscribe, ErrorEndsTheSubscriptionAndLaterEventsAreIgnored) {
    std::optional<rx::Observer<int>> kept;
    auto source = rx::Observable<int>::create([&](rx::Observer<int> observer) {
        kept = observer;
        return rx::Disposable();
    });
    Lines lines;
    int disposedCalls = 0;
    auto subscription = source.subscribe([&](int v) { lines.push_back(std::to_string(v)); },
                                         [&](std::exception_ptr) { lines.push_back("error"); },
                                         [&] { lines.push_back("completed"); }, [&] { ++disposedCalls; });
    kept->onNext(1);
    kept->onError(std::make_exception_ptr(std::runtime_error("x")));
    kept->onNext(2);
    kept->onCompleted();
    EXPECT_EQ(lines, (Lines{"1", "error"}));
    EXPECT_EQ(disposedCalls, 1);
}

}  // namespace
