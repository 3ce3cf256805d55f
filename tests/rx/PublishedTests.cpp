#include "tests/rx/Recorder.h"

using namespace rx_tests;

TEST(Published, ObserversAreToldTheNewValueBeforeItIsStored) {
    rx::Published<int> published(1);
    std::vector<std::pair<int, int>> seen;  // (told, stored at that time)
    auto subscription = published.observe([&](int value) { seen.emplace_back(value, published.value()); });
    published.set(2);
    published.set(2);
    subscription.dispose();
    published.set(3);
    EXPECT_EQ(published.value(), 3);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {2, 2}}));

    Recorder<std::size_t> sizes;  // the observable view follows it too
    rx::Published<std::string> text;
    sizes.subscribe(text.asObservable().map([](const std::string& t) { return t.size(); }));
    text.set("abc");
    EXPECT_EQ(sizes.lines, (Lines{"0", "3"}));
}

TEST(Published, ObserverAddedDuringANotificationStartsFromTheNewValue) {
    rx::Published<int> published(1);
    Recorder<int> late;
    auto subscription = published.observe([&](int value) {
        if (value == 2) late.subscribe(published.asObservable());
    });
    published.set(2);
    published.set(3);
    EXPECT_EQ(late.lines, (Lines{"2", "3"}));
}

TEST(Published, ObserverMayDestroyThePublishedValueDuringANotification) {
    auto published = std::make_unique<rx::Published<int>>(1);
    std::vector<int> seen;
    auto first = published->observe([&](int value) {
        seen.push_back(value);
        if (value == 2) published.reset();
    });
    auto second = published->observe([&](int value) { seen.push_back(value * 10); });
    published->set(2);
    EXPECT_EQ(seen, (std::vector<int>{1, 10, 2, 20}));
}
