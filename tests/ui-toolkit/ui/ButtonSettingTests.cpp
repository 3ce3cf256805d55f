#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ui-toolkit/ui/ButtonSetting.h"

using namespace brindle_ui;

TEST(ButtonSettingTest, SettersChainOnTheSameObjectAndLeaveTheRestAlone) {
    auto setting = Brindle::make<ButtonSetting>();
    auto chained =
        setting->big(true)->style(HelloButtonStyle::roundBordered)->roundCorners(false, true, false, true);
    EXPECT_EQ(chained, setting);
    EXPECT_EQ(setting->style(), HelloButtonStyle::roundBordered);
    EXPECT_EQ(setting->sideMargin(), 16.0);
    EXPECT_FALSE(setting->title());
    EXPECT_FALSE(setting->roundTopLeft());
    EXPECT_TRUE(setting->roundTopRight());
    setting->title("Go")->fontSize(13)->attributedString(Brindle::MutableAttributedString("Go"));
    EXPECT_EQ(setting->title(), std::optional<std::string>("Go"));
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
