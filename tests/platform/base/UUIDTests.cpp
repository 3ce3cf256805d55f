#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/base/UUID.h"

TEST(UUID, IsVersion4AndRoundTripsThroughItsText) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        platform::UUID uuid;
        auto text = uuid.uuidString();
        ASSERT_EQ(text.size(), 36u);
        EXPECT_EQ(text[14], '4');
        EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos);
        EXPECT_EQ(platform::UUID::fromString(text), uuid);
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 100u);
    for (auto* bad : {"not-a-uuid", "0000000000000000000000000000000000-0"})
        EXPECT_FALSE(platform::UUID::fromString(bad)) << bad;
    EXPECT_TRUE(platform::UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"));
}
