#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "ui-toolkit/ui/ButtonSetting.h"
#include "ui-toolkit/ui/Color.h"

using namespace brindle_ui;

namespace {

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

TEST(ButtonSettingTest, StartsWithTheStandardValues) {
    auto setting = Brindle::make<ButtonSetting>();
    EXPECT_EQ(setting->sideMargin(), 16.0);
    EXPECT_EQ(setting->style(), HelloButtonStyle::rectangle);
    EXPECT_FALSE(setting->big());
    EXPECT_FALSE(setting->title());
    EXPECT_FALSE(setting->attributedString());
    EXPECT_FALSE(setting->fontSize());
    EXPECT_TRUE(setting->roundTopLeft() && setting->roundTopRight() && setting->roundBottomLeft() &&
                setting->roundBottomRight());
}

TEST(ButtonSettingTest, SettersChainOnTheSameObject) {
    auto setting = Brindle::make<ButtonSetting>();
    auto chained =
        setting->big(true)->style(HelloButtonStyle::roundBordered)->roundCorners(false, true, false, true);
    EXPECT_EQ(chained, setting);
    EXPECT_TRUE(setting->big());
    EXPECT_EQ(setting->style(), HelloButtonStyle::roundBordered);
    EXPECT_EQ(setting->sideMargin(), 16.0);
    EXPECT_FALSE(setting->roundTopLeft());
    EXPECT_TRUE(setting->roundTopRight());
    EXPECT_FALSE(setting->roundBottomLeft());
    EXPECT_TRUE(setting->roundBottomRight());
    setting->title("Go")->fontSize(13)->attributedString(Brindle::MutableAttributedString("Go"));
    EXPECT_EQ(setting->title(), std::optional<std::string>("Go"));
    EXPECT_EQ(setting->fontSize(), std::optional<double>(13));
    EXPECT_EQ(setting->attributedString()->string(), "Go");
}

TEST(ValueIfTest, KeepsTheValueWhenTheConditionHolds) {
    EXPECT_EQ(valueIf(5, true), std::optional<int>(5));
    EXPECT_EQ(valueIf(5, false), std::nullopt);
    int calls = 0;
    auto even = [&](const int& v) {
        ++calls;
        return v % 2 == 0;
    };
    EXPECT_EQ(valueIf(4, even), std::optional<int>(4));
    EXPECT_EQ(valueIf(3, even), std::nullopt);
    EXPECT_EQ(calls, 2);
}

}  // namespace
