#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"

using platform::Notification;

TEST(NotificationCenter, DeliversByNameInOrderUntilRemovedEvenDuringDelivery) {
    platform::NotificationCenter center;
    std::vector<std::string> seen;
    auto observe = [&](const std::string& name, const std::string& mark) {
        return center.addObserver(name, [&, mark](const Notification& n) { seen.push_back(mark + n.name); });
    };
    auto first = observe("a", "1"), other = observe("b", "2"), third = observe("a", "3");
    center.post("a");
    center.removeObserver(first);
    center.post("a");
    EXPECT_EQ(seen, (std::vector<std::string>{"1a", "3a", "3a"}));
    EXPECT_EQ(center.observerCount("a"), 1u);
    // An observer removed by an earlier one in the same delivery is skipped.
    seen.clear();
    auto remover = center.addObserver("x", [&](const Notification&) { center.removeObserver(third); });
    third = observe("x", "3");
    center.post("x");
    EXPECT_TRUE(seen.empty());
}
