#include <gtest/gtest.h>

#include "platform/base/Animation.h"

TEST(WithAnimation, OpensATransactionOnlyForItsBlock) {
    bool inside = false;
    platform::withAnimation([&] {
        platform::withAnimation([] {});  // a nested block does not close the outer transaction
        inside = platform::isInAnimationTransaction();
    });
    EXPECT_TRUE(inside);
    EXPECT_FALSE(platform::isInAnimationTransaction());
}
