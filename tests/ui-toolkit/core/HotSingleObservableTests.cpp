#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui-toolkit/core/HotSingleObservable.h"

using namespace brindle_core;
using Strings = std::vector<std::string>;

TEST(HotSingleObservableTest, BuffersUntilTheNextPublicationAfterASubscriptionAndKeepsTheNewestObservers) {
    auto stream = Brindle::make<HotSingleObservable<int>>(1),
         unlimited = Brindle::make<HotSingleObservable<int>>(0);
    Strings seen;
    const auto note = [&](std::string name) {
        return [&, name](int v) { seen.push_back(name + std::to_string(v)); };
    };
    for (int v : {1, 2}) stream->onNext(v);
    stream->flush();
    EXPECT_EQ(stream->values, (std::vector<int>{1, 2}));
    stream->subscribe(note("a"));
    stream->subscribe([&](int v) {
        note("b")(v);
        if (v == 1) stream->onNext(10);  // goes out once, after the others
        if (v == 3) stream->subscribe(note("c"));
    });
    EXPECT_TRUE(seen.empty());
    stream->onNext(3);
    stream->onNext(4);
    EXPECT_TRUE(stream->values.empty());
    for (const auto& name : {"a", "b"}) unlimited->subscribe(note(std::string("u") + name));
    unlimited->onNext(5);
    EXPECT_EQ(seen, (Strings{"b1", "b10", "b2", "b3", "c4", "ua5", "ub5"}));

    stream->dispose();
    EXPECT_TRUE(stream->observers.empty());
    stream->onNext(6);
    EXPECT_EQ(stream->values, std::vector<int>{6});
}
