#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui-toolkit/core/HotSingleObservable.h"

using namespace brindle_core;

namespace {

TEST(HotSingleObservableTest, LimitPushesOutTheOldestObserver) {
    auto single = Brindle::make<HotSingleObservable<int>>(1);
    std::vector<std::string> seen;
    single->subscribe([&](int v) { seen.push_back("a" + std::to_string(v)); });
    single->subscribe([&](int v) { seen.push_back("b" + std::to_string(v)); });
    single->onNext(1);
    EXPECT_EQ(seen, std::vector<std::string>{"b1"});

    auto unlimited = Brindle::make<HotSingleObservable<int>>(0);
    seen.clear();
    unlimited->subscribe([&](int v) { seen.push_back("a" + std::to_string(v)); });
    unlimited->subscribe([&](int v) { seen.push_back("b" + std::to_string(v)); });
    unlimited->onNext(2);
    EXPECT_EQ(seen, (std::vector<std::string>{"a2", "b2"}));
}

TEST(HotSingleObservableTest, BuffersUntilTheNextPublicationAfterASubscription) {
    auto stream = Brindle::make<HotSingleObservable<int>>(1);
    stream->onNext(1);
    stream->onNext(2);
    stream->onNext(3);
    stream->flush();
    EXPECT_EQ(stream->values, (std::vector<int>{1, 2, 3}));

    std::vector<int> seen;
    stream->subscribe([&](int v) { seen.push_back(v); });
    EXPECT_TRUE(seen.empty());
    stream->onNext(4);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(stream->values.empty());

    stream->dispose();
    EXPECT_TRUE(stream->observers.empty());
    stream->onNext(5);
    EXPECT_EQ(stream->values, std::vector<int>{5});
}

TEST(HotSingleObservableTest, ValuePublishedDuringDeliveryGoesOutOnceAfterTheOthers) {
    auto stream = Brindle::make<HotSingleObservable<int>>(1);
    stream->onNext(1);
    stream->onNext(2);
    std::vector<int> seen;
    stream->subscribe([&](int v) {
        seen.push_back(v);
        if (v == 1) stream->onNext(10);
    });
    stream->onNext(3);
    EXPECT_EQ(seen, (std::vector<int>{1, 10, 2, 3}));
    EXPECT_TRUE(stream->values.empty());
}

TEST(HotSingleObservableTest, ObserverReplacedDuringDeliveryStillGetsTheCurrentValue) {
    auto stream = Brindle::make<HotSingleObservable<int>>(1);
    std::vector<std::string> seen;
    stream->subscribe([&](int v) {
        seen.push_back("old" + std::to_string(v));
        stream->subscribe([&](int w) { seen.push_back("new" + std::to_string(w)); });
    });
    stream->onNext(1);
    stream->onNext(2);
    EXPECT_EQ(seen, (std::vector<std::string>{"old1", "new2"}));
}

}  // namespace
