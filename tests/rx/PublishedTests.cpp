#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "rx/Rx.h"

namespace {

TEST(Published, ObserversAreToldTheNewValueBeforeItIsStored) {
    rx::Published<int> published(1);
    std::vector<std::pair<int, int>> seen;  // (told, stored at that time)
    auto subscription = published.observe([&](int value) { seen.emplace_back(value, published.value()); });
    published.set(2);
    published.set(2);
    EXPECT_EQ(published.value(), 2);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {2, 2}}));
    subscription.dispose();
    published.set(3);
    EXPECT_EQ(seen.size(), 3u);
}

TEST(Published, ObserverAddedDuringANotificationStartsFromTheNewValue) {
    rx::Published<int> published(1);
    std::vector<int> late;
    rx::Disposable lateSubscription;
    auto subscription = published.observe([&](int value) {
        if (value == 2) lateSubscription = published.observe([&](int seen) { late.push_back(seen); });
    });
    published.set(2);
    published.set(3);
    EXPECT_EQ(late, (std::vector<int>{2, 3}));
    subscription.dispose();
    lateSubscription.dispose();
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
    first.dispose();
    second.dispose();
}

TEST(Published, ObservableViewFollowsTheValue) {
    rx::Published<std::string> published;
    std::vector<std::string> seen;
    auto subscription = published.asObservable()
                            .map([](const std::string& text) { return text.size(); })
                            .subscribe([&](std::size_t size) { seen.push_back(std::to_string(size)); });
    published.set("abc");
    EXPECT_EQ(seen, (std::vector<std::string>{"0", "3"}));
    subscription.dispose();
}

}  // namespace
