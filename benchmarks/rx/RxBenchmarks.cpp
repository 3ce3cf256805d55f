#include <benchmark/benchmark.h>

#include <functional>
#include <vector>

#include "rx/Rx.h"

namespace {

// Every case that compares with a subject's event sends through this one call: left to itself the
// compiler inlines the subject's delivery into some cases and not into others, which alone moves a
// case by a nanosecond or more.
[[gnu::noinline]] void send(const rx::PublishSubject<int>& subject, int value) { subject.onNext(value); }

// The baseline: one call through std::function per event.
void plainFunctionCall(benchmark::State& state) {
    long sum = 0;
    std::function<void(const int&)> handler = [&sum](const int& value) { sum += value; };
    int value = 0;
    for (auto _ : state) {
        handler(++value);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(plainFunctionCall);

void publishSubjectOneSubscriber(benchmark::State& state) {
    long sum = 0;
    rx::PublishSubject<int> subject;
    auto subscription = subject.subscribe([&sum](int value) { sum += value; });
    int value = 0;
    for (auto _ : state) {
        send(subject, ++value);
        benchmark::DoNotOptimize(sum);
    }
    subscription.dispose();
}
BENCHMARK(publishSubjectOneSubscriber);

// The baseline for the cases below that send from several subjects in turn: four subjects, one
// subscriber each, one event per iteration from each in turn.
void publishSubjectsInTurn(benchmark::State& state) {
    long sum = 0;
    std::vector<rx::PublishSubject<int>> subjects(4);
    rx::DisposeBag bag;
    for (const auto& subject : subjects) subject.subscribe([&sum](int value) { sum += value; }).disposed(bag);
    int value = 0;
    for (auto _ : state) {
        ++value;
        send(subjects[static_cast<std::size_t>(value & 3)], value);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(publishSubjectsInTurn);

// Every element passes every stage, so each event runs the whole chain.
void subjectMapFilterDistinctSubscribe(benchmark::State& state) {
    long sum = 0;
    rx::PublishSubject<int> subject;
    auto subscription = subject.map([](int value) { return value * 2; })
                            .filter([](int value) { return value >= 0; })
                            .distinctUntilChanged()
                            .subscribe([&sum](int value) { sum += value; });
    int value = 0;
    for (auto _ : state) {
        subject.onNext(++value);
        benchmark::DoNotOptimize(sum);
    }
    subscription.dispose();
}
BENCHMARK(subjectMapFilterDistinctSubscribe);

// With argument 0, one event per iteration from each source in turn: compare per event with
// publishSubjectsInTurn. With 1, every event from the first source alone: compare with
// publishSubjectOneSubscriber.
bool fromOne(const benchmark::State& state) { return state.range(0) != 0; }

void mergeFourSubjects(benchmark::State& state) {
    long sum = 0;
    std::vector<rx::PublishSubject<int>> subjects(4);
    auto subscription = rx::merge(std::vector<rx::Observable<int>>(subjects.begin(), subjects.end()))
                            .subscribe([&sum](int value) { sum += value; });
    const int mask = fromOne(state) ? 0 : 3;
    int value = 0;
    for (auto _ : state) {
        ++value;
        send(subjects[static_cast<std::size_t>(value & mask)], value);
        benchmark::DoNotOptimize(sum);
    }
    subscription.dispose();
}
BENCHMARK(mergeFourSubjects)->ArgName("fromOne")->Arg(0)->Arg(1);

// Both sources have a value, so every event is combined and delivered.
void combineLatestTwo(benchmark::State& state) {
    long sum = 0;
    rx::PublishSubject<int> first;
    rx::PublishSubject<int> second;
    auto subscription = rx::combineLatest(first, second, [](int a, int b) {
                            return a + b;
                        }).subscribe([&sum](int value) { sum += value; });
    first.onNext(0);
    second.onNext(0);
    const int mask = fromOne(state) ? 0 : 1;
    int value = 0;
    for (auto _ : state) {
        ++value;
        send((value & mask) ? second : first, value);
        benchmark::DoNotOptimize(sum);
    }
    subscription.dispose();
}
BENCHMARK(combineLatestTwo)->ArgName("fromOne")->Arg(0)->Arg(1);

void behaviorRelayTenSubscribers(benchmark::State& state) {
    long sum = 0;
    rx::BehaviorRelay<int> relay(0);
    rx::DisposeBag bag;
    for (int i = 0; i < 10; ++i) relay.subscribe([&sum](int value) { sum += value; }).disposed(bag);
    int value = 0;
    for (auto _ : state) {
        relay.accept(++value);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(behaviorRelayTenSubscribers);

// The operators that guard their state with a lock: each event passes merge, combineLatest and a
// throttle whose interval has always ended.
void mergeCombineLatestThrottle(benchmark::State& state) {
    long sum = 0;
    rx::PublishSubject<int> a;
    rx::PublishSubject<int> b;
    auto scheduler = rx::MainScheduler::instance();
    auto subscription = rx::combineLatest(rx::merge<int>(a, b), b, [](int x, int y) { return x + y; })
                            .throttle(0, true, scheduler)
                            .subscribe([&sum](int value) { sum += value; });
    b.onNext(1);
    int value = 0;
    for (auto _ : state) {
        a.onNext(++value);
        benchmark::DoNotOptimize(sum);
    }
    subscription.dispose();
}
BENCHMARK(mergeCombineLatestThrottle);

}  // namespace
