#include "tests/rx/Recorder.h"

TEST(BehaviorRelay, ObserverSeesTheNewValueAsStoredMayAcceptDuringReplayAndHearsRepeats) {
    rx::BehaviorRelay<std::shared_ptr<int>> relay{nullptr};
    std::vector<int> seen;
    auto subscription = relay.subscribe([&](const std::shared_ptr<int>& value) {
        EXPECT_EQ(relay.value(), value);
        if (value)
            seen.push_back(*value);
        else
            relay.accept(std::make_shared<int>(1));
    });
    relay.accept(relay.value());
    EXPECT_EQ(seen, (std::vector<int>{1, 1}));
}
