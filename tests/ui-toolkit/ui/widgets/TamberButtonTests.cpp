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
    TamberButton* make(TamberButton::Options options) {
        options.onTap = [this](const std::shared_ptr<TamberButton::ClickInfo>& info) {
            calls.push_back("info");
            tapped = info;
        };
        return show(new TamberButton(options));
    }
    static TamberButton::Options shaped(
        TamberButton::ButtonShape shape = TamberButton::ButtonShape::rectangle) {
        TamberButton::Options options;
        options.shape = shape;
        options.style = TamberButton::NewStyle::primary();
        options.title = "Continue";
        options.enabled = true;
        return options;
    }
    void click(TamberButton* button) {
        QTest::mouseClick(button->touchable(), Qt::LeftButton);
        loop.advance(0.1);
    }

    std::vector<std::string> calls;
    std::shared_ptr<TamberButton::ClickInfo> tapped;
};

TEST_F(TamberButtonTest, WithoutAShapeNothingIsDrawnOrTapped) {
    auto settings = Brindle::make<ButtonSetting>();
    auto* button = show(new TamberButton(settings, false, [&] { calls.push_back("plain"); }));
    EXPECT_EQ(button->touchable(), nullptr);
    EXPECT_EQ(button->sizeHint(), QSize(0, 0));
    QTest::mouseClick(button, Qt::LeftButton);
    loop.advance(1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(TamberButtonTest, TapHandsOverTheClickThenCallsThePlainAction) {
    auto* button = make(shaped());
    click(button);
    EXPECT_EQ(calls, std::vector<std::string>{"info"});
    EXPECT_EQ(tapped, button->clickInfo());
}

TEST_F(TamberButtonTest, DisabledButtonIsFadedShowsNoOverlayAndIgnoresTaps) {
    auto options = shaped();
    options.enabled = false;
    auto* button = make(options);
    EXPECT_EQ(button->labelOpacity(), 0.4);
    hover(button->touchable());
    QTest::mousePress(button->touchable(), Qt::LeftButton);
    EXPECT_EQ(button->overlayColor(), std::nullopt);
    QTest::mouseRelease(button->touchable(), Qt::LeftButton);
    loop.advance(1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(TamberButtonTest, PressedOverlayWinsOverHover) {
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
}

TEST_F(TamberButtonTest, ShapeWithoutStyleOrFlagIsEnabledAndTransparent) {
    TamberButton::Options options;
    options.shape = TamberButton::ButtonShape::circle;
    options.leftIcon = "gearshape";
    auto* button = make(options);
    EXPECT_EQ(button->backgroundColor(), Color::clear());
    EXPECT_TRUE(button->isEnabledButton());
    click(button);
    EXPECT_EQ(calls.size(), 1u);
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

    button->clickInfo()->showProgress(1.0);
    loop.advance(1.0);
    EXPECT_TRUE(button->isShowingSpinner());
    EXPECT_TRUE(spinner->isVisible());
    button->clickInfo()->hideProgress();
    loop.runUntilIdle();
    EXPECT_FALSE(spinner->isVisible());

    button->clickInfo()->showProgress(1.0);
    button->clickInfo()->hideProgress();
    loop.advance(2);
    EXPECT_FALSE(button->isShowingSpinner());
}

TEST_F(TamberButtonTest, BlackStyleFollowsTheBackgroundVariant) {
    auto options = shaped();
    options.style = TamberButton::NewStyle::black();
    auto* button = make(options);
    EXPECT_EQ(button->backgroundColor(), Color::hex("#171818"));
    Theme::setBackgroundVariant(1);
    EXPECT_EQ(button->backgroundColor(), Color::black());
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(button->backgroundColor(), Color::white());
    options.style = TamberButton::NewStyle::customColor(Color::hex("#123456"));
    EXPECT_EQ(make(options)->backgroundColor(), Color::hex("#123456"));
}

TEST_F(TamberButtonTest, TitleFrameIsRecordedOnceWhenTheTitleFirstAppears) {
    auto options = shaped();
    options.title = "A title far too long to fit into the narrow button that holds it";
    auto* button = new TamberButton(options);
    EXPECT_EQ(button->clickInfo()->textFrame, platform::Rect{});
    show(button, QSize(120, 40));
    auto frame = button->clickInfo()->textFrame;
    EXPECT_EQ(frame.origin, platform::Point{});
    EXPECT_GT(frame.size.width, 0);
    EXPECT_LE(frame.size.width, 120);
    auto onScreen = button->clickInfo()->buttonFrameOnScreen;
    EXPECT_GT(onScreen.origin.x, 0);
    window->resize(300, 80);
    loop.runUntilIdle();
    EXPECT_EQ(button->clickInfo()->textFrame, frame);
    EXPECT_EQ(button->clickInfo()->buttonFrameOnScreen, onScreen);
}

}  // namespace
