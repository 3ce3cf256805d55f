#include <QLabel>
#include <vector>

#include "Brindle/widgets/TouchableComponent.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"

using Brindle::MouseInfo;
using Brindle::TouchableComponent;

namespace {

class TouchableComponentTest : public WidgetTest {
protected:
    TouchableComponent::Options tapping(TouchableComponent::Options options = {}) {
        options.onTap = [this] { taps.push_back(component->touchDown()); };
        return options;
    }

    TouchableComponent* component = show(new TouchableComponent(tapping(), new QLabel("Content")));
    std::vector<bool> taps;  // whether the pressed look was still on at each tap
};

TEST_F(TouchableComponentTest, TapRunsATenthOfASecondAfterAClickThatEndsInside) {
    QTest::mouseClick(component, Qt::LeftButton);
    EXPECT_TRUE(component->touchDown());
    EXPECT_EQ(component->contentOpacity(), 0.5);
    loop.advance(0.099);
    EXPECT_TRUE(taps.empty());
    loop.advance(0.001);
    EXPECT_EQ(component->contentOpacity(), 1.0);
    QTest::mousePress(component, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(component, Qt::LeftButton, {}, QPoint(-50, -50));
    loop.advance(1);
    EXPECT_FALSE(component->touchDown());
    EXPECT_EQ(taps, std::vector<bool>{false});

    // In a scroll view only the tap shows the pressed look.
    auto options = tapping();
    options.inScrollView = true;
    options.padding = TouchableComponent::Padding::none();
    component->setOptions(options);
    QTest::mousePress(component, Qt::LeftButton);
    EXPECT_FALSE(component->touchDown());
    QTest::mouseRelease(component, Qt::LeftButton);
    EXPECT_TRUE(component->touchDown());
    loop.advance(0.1);
    EXPECT_EQ(taps, (std::vector<bool>{false, false}));

    // A component deleted before its tap is left alone.
    QTest::mouseClick(component, Qt::LeftButton);
    window.reset();
    loop.advance(1);
    EXPECT_EQ(taps.size(), 2u);
}

TEST_F(TouchableComponentTest, LooksFollowTheStylesTheHoverAndThePress) {
    using Style = TouchableComponent::Style;
    using PressStyle = TouchableComponent::PressStyle;
    const struct {
        Style style;
        PressStyle pressStyle;
        bool highlight;
        double alpha;
        bool hovered, pressed;
        double content, background;
    } looks[]{
        {Style::vibrant, PressStyle::fade, true, 0.8, false, false, 0.8, 0.0001},
        {Style::vibrant, PressStyle::fade, true, 0.8, false, true, 0.5, 0.0001},
        {Style::vibrant, PressStyle::none, true, 0.8, true, true, 1.0, 0.5},
        {Style::vibrant, PressStyle::fade, true, 0.9, true, false, 0.9, 0.5},
        {Style::vibrant, PressStyle::fade, false, 0.9, true, false, 0.9, 0.0001},
        {Style::fade, PressStyle::fade, true, 0.9, true, false, 0.5, 0.00001},
    };
    for (const auto& look : looks) {
        SCOPED_TRACE(testing::Message() << "row " << &look - looks);
        component->setOptions({look.style, look.pressStyle, false, TouchableComponent::Padding::standard(),
                               look.highlight, nullptr, look.alpha});
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

TEST_F(TouchableComponentTest, MouseInfoContentSeesPressAndHover) {
    std::vector<MouseInfo> seen;
    auto* touchable = show(new TouchableComponent({}, new QLabel("Content"),
                                                  [&](const MouseInfo& info) { seen.push_back(info); }));
    hover(touchable);
    QTest::mousePress(touchable, Qt::LeftButton);
    QTest::mouseRelease(touchable, Qt::LeftButton);
    loop.advance(0.1);
    // The release ends the press, and the tap shows the pressed look again until it runs.
    EXPECT_EQ(seen,
              (std::vector<MouseInfo>{
                  {false, false}, {false, true}, {true, true}, {false, true}, {true, true}, {false, true}}));
}

}  // namespace
