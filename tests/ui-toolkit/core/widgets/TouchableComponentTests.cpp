#include <QLabel>
#include <vector>

#include "Brindle/widgets/TouchableComponent.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"

using Brindle::MouseInfo;
using Brindle::TouchableComponent;

namespace {

class TouchableComponentTest : public WidgetTest {
protected:
    TouchableComponent* make(TouchableComponent::Options options = {}) {
        options.onTap = [this] {
            ++taps;
            touchDownAtTap = component->touchDown();
        };
        return component = show(new TouchableComponent(options, new QLabel("Content")));
    }

    TouchableComponent* component = nullptr;
    int taps = 0;
    bool touchDownAtTap = true;
};

TEST_F(TouchableComponentTest, TapRunsATenthOfASecondAfterAClickThatEndsInside) {
    TouchableComponent::Options options;
    options.padding = TouchableComponent::Padding::none();
    make(options);
    QTest::mouseClick(component, Qt::LeftButton);
    EXPECT_TRUE(component->touchDown());
    EXPECT_EQ(component->contentOpacity(), 0.5);
    loop.advance(0.099);
    EXPECT_EQ(taps, 0);
    loop.advance(0.001);
    EXPECT_EQ(taps, 1);
    EXPECT_FALSE(touchDownAtTap);
    EXPECT_EQ(component->contentOpacity(), 1.0);
    loop.advance(1);
    EXPECT_EQ(taps, 1);

    QTest::mousePress(component, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(component, Qt::LeftButton, {}, QPoint(-50, -50));
    loop.advance(1);
    EXPECT_FALSE(component->touchDown());
    EXPECT_EQ(taps, 1);

    // A component deleted before its tap is left alone.
    QTest::mouseClick(component, Qt::LeftButton);
    window.reset();
    loop.advance(1);
    EXPECT_EQ(taps, 1);
}

TEST_F(TouchableComponentTest, LooksFollowTheStylesTheHoverAndThePress) {
    using Style = TouchableComponent::Style;
    using PressStyle = TouchableComponent::PressStyle;
    struct Look {
        Style style;
        PressStyle pressStyle;
        bool highlight;
        double alpha;
        bool hovered, pressed;
        double content, background;
    };
    const Look looks[]{
        {Style::vibrant, PressStyle::fade, true, 0.8, false, false, 0.8, 0.0001},
        {Style::vibrant, PressStyle::fade, true, 0.8, false, true, 0.5, 0.0001},
        {Style::vibrant, PressStyle::none, true, 0.8, true, true, 1.0, 0.5},
        {Style::vibrant, PressStyle::fade, true, 0.9, true, false, 0.9, 0.5},
        {Style::vibrant, PressStyle::fade, false, 0.9, true, false, 0.9, 0.0001},
        {Style::fade, PressStyle::fade, true, 0.9, true, false, 0.5, 0.00001},
    };
    for (const auto& look : looks) {
        SCOPED_TRACE(testing::Message() << "row " << &look - looks);
        make({look.style, look.pressStyle, false, TouchableComponent::Padding::standard(), look.highlight,
              nullptr, look.alpha});
        if (look.hovered) hover(component);
        if (look.pressed) QTest::mousePress(component, Qt::LeftButton);
        EXPECT_EQ(component->inside(), look.hovered);
        EXPECT_EQ(component->contentOpacity(), look.content);
        EXPECT_EQ(component->backgroundOpacity(), look.background);
        leave(component);
        EXPECT_FALSE(component->inside());
        if (look.pressed) QTest::mouseRelease(component, Qt::LeftButton);
        loop.advance(0.1);
    }
}

TEST_F(TouchableComponentTest, InAScrollViewOnlyTheTapShowsThePressedLook) {
    TouchableComponent::Options options;
    options.inScrollView = true;
    make(options);
    QTest::mousePress(component, Qt::LeftButton);
    EXPECT_FALSE(component->touchDown());
    QTest::mouseRelease(component, Qt::LeftButton);
    EXPECT_TRUE(component->touchDown());
    loop.advance(0.1);
    EXPECT_EQ(taps, 1);
}

TEST_F(TouchableComponentTest, MouseInfoContentSeesPressAndHover) {
    std::vector<MouseInfo> seen;
    auto* touchable = show(new TouchableComponent({}, new QLabel("Content"),
                                                  [&](const MouseInfo& info) { seen.push_back(info); }));
    hover(touchable);
    QTest::mousePress(touchable, Qt::LeftButton);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), (MouseInfo{false, false}));
    EXPECT_EQ(seen.back(), (MouseInfo{true, true}));
    QTest::mouseRelease(touchable, Qt::LeftButton);
    loop.advance(0.1);
    EXPECT_EQ(seen.back(), (MouseInfo{false, true}));
}

}  // namespace
