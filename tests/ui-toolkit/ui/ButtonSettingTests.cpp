#include <gtest/gtest.h>

#include "ui-toolkit/ui/ButtonSetting.h"

using namespace brindle_ui;

TEST(ButtonSettingTest, SettersChainOnTheSameObject) {
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
}
