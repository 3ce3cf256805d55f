#include <thread>
#include <vector>

#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/ui/widgets/ThemeComponent.h"

using namespace brindle_ui;

using ThemeComponentTest = WidgetTest;

TEST_F(ThemeComponentTest, RendersAgainOnlyWhenTheThemeChangesAndOnTheMainThread) {
    std::vector<Theme> rendered;
    auto* component = show(new ThemeComponent([&](Theme theme) { rendered.push_back(theme); }));
    Theme::setCurrent(Theme::light);
    Theme::setBackgroundVariant(1);
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(rendered, (std::vector<Theme>{Theme::dark, Theme::light}));
    EXPECT_EQ(component->theme(), Theme::light);

    std::thread([] { Theme::setCurrent(Theme::dark); }).join();
    EXPECT_EQ(rendered.size(), 2u);
    loop.runUntilIdle();
    EXPECT_EQ(rendered, (std::vector<Theme>{Theme::dark, Theme::light, Theme::dark}));
}
