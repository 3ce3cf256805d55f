#include <gtest/gtest.h>

#include "Velmora/settings/TaskbarTheme.h"

using Velmora::TaskbarTheme;

TEST(TaskbarTheme, OnlyTheThreeRawValuesAreLayouts) {
    EXPECT_EQ(TaskbarTheme::fromRawValue(1), TaskbarTheme::fullscreenCenter);
    EXPECT_FALSE(TaskbarTheme::fromRawValue(3));
    EXPECT_FALSE(TaskbarTheme::fromRawValue(-1));
}
