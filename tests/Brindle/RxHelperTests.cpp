#include <gtest/gtest.h>

#include <cmath>

#include "Brindle/RxHelpers.h"
#include "platform/testing/VirtualMainLoop.h"

namespace {

class RxHelpers : public ::testing::Test {
protected:
    ~RxHelpers() override {
        for (auto& subscription : subscriptions) subscription.dispose();
    }

    // Each element as "<value>@<virtual milliseconds>".
    void record(const rx::Observable<int>& observable) {
        subscriptions.push_back(observable.subscribe([this](const int& value) {
            received +=
                std::to_string(value) + "@" + std::to_string(std::lround(loop.elapsed() * 1000)) + " ";
        }));
    }

    platform::testing::VirtualMainLoop loop;
    std::vector<rx::Disposable> subscriptions;
    std::string received;
};

}  // namespace

TEST_F(RxHelpers, FilterNilKeepsPresentValuesAndMapToVoidCompletesWithTheSource) {
    rx::PublishSubject<std::optional<int>> source;
    record(Brindle::filterNil(source.asObservable()));
    int voids = 0;
    bool completed = false;
    auto mapped = Brindle::mapToVoid(source.asObservable())
                      .subscribe([&](const rx::Unit&) { ++voids; }, nullptr, [&] { completed = true; });
    for (auto value : {std::optional<int>(), std::optional(1), std::optional<int>(), std::optional(2)})
        source.onNext(value);
    source.onCompleted();
    EXPECT_EQ(received, "1@0 2@0 ");
    EXPECT_EQ(voids, 4);
    EXPECT_TRUE(completed);
}

TEST_F(RxHelpers, DelayDebounceAndThrottleDeliverOnTheMainQueue) {
    rx::PublishSubject<int> delayed, debounced, throttled;
    record(Brindle::delayToNextMainTick(delayed.asObservable()));
    record(Brindle::debounceOnMain(debounced.asObservable(), 0.2));
    record(Brindle::throttleAndDebounce(throttled.asObservable(), 0.1, rx::MainScheduler::instance()));
    delayed.onNext(1);
    debounced.onNext(2);
    throttled.onNext(3);
    // The delayed element waits for its sender to return; a single throttled one comes at once.
    EXPECT_EQ(received, "3@0 ");
    loop.advance(0.1);
    debounced.onNext(4);
    loop.advance(0.15);
    // ... and once more when the source has been quiet; debouncing waits for quiet.
    EXPECT_EQ(received, "3@0 1@0 3@100 ");
    loop.advance(0.1);
    EXPECT_EQ(received, "3@0 1@0 3@100 4@300 ");
}

TEST_F(RxHelpers, SubscribeNextRunsInsideAnAnimationOnlyWhenAskedAndNeverAfterDispose) {
    rx::PublishSubject<int> source;
    std::string seen;
    for (bool animated : {true, false})
        subscriptions.push_back(
            Brindle::subscribeNext(source.asObservable(), animated, [&, animated](const int&) {
                seen += animated == platform::isInAnimationTransaction() ? "as asked " : "not as asked ";
            }));
    source.onNext(1);
    for (auto& subscription : subscriptions) subscription.dispose();
    source.onNext(2);
    EXPECT_EQ(seen, "as asked as asked ");
}
