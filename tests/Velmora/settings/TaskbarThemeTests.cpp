#include <gtest/gtest.h>

#include "Velmora/settings/TaskbarTheme.h"

using Velmora::TaskbarTheme;

TEST(TaskbarTheme, OnlyTheThreeRawValuesAreLayoutsAndTheBarFitsTheTallest) {
    EXPECT_EQ(TaskbarTheme::fromRawValue(1), TaskbarTheme::fullscreenCenter);
    EXPECT_FALSE(TaskbarTheme::fromRawValue(3));
    EXPECT_FALSE(TaskbarTheme::fromRawValue(-1));
    EXPECT_EQ(TaskbarTheme::maximumHeight(), 86.0);
    EXPECT_EQ(TaskbarTheme(TaskbarTheme::centered).settings().padding.bottom, 6.0);
    EXPECT_EQ(TaskbarTheme(TaskbarTheme::fullscreenLeft).settings().padding.bottom, 0.0);
}
