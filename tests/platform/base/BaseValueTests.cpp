#include <gtest/gtest.h>

#include <set>

#include "platform/base/Animation.h"
#include "platform/base/Date.h"
#include "platform/base/Process.h"
#include "platform/base/UUID.h"

TEST(Date, ReferenceDateIsTheStartOf2001) {
    auto date = platform::Date::fromTimeIntervalSince1970(978307200.0);
    EXPECT_DOUBLE_EQ(date.timeIntervalSinceReferenceDate(), 0);
    auto later = date.addingTimeInterval(90);
    EXPECT_DOUBLE_EQ(later.timeIntervalSince(date), 90);
    EXPECT_LT(date, later);
}

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
    EXPECT_FALSE(platform::UUID::fromString("not-a-uuid"));
    EXPECT_FALSE(platform::UUID::fromString("0000000000000000000000000000000000-0"));
    EXPECT_TRUE(platform::UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"));
}

TEST(ExitProcess, IsInterceptedInTests) {
    int status = -1;
    platform::setExitInterceptor([&](int code) { status = code; });
    platform::exitProcess(3);
    platform::setExitInterceptor(nullptr);
    EXPECT_EQ(status, 3);
}

TEST(WithAnimation, OpensATransactionOnlyForItsBlock) {
    EXPECT_FALSE(platform::isInAnimationTransaction());
    bool inside = false;
    platform::withAnimation([&] {
        platform::withAnimation([] {});
        inside = platform::isInAnimationTransaction();
    });
    EXPECT_TRUE(inside);
    EXPECT_FALSE(platform::isInAnimationTransaction());
}
