#include <QLabel>
#include <vector>

#include "Brindle/widgets/TouchableComponent.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"

using Brindle::MouseInfo;
using Brindle::TouchableComponent;

namespace {

class TouchableComponentTest : public WidgetTest {
protected:
    TouchableComponent* make(TouchableComponent::Options options) {
        options.onTap = [this] {
            ++taps;
            touchDownAtTap = component->touchDown();
        };
        component = show(new TouchableComponent(options, new QLabel("Content")));
        return component;
    }

    TouchableComponent* component = nullptr;
    int taps = 0;
    bool touchDownAtTap = true;
};

TEST_F(TouchableComponentTest, TapRunsATenthOfASecondAfterTheClick) {
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
}

TEST_F(TouchableComponentTest, PressOutsideReleaseDoesNotTap) {
    make({});
    QTest::mousePress(component, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(component, Qt::LeftButton, {}, QPoint(-50, -50));
    loop.advance(1);
    EXPECT_EQ(taps, 0);
    EXPECT_FALSE(component->touchDown());
}

TEST_F(TouchableComponentTest, PressDimsUnlessThePressStyleIsNone) {
    TouchableComponent::Options options;
    options.alpha = 0.8;
    make(options);
    EXPECT_EQ(component->contentOpacity(), 0.8);
    QTest::mousePress(component, Qt::LeftButton);
    EXPECT_TRUE(component->touchDown());
    EXPECT_EQ(component->contentOpacity(), 0.5);
    QTest::mouseRelease(component, Qt::LeftButton);
    loop.advance(0.1);

    options.pressStyle = TouchableComponent::PressStyle::none;
    component->setOptions(options);
    QTest::mousePress(component, Qt::LeftButton);
    hover(component);
    EXPECT_EQ(component->contentOpacity(), 1.0);
    QTest::mouseRelease(component, Qt::LeftButton);
    EXPECT_EQ(component->contentOpacity(), 1.0);
}

TEST_F(TouchableComponentTest, HoverLooksFollowTheStyle) {
    TouchableComponent::Options options;
    options.style = TouchableComponent::Style::fade;
    options.alpha = 0.9;
    make(options);
    EXPECT_EQ(component->backgroundOpacity(), 0.0001);
    hover(component);
    EXPECT_TRUE(component->inside());
    EXPECT_EQ(component->contentOpacity(), 0.5);
    EXPECT_EQ(component->backgroundOpacity(), 0.00001);
    leave(component);
    EXPECT_FALSE(component->inside());

    options.style = TouchableComponent::Style::vibrant;
    component->setOptions(options);
    hover(component);
    EXPECT_EQ(component->backgroundOpacity(), 0.5);
    EXPECT_EQ(component->contentOpacity(), 0.9);

    options.highlight = false;
    component->setOptions(options);
    EXPECT_EQ(component->backgroundOpacity(), 0.0001);
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

TEST_F(TouchableComponentTest, ComponentDeletedBeforeItsTapIsLeftAlone) {
    make({});
    QTest::mouseClick(component, Qt::LeftButton);
    window.reset();
    loop.advance(1);
    EXPECT_EQ(taps, 0);
}

}  // namespace
