#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"

using platform::NotificationCenter;

TEST(NotificationCenter, DeliversByNameInOrderUntilRemoved) {
    NotificationCenter center;
    std::vector<std::string> seen;
    auto first =
        center.addObserver("a", [&](const platform::Notification& n) { seen.push_back("1" + n.name); });
    auto other =
        center.addObserver("b", [&](const platform::Notification& n) { seen.push_back("2" + n.name); });
    auto third =
        center.addObserver("a", [&](const platform::Notification& n) { seen.push_back("3" + n.name); });
    center.post("a");
    center.removeObserver(first);
    center.post("a");
    EXPECT_EQ(seen, (std::vector<std::string>{"1a", "3a", "3a"}));
    EXPECT_EQ(center.observerCount("a"), 1u);
}

TEST(NotificationCenter, RemovalDuringDeliverySkipsTheRemovedObserver) {
    NotificationCenter center;
    int later = 0;
    std::shared_ptr<NotificationCenter::Token> second;
    auto first =
        center.addObserver("x", [&](const platform::Notification&) { center.removeObserver(second); });
    second = center.addObserver("x", [&](const platform::Notification&) { ++later; });
    center.post("x");
    EXPECT_EQ(later, 0);
}
