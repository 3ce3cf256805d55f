#include <gtest/gtest.h>

#include <limits>

#include "ui-toolkit/ui/Color.h"

using namespace brindle_ui;

TEST(ColorTest, ReadsSixDigitsWithOrWithoutTheHash) {
    EXPECT_EQ(Color::hex("#ffffff"), Color::white());
    EXPECT_EQ(Color::hex("ffffff"), Color::white());
    EXPECT_EQ(Color::hex(""), Color::black());
    EXPECT_EQ(Color::hex("#"), Color::black());
    EXPECT_EQ(Color::hex("#F6F6F6"), Color::hex("#f6f6f6"));
    auto pink = Color::hex("#ff85da");
    EXPECT_DOUBLE_EQ(pink.red, 1.0);
    EXPECT_DOUBLE_EQ(pink.green, 0x85 / 255.0);
    EXPECT_DOUBLE_EQ(pink.blue, 0xda / 255.0);
    EXPECT_DOUBLE_EQ(pink.opacity, 1.0);
}

TEST(ColorTest, OddTextsFollowTheScanner) {
    auto shortForm = Color::hex("#fff");
    EXPECT_EQ(shortForm, (Color{0, 15 / 255.0, 1, 1}));
    EXPECT_EQ(Color::hex("##ffffff"), Color::black());  // only one "#" is dropped
    EXPECT_EQ(Color::hex("  00ff00zz"), (Color{0, 1, 0, 1}));
    EXPECT_EQ(Color::hex("#4c0093d9"), Color::hex("#0093d9"));
    // Far too many digits saturate to all ones: white.
    EXPECT_EQ(Color::hex("#123456789abcdef0123"), Color::white());
    EXPECT_EQ(scanHexLongLong("ffffffffffffffff"), std::numeric_limits<unsigned long long>::max());
    EXPECT_EQ(scanHexLongLong("g1"), 0u);
}
