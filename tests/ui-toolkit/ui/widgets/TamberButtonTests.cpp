#include <memory>
#include <string>
#include <vector>

#include "Brindle/widgets/TouchableComponent.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/ui/widgets/SpinnerComponent.h"
#include "ui-toolkit/ui/widgets/TamberButton.h"

using namespace brindle_ui;

namespace {

class TamberButtonTest : public WidgetTest {
protected:
    TamberButton* make(TamberButton::Options options, QSize size = QSize(300, 200)) {
        options.onTap = [this](const std::shared_ptr<TamberButton::ClickInfo>& info) {
            tapped.push_back(info);
        };
        return show(new TamberButton(options), size);
    }
    static TamberButton::Options shaped(std::optional<bool> enabled = true) {
        TamberButton::Options options;
        options.shape = TamberButton::ButtonShape::rectangle;
        options.style = TamberButton::NewStyle::primary();
        options.title = "Continue";
        options.enabled = enabled;
        return options;
    }

    std::vector<std::shared_ptr<TamberButton::ClickInfo>> tapped;
};

TEST_F(TamberButtonTest, TapHandsOverTheClickUnlessDisabledOrWithoutAShapeAndTheStyleGivesTheBackground) {
    TamberButton::Options circle;  // a shape alone: enabled and transparent
    circle.shape = TamberButton::ButtonShape::circle;
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

    // The black style follows the palette's surface; a custom one keeps its colour.
    auto options = shaped();
    options.style = TamberButton::NewStyle::black();
    auto* black = make(options);
    Theme::setBackgroundVariant(1);
    EXPECT_EQ(black->backgroundColor(), Color::black());
    options.style = TamberButton::NewStyle::customColor(Color::hex("#123456"));
    EXPECT_EQ(make(options)->backgroundColor(), Color::hex("#123456"));
}

TEST_F(TamberButtonTest, PressedOverlayWinsOverHoverAndADisabledButtonIsFadedWithout) {
    auto* button = make(shaped());
    EXPECT_EQ(button->labelOpacity(), 1.0);
    EXPECT_EQ(button->overlayColor(), std::nullopt);
    hover(button->touchable());
    EXPECT_EQ(button->overlayColor(), Color::white(0.2));
    QTest::mousePress(button->touchable(), Qt::LeftButton);
    EXPECT_EQ(button->overlayColor(), Color::black(0.1));
    QTest::mouseRelease(button->touchable(), Qt::LeftButton);
    loop.advance(0.1);
    EXPECT_EQ(button->overlayColor(), Color::white(0.2));
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
    EXPECT_FALSE(spinner->isVisible());
    button->setProgressing(true);
    EXPECT_TRUE(spinner->isVisible());
    EXPECT_EQ(spinner->size(), QSize(20, 20));
    EXPECT_EQ(spinner->strokeWidth(), 2.0);
    button->setProgressing(false);
    EXPECT_FALSE(button->isShowingSpinner());

    button->clickInfo()->showProgress(1.0);
    loop.advance(1.0);
    EXPECT_TRUE(button->isShowingSpinner());
    EXPECT_TRUE(spinner->isVisible());
    button->clickInfo()->hideProgress();
    loop.runUntilIdle();
    EXPECT_FALSE(spinner->isVisible());
}

TEST_F(TamberButtonTest, TitleFrameIsRecordedOnceWhenTheTitleFirstAppears) {
    auto options = shaped();
    options.title = "A title far too long to fit into the narrow button that holds it";
    auto* button = make(options, QSize(120, 40));
    const auto frame = button->clickInfo()->textFrame;
    EXPECT_EQ(frame.origin, platform::Point{});
    EXPECT_GT(frame.size.width, 0);
    EXPECT_LE(frame.size.width, 120);
    const auto onScreen = button->clickInfo()->buttonFrameOnScreen;
    EXPECT_GT(onScreen.origin.x, 0);
    window->resize(300, 80);
    loop.runUntilIdle();
    EXPECT_EQ(button->clickInfo()->textFrame, frame);
    EXPECT_EQ(button->clickInfo()->buttonFrameOnScreen, onScreen);
}

}  // namespace
