#include <QLabel>

#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/ui/widgets/CardComponent.h"

using namespace brindle_ui;

using CardComponentTest = WidgetTest;

TEST_F(CardComponentTest, BackgroundFollowsTheThemeAndNestingAndOnlyContentAtTheEdgeIsClipped) {
    auto* inner = new CardComponent(true, new QLabel("narrow"), 5);
    auto* outer = show(new CardComponent(false, inner, 12), QSize(400, 200));
    EXPECT_NE(inner->cardColor(), outer->cardColor());
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(outer->cardColor(), Color::hex("#eeeeee"));
    EXPECT_NE(inner->cardColor(), outer->cardColor());
    EXPECT_EQ(outer->width(), 400);
    EXPECT_NEAR(inner->geometry().center().x(), outer->rect().center().x(), 1);
    EXPECT_TRUE(outer->mask().isEmpty());

    auto* flush = show(new CardComponent(false, new QLabel("flush"), 0), QSize(200, 100));
    EXPECT_FALSE(flush->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(flush->mask().contains(QPoint(10, 10)));
}
