#include <QLabel>
#include <vector>

#include "Brindle/widgets/AnimationComponent.h"
#include "Brindle/widgets/LayoutBlocks.h"
#include "Brindle/widgets/RectCorner.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"

using namespace Brindle;

namespace {

using AnimationComponentTest = WidgetTest;

TEST_F(AnimationComponentTest, WithoutStyleTheContentStaysInPlace) {
    auto* component = new AnimationComponent(AnimationStyle::none, std::nullopt, false, new QLabel("x"));
    EXPECT_TRUE(component->appeared());
    show(component);
    EXPECT_EQ(component->contentOffset(), 0);
    EXPECT_EQ(component->contentOpacity(), 1.0);
}

TEST_F(AnimationComponentTest, FadeInStartsInvisibleAndAppearsOnTheNextTurn) {
    auto* component = new AnimationComponent(AnimationStyle::fadeIn, std::nullopt, false, new QLabel("x"));
    EXPECT_EQ(component->time(), 0.2);
    EXPECT_EQ(component->animationSpec().duration, 0.2);
    EXPECT_EQ(component->animationSpec().curve.type(), QEasingCurve::OutQuad);
    EXPECT_EQ(component->contentOpacity(), 0.0);
    EXPECT_EQ(component->contentOffset(), 0.0);
    show(component);
    EXPECT_TRUE(component->appeared());
    EXPECT_EQ(component->contentOpacity(), 1.0);
}

TEST_F(AnimationComponentTest, MovesInOnceFromAboveWithTheSpring) {
    auto* content = new QLabel("x");
    auto* component = new AnimationComponent(AnimationStyle::moveInFromTop, 0.6, true, content);
    EXPECT_EQ(component->contentOffset(), -400);
    auto spec = component->animationSpec();
    EXPECT_EQ(spec.curve.type(), QEasingCurve::Custom);
    EXPECT_NEAR(spec.curve.valueForProgress(0.7), 1.0, 0.01);  // settled soon after the 0.5 s response
    EXPECT_LT(spec.curve.valueForProgress(0.1), 0.7);
    show(component);
    EXPECT_EQ(component->contentOffset(), 0);
    EXPECT_EQ(content->y(), 0);

    window->hide();
    window->show();
    loop.runUntilIdle();
    EXPECT_EQ(component->contentOffset(), 0);
    EXPECT_EQ(component->contentOpacity(), 1.0);
}

TEST_F(AnimationComponentTest, SpringCanBeChosenBeforeAppearing) {
    AnimationComponent component(AnimationStyle::moveInFromBottom, std::nullopt, false, new QLabel("x"));
    EXPECT_EQ(component.contentOffset(), 400);
    EXPECT_TRUE(component.spring().useSpringAnimation());
}

using LayoutBlocksTest = WidgetTest;

TEST_F(LayoutBlocksTest, GeometryReaderReportsTheOfferedLengthAlongItsAxis) {
    std::vector<double> widths;
    auto* horizontal = new SingleAxisGeometryReader(Qt::Horizontal, Qt::AlignCenter, new QLabel("w"),
                                                    [&](double length) { widths.push_back(length); });
    EXPECT_EQ(widths, std::vector<double>{10});
    show(horizontal, QSize(300, 120));
    EXPECT_EQ(widths, (std::vector<double>{10, 300}));

    std::vector<double> heights;
    auto* vertical = new SingleAxisGeometryReader(Qt::Vertical, Qt::AlignLeft, new QLabel("h"),
                                                  [&](double length) { heights.push_back(length); });
    show(vertical, QSize(300, 120));
    EXPECT_EQ(heights, (std::vector<double>{10, 120}));

    double combined = SingleAxisGeometryReader::SizeKey::defaultValue;
    SingleAxisGeometryReader::SizeKey::reduce(combined, 40);
    SingleAxisGeometryReader::SizeKey::reduce(combined, 25);
    EXPECT_EQ(combined, 40);
}

TEST_F(LayoutBlocksTest, TouchDownFiresOncePerPressAtItsStart) {
    auto* view = show(new QLabel("press me"));
    int calls = 0;
    onTouchDownGesture(view, [&] { ++calls; });
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(calls, 1);
    QTest::mouseMove(view, QPoint(40, 10));
    QTest::mouseMove(view, QPoint(80, 12));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(80, 12));
    EXPECT_EQ(calls, 1);
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(calls, 2);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(2, 2));
}

TEST_F(LayoutBlocksTest, SquareFrameAndFixedMaterial) {
    QWidget view;
    frameSize(&view, 24);
    EXPECT_EQ(view.size(), QSize(24, 24));
    EXPECT_EQ(view.minimumSize(), view.maximumSize());
    VisualEffect effect(VisualEffect::Material::hudWindow);
    EXPECT_EQ(effect.material(), VisualEffect::Material::hudWindow);
}

TEST(RectCornerTest, SetAlgebra) {
    RectCorner corners{RectCorner::topLeft(), RectCorner::bottomRight()};
    EXPECT_EQ(corners.rawValue, 9);
    auto [inserted, member] = corners.insert(RectCorner::topLeft());
    EXPECT_FALSE(inserted);
    EXPECT_EQ(member, RectCorner::topLeft());
    EXPECT_TRUE(corners.insert(RectCorner::topRight()).first);
    EXPECT_EQ(corners.rawValue, 11);
    EXPECT_EQ(corners.remove(RectCorner::bottomLeft()), std::nullopt);
    EXPECT_EQ(corners.remove(RectCorner::topRight()), RectCorner::topRight());
    EXPECT_TRUE(corners.isSuperset(RectCorner::topLeft()));
    EXPECT_TRUE(RectCorner::topLeft().isSubset(corners));
    EXPECT_TRUE(corners.isDisjoint(RectCorner{RectCorner::topRight(), RectCorner::bottomLeft()}));
    EXPECT_EQ(corners.symmetricDifference(RectCorner::topLeft()), RectCorner::bottomRight());
    EXPECT_EQ(corners.subtracting(corners), RectCorner());
    EXPECT_TRUE(RectCorner().isEmpty());
    EXPECT_EQ(corners.update(RectCorner::bottomRight()), RectCorner::bottomRight());
    EXPECT_EQ(RectCorner::topLeft().unionWith(RectCorner::topRight()).intersection(RectCorner::topRight()),
              RectCorner::topRight());
}

}  // namespace
