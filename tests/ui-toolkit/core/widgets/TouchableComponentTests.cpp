#include <QLabel>
#include <QMenu>
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
    // A component deleted before its tap is left alone.
    QTest::mouseClick(component, Qt::LeftButton);
    window.reset();
    loop.advance(1);
    EXPECT_EQ(taps.size(), 1u);
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

TEST_F(TouchableComponentTest, OnlyTheLeftButtonPressesAndItsReleaseEndsThePressWhereverItGoes) {
    std::vector<MouseInfo> told;
    component = show(new TouchableComponent(tapping(), new QLabel("Content"),
                                            [&](const MouseInfo& info) { told.push_back(info); }));
    for (auto button : {Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(button);
        QTest::mousePress(component, button, {}, QPoint(5, 5));
        EXPECT_FALSE(component->touchDown());
        EXPECT_EQ(component->contentOpacity(), 1.0) << "no pressed look";
        QTest::mouseRelease(component, button, {}, QPoint(5, 5));
        loop.advance(1);
    }
    EXPECT_TRUE(taps.empty());
    EXPECT_TRUE(std::none_of(told.begin(), told.end(), [](const MouseInfo& info) { return info.pressed; }));
    // A right release while the left button is held ends nothing.
    QTest::mousePress(component, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(component, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(component->touchDown());
    // A pop-up opened during the press takes the release: the press ends all the same, untapped.
    QMenu popup;
    popup.addAction("Item");
    popup.popup(QPoint(2500, 2500));
    loop.runUntilIdle();
    QTest::mouseRelease(&popup, Qt::LeftButton, {}, QPoint(2, 2));
    popup.hide();
    loop.advance(1);
    EXPECT_FALSE(component->touchDown());
    EXPECT_EQ(component->contentOpacity(), 1.0);
    EXPECT_TRUE(taps.empty());
}

TEST_F(TouchableComponentTest, FollowingThePointerSetsTheHoverFromWhereItIs) {
    hover(component);
    QCursor::setPos(0, 0);
    component->followPointer();
    EXPECT_FALSE(component->inside());
    QCursor::setPos(component->mapToGlobal(component->rect().center()));
    component->followPointer();
    EXPECT_TRUE(component->inside());
    QCursor::setPos(0, 0);  // off the components of the tests that follow
}

}  // namespace
