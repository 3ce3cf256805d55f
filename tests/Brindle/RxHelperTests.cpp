#include <gtest/gtest.h>

#include "Brindle/RxHelpers.h"
#include "platform/testing/VirtualMainLoop.h"

namespace {

using Received = std::vector<std::pair<double, int>>;

class RxHelpers : public ::testing::Test {
protected:
    ~RxHelpers() override { subscription.dispose(); }

    // Each element with the virtual time it arrived at.
    void record(const rx::Observable<int>& observable) {
        subscription =
            observable.subscribe([this](const int& value) { received.emplace_back(loop.elapsed(), value); });
    }

    platform::testing::VirtualMainLoop loop;
    rx::PublishSubject<int> source;
    rx::Disposable subscription;
    Received received;
};

}  // namespace

TEST_F(RxHelpers, FilterNilKeepsPresentValuesAndMapToVoidCompletesWithTheSource) {
    rx::PublishSubject<std::optional<int>> optionals;
    record(Brindle::filterNil(optionals.asObservable()));
    int voids = 0;
    bool completed = false;
    auto mapped = Brindle::mapToVoid(optionals.asObservable())
                      .subscribe([&](const rx::Unit&) { ++voids; }, nullptr, [&] { completed = true; });
    for (auto value : {std::optional<int>(), std::optional(1), std::optional<int>(), std::optional(2)})
        optionals.onNext(value);
    optionals.onCompleted();
    EXPECT_EQ(received, (Received{{0, 1}, {0, 2}}));
    EXPECT_EQ(voids, 4);
    EXPECT_TRUE(completed);
}

TEST_F(RxHelpers, DelayToNextMainTickDeliversAfterTheSenderReturns) {
    record(Brindle::delayToNextMainTick(source.asObservable()));
    source.onNext(1);
    EXPECT_TRUE(received.empty());
    loop.advance(0.001);
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(RxHelpers, DebounceOnMainWaitsForQuiet) {
    record(Brindle::debounceOnMain(source.asObservable(), 0.2));
    source.onNext(1);
    loop.advance(0.1);
    source.onNext(2);
    loop.advance(0.15);
    EXPECT_TRUE(received.empty());
    loop.advance(0.1);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_NEAR(received[0].first, 0.3, 1e-9);
    EXPECT_EQ(received[0].second, 2);
}

TEST_F(RxHelpers, ThrottleAndDebounceDeliversASingleElementTwice) {
    record(Brindle::throttleAndDebounce(source.asObservable(), 0.1, rx::MainScheduler::instance()));
    source.onNext(7);
    loop.advance(1);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], (std::pair<double, int>{0.0, 7}));
    EXPECT_NEAR(received[1].first, 0.1, 1e-9);
    EXPECT_EQ(received[1].second, 7);
}

TEST_F(RxHelpers, SubscribeNextRunsInsideAnAnimationOnlyWhenAskedAndNeverAfterDispose) {
    std::vector<bool> animatedSeen;
    std::vector<bool> plainSeen;
    auto animated = Brindle::subscribeNext(source.asObservable(), true, [&](const int&) {
        animatedSeen.push_back(platform::isInAnimationTransaction());
    });
    auto plain = Brindle::subscribeNext(source.asObservable(), false, [&](const int&) {
        plainSeen.push_back(platform::isInAnimationTransaction());
    });
    source.onNext(1);
    animated.dispose();
    plain.dispose();
    source.onNext(2);
    EXPECT_EQ(animatedSeen, std::vector<bool>{true});
    EXPECT_EQ(plainSeen, std::vector<bool>{false});
}
