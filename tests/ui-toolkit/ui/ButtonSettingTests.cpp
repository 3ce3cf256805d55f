#include <gtest/gtest.h>

#include "ui-toolkit/ui/ButtonSetting.h"

using namespace brindle_ui;

TEST(ButtonSettingTest, SettersChainOnTheSameObjectAndLeaveTheRestAlone) {
    auto setting = Brindle::make<ButtonSetting>();
    EXPECT_EQ(setting->big(true)
                  ->style(HelloButtonStyle::roundBordered)
                  ->roundCorners(false, true, false, true)
                  ->title("Go")
                  ->fontSize(13)
                  ->attributedString(Brindle::MutableAttributedString("Go")),
              setting);
    EXPECT_EQ(setting->style(), HelloButtonStyle::roundBordered);
    EXPECT_FALSE(setting->roundTopLeft());
    EXPECT_TRUE(setting->roundTopRight());
    EXPECT_EQ(setting->title(), std::optional<std::string>("Go"));
    EXPECT_EQ(setting->attributedString()->string(), "Go");
}

TEST(ValueIfTest, KeepsTheValueWhenTheConditionHolds) {
    EXPECT_EQ(valueIf(5, true), std::optional<int>(5));
    EXPECT_EQ(valueIf(5, false), std::nullopt);
    int calls = 0;
    const auto even = [&](const int& v) { return ++calls, v % 2 == 0; };
    EXPECT_EQ(valueIf(4, even), std::optional<int>(4));
    EXPECT_EQ(valueIf(3, even), std::nullopt);
    EXPECT_EQ(calls, 2);
}
