#include <memory>
#include <string>
#include <vector>

#include "Brindle/widgets/TouchableComponent.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/ui/widgets/QtColor.h"
#include "ui-toolkit/ui/widgets/SpinnerComponent.h"
#include "ui-toolkit/ui/widgets/TamberButton.h"

using namespace brindle_ui;

namespace {

using Shape = TamberButton::ButtonShape;
using Style = TamberButton::NewStyle;

class TamberButtonTest : public WidgetTest {
protected:
    TamberButton* make(TamberButton::Options options, QSize size = QSize(300, 200)) {
        options.onTap = [this](const std::shared_ptr<TamberButton::ClickInfo>& info) {
            tapped.push_back(info);
        };
        return show(new TamberButton(options), size);
    }
    static TamberButton::Options shaped(std::optional<bool> enabled = true, Shape shape = Shape::rectangle,
                                        Style style = Style::primary()) {
        TamberButton::Options options;
        options.shape = shape;
        options.style = style;
        options.title = "Continue";
        options.enabled = enabled;
        return options;
    }
    std::vector<std::shared_ptr<TamberButton::ClickInfo>> tapped;
};

TEST_F(TamberButtonTest, TapHandsOverTheClickUnlessDisabledOrWithoutAShape) {
    TamberButton::Options circle;  // a shape alone: enabled and transparent
    circle.shape = Shape::circle;
    circle.leftIcon = "gearshape";
    auto* button = make(circle);
    EXPECT_EQ(button->backgroundColor(), Color::clear());
    QTest::mouseClick(button->touchable(), Qt::LeftButton);
    loop.advance(0.1);
    EXPECT_EQ(tapped, std::vector{button->clickInfo()});
    auto* disabled = make(shaped(false));
    QTest::mouseClick(disabled->touchable(), Qt::LeftButton);
    int plain = 0;
    auto* shapeless = show(new TamberButton(Brindle::make<ButtonSetting>(), false, [&] { ++plain; }));
    EXPECT_EQ(shapeless->touchable(), nullptr);
    EXPECT_EQ(shapeless->sizeHint(), QSize(0, 0));
    QTest::mouseClick(shapeless, Qt::LeftButton);
    loop.advance(1);
    EXPECT_EQ(tapped.size(), 1u);
    EXPECT_EQ(plain, 0);
}

TEST_F(TamberButtonTest, ShapeClipsTheStylesBackgroundInEitherTheme) {
    const struct {
        Shape shape;
        Style style;
        Color (*color)();
    } cases[]{
        {Shape::circle, Style::primary(), Colors::primary},
        {Shape::rounded, Style::secondary(), Colors::secondary},
        {Shape::rectangle, Style::neutral(), Colors::neutral},
        {Shape::sharpRectangle, Style::black(), Colors::surface},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.shape));
        auto* button = make(shaped(true, c.shape, c.style), QSize(120, 48));
        for (auto theme : {Theme::dark, Theme::light}) {
            Theme::setCurrent(theme);
            Theme::setBackgroundVariant(theme == Theme::light);
            const QImage image = button->grab().toImage();
            EXPECT_EQ(button->backgroundColor(), c.color());
            EXPECT_EQ(image.pixelColor(60, 46), toQColor(c.color()));
            EXPECT_EQ(image.pixelColor(1, 1) == toQColor(c.color()), c.shape == Shape::sharpRectangle);
        }
        Theme::setCurrent(Theme::dark);
    }
    // Bordered settings draw the title in the primary colour.
    auto* bordered = make(shaped(true, Shape::rounded, Style::transparent()));
    bordered->settings()->style(HelloButtonStyle::roundBordered);
    EXPECT_EQ(bordered->foregroundColor(), Colors::primary());
}

TEST_F(TamberButtonTest, PressedOverlayWinsOverHoverAndADisabledButtonIsFadedWithout) {
    auto* button = make(shaped());
    EXPECT_EQ(button->overlayColor(), std::nullopt);
    hover(button->touchable());
    EXPECT_EQ(button->overlayColor(), Color::white(0.2));
    QTest::mousePress(button->touchable(), Qt::LeftButton);
    EXPECT_EQ(button->overlayColor(), Color::black(0.1));
    QTest::mouseRelease(button->touchable(), Qt::LeftButton);
    EXPECT_EQ(button->labelOpacity(), 1.0);
    // The component neither dims the content nor pads it.
    EXPECT_EQ(button->touchable()->contentOpacity(), 1.0);
    auto* disabled = make(shaped(false));
    EXPECT_EQ(disabled->labelOpacity(), 0.4);
    hover(disabled->touchable());
    QTest::mousePress(disabled->touchable(), Qt::LeftButton);
    EXPECT_EQ(disabled->overlayColor(), std::nullopt);
    QTest::mouseRelease(disabled->touchable(), Qt::LeftButton);
}

TEST_F(TamberButtonTest, SpinnerReplacesTheRowWhileEitherSideAsksForIt) {
    auto* button = make(shaped());
    auto* spinner = button->findChild<SpinnerComponent*>();
    ASSERT_NE(spinner, nullptr);
    button->setProgressing(true);
    EXPECT_TRUE(spinner->isVisible());
    button->setProgressing(false);
    EXPECT_FALSE(spinner->isVisible());
    button->clickInfo()->showProgress(1.0);
    loop.advance(1.0);
    EXPECT_TRUE(spinner->isVisible());
    button->clickInfo()->hideProgress();
    loop.runUntilIdle();
    EXPECT_FALSE(spinner->isVisible());
}

}  // namespace
