#include <benchmark/benchmark.h>

#include <functional>
#include <vector>

#include "rx/Rx.h"

namespace {

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
        subject.onNext(++value);
        benchmark::DoNotOptimize(sum);
    }
    subscription.dispose();
}
BENCHMARK(publishSubjectOneSubscriber);

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

// One event per iteration, from each of the four subjects in turn: compare per event with
// publishSubjectOneSubscriber.
void mergeFourSubjects(benchmark::State& state) {
    long sum = 0;
    std::vector<rx::PublishSubject<int>> subjects(4);
    auto subscription = rx::merge(std::vector<rx::Observable<int>>(subjects.begin(), subjects.end()))
                            .subscribe([&sum](int value) { sum += value; });
    int value = 0;
    for (auto _ : state) {
        ++value;
        subjects[static_cast<std::size_t>(value & 3)].onNext(value);
        benchmark::DoNotOptimize(sum);
    }
    subscription.dispose();
}
BENCHMARK(mergeFourSubjects);

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
    int value = 0;
    for (auto _ : state) {
        ++value;
        if (value & 1)
            first.onNext(value);
        else
            second.onNext(value);
        benchmark::DoNotOptimize(sum);
    }
    subscription.dispose();
}
BENCHMARK(combineLatestTwo);

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

}  // namespace
