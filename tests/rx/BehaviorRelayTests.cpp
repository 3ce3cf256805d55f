#include "tests/rx/Recorder.h"

using namespace rx_tests;

TEST(BehaviorRelay, ReplaysOnSubscriptionAndNeverDeduplicates) {
    rx::BehaviorRelay<int> relay(5);
    Recorder<int> recorder;
    recorder.subscribe(relay, "a");
    relay.accept(5);
    relay.accept(5);
    recorder.subscribe(relay.asObservable(), "b");
    relay.accept(6);
    EXPECT_EQ(relay.value(), 6);
    EXPECT_EQ(recorder.lines, (Lines{"a5", "a5", "a5", "b5", "a6", "b6"}));
}

TEST(BehaviorRelay, ObserverSeesTheNewValueAsStoredAndMayAcceptDuringReplay) {
    rx::BehaviorRelay<std::shared_ptr<int>> relay{nullptr};
    std::vector<int> seen;
    auto subscription = relay.subscribe([&](const std::shared_ptr<int>& value) {
        EXPECT_EQ(relay.value(), value);
        if (value)
            seen.push_back(*value);
        else
            relay.accept(std::make_shared<int>(1));
    });
    EXPECT_EQ(seen, std::vector<int>{1});
    EXPECT_EQ(*relay.value(), 1);
}
