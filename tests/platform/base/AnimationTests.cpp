#include <gtest/gtest.h>

#include "platform/base/Animation.h"

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
