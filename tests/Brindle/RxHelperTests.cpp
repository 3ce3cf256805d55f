#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Brindle/RxHelpers.h"
#include "platform/testing/VirtualMainLoop.h"

using platform::testing::VirtualMainLoop;

TEST(RxHelpers, FilterNilKeepsPresentValuesAndMapToVoidCompletesWithTheSource) {
    rx::PublishSubject<std::optional<int>> source;
    std::vector<int> values;
    int voids = 0;
    bool completed = false;
    auto kept = Brindle::filterNil(source.asObservable()).subscribe([&](const int& value) {
        values.push_back(value);
    });
    auto mapped = Brindle::mapToVoid(source.asObservable())
                      .subscribe([&](const rx::Unit&) { ++voids; }, nullptr, [&] { completed = true; });
    source.onNext(std::nullopt);
    source.onNext(1);
    source.onNext(std::nullopt);
    source.onNext(2);
    source.onCompleted();
    EXPECT_EQ(values, (std::vector<int>{1, 2}));
    EXPECT_EQ(voids, 4);
    EXPECT_TRUE(completed);
}

TEST(RxHelpers, DelayToNextMainTickDeliversAfterTheSenderReturns) {
    VirtualMainLoop loop;
    rx::PublishSubject<int> source;
    std::vector<std::string> order;
    auto subscription = Brindle::delayToNextMainTick(source.asObservable()).subscribe([&](const int&) {
        order.push_back("delivered");
    });
    source.onNext(1);
    order.push_back("sender returned");
    loop.advance(0.001);
    EXPECT_EQ(order, (std::vector<std::string>{"sender returned", "delivered"}));
    subscription.dispose();
}

TEST(RxHelpers, ThrottleAndDebounceDeliversASingleElementTwice) {
    VirtualMainLoop loop;
    rx::PublishSubject<int> source;
    std::vector<std::pair<double, int>> received;
    auto subscription =
        Brindle::throttleAndDebounce(source.asObservable(), 0.1, rx::MainScheduler::instance())
            .subscribe([&](const int& value) { received.emplace_back(loop.elapsed(), value); });
    source.onNext(7);
    loop.advance(1);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], (std::pair<double, int>{0.0, 7}));
    EXPECT_NEAR(received[1].first, 0.1, 1e-9);
    EXPECT_EQ(received[1].second, 7);
    subscription.dispose();
}

TEST(RxHelpers, SubscribeNextRunsInsideAnAnimationOnlyWhenAskedAndNeverAfterDispose) {
    rx::PublishSubject<int> source;
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
    EXPECT_EQ(animatedSeen, (std::vector<bool>{true}));
    EXPECT_EQ(plainSeen, (std::vector<bool>{false}));
}

TEST(RxHelpers, DebounceOnMainWaitsForQuiet) {
    VirtualMainLoop loop;
    rx::PublishSubject<int> source;
    std::vector<int> received;
    auto subscription = Brindle::debounceOnMain(source.asObservable(), 0.2).subscribe([&](const int& v) {
        received.push_back(v);
    });
    source.onNext(1);
    loop.advance(0.1);
    source.onNext(2);
    loop.advance(0.15);
    EXPECT_TRUE(received.empty());
    loop.advance(0.1);
    EXPECT_EQ(received, (std::vector<int>{2}));
    subscription.dispose();
}
