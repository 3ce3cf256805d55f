#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui-toolkit/core/HotSingleObservable.h"

using namespace brindle_core;
using Strings = std::vector<std::string>;

namespace {

class HotSingleObservableTest : public ::testing::Test {
protected:
    std::function<void(int)> note(std::string name) {
        return [this, name](int v) { seen.push_back(name + std::to_string(v)); };
    }
    std::shared_ptr<HotSingleObservable<int>> stream = Brindle::make<HotSingleObservable<int>>(1);
    Strings seen;
};

TEST_F(HotSingleObservableTest, LimitPushesOutTheOldestObserver) {
    auto unlimited = Brindle::make<HotSingleObservable<int>>(0);
    for (auto* s : {stream.get(), unlimited.get()}) {
        s->subscribe(note("a"));
        s->subscribe(note("b"));
    }
    stream->onNext(1);
    unlimited->onNext(2);
    EXPECT_EQ(seen, (Strings{"b1", "a2", "b2"}));
}

TEST_F(HotSingleObservableTest, BuffersUntilTheNextPublicationAfterASubscription) {
    for (int v : {1, 2, 3}) stream->onNext(v);
    stream->flush();
    EXPECT_EQ(stream->values, (std::vector<int>{1, 2, 3}));
    stream->subscribe(note(""));
    EXPECT_TRUE(seen.empty());
    stream->onNext(4);
    EXPECT_EQ(seen, (Strings{"1", "2", "3", "4"}));
    EXPECT_TRUE(stream->values.empty());
    stream->dispose();
    EXPECT_TRUE(stream->observers.empty());
    stream->onNext(5);
    EXPECT_EQ(stream->values, std::vector<int>{5});
}

TEST_F(HotSingleObservableTest, ObserversMayPublishOrSubscribeDuringDelivery) {
    stream->onNext(1);
    stream->onNext(2);
    stream->subscribe([&](int v) {
        note("old")(v);
        if (v == 1) stream->onNext(10);  // goes out once, after the others
        if (v == 3) stream->subscribe(note("new"));
    });
    stream->onNext(3);
    stream->onNext(4);
    EXPECT_EQ(seen, (Strings{"old1", "old10", "old2", "old3", "new4"}));
    EXPECT_TRUE(stream->values.empty());
}

}  // namespace
