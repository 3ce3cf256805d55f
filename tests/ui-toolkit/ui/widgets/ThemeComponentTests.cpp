#include <thread>
#include <vector>

#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/ui/widgets/ThemeComponent.h"

using namespace brindle_ui;

namespace {

using ThemeComponentTest = WidgetTest;

TEST_F(ThemeComponentTest, RendersAgainOnlyWhenTheThemeChanges) {
    std::vector<Theme> rendered;
    auto* component = show(new ThemeComponent([&](Theme theme) { rendered.push_back(theme); }));
    Theme::setCurrent(Theme::light);
    Theme::setBackgroundVariant(1);
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(rendered, (std::vector<Theme>{Theme::dark, Theme::light}));
    EXPECT_EQ(component->theme(), Theme::light);
}

TEST_F(ThemeComponentTest, ThemeSetOnAnotherThreadIsAppliedOnTheMainThread) {
    std::vector<Theme> rendered;
    show(new ThemeComponent([&](Theme theme) { rendered.push_back(theme); }));
    std::thread([] { Theme::setCurrent(Theme::light); }).join();
    EXPECT_EQ(rendered.size(), 1u);
    loop.runUntilIdle();
    EXPECT_EQ(rendered, (std::vector<Theme>{Theme::dark, Theme::light}));
}

}  // namespace
