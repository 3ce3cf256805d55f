#include <QLabel>
#include <vector>

#include "Brindle/widgets/AnimationComponent.h"
#include "Brindle/widgets/LayoutBlocks.h"
#include "Brindle/widgets/RectCorner.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"

using namespace Brindle;

namespace {

using LayoutBlocksTest = WidgetTest;

TEST_F(LayoutBlocksTest, AnimationMovesOrFadesTheContentInWhenFirstShownAndNeverAgain) {
    const struct {
        AnimationStyle style;
        std::optional<double> time;
        bool spring, springChosenLater;
        double offset, opacity;  // before it is shown
    } cases[]{
        {AnimationStyle::none, std::nullopt, false, false, 0, 1},
        {AnimationStyle::fadeIn, std::nullopt, false, false, 0, 0},
        {AnimationStyle::moveInFromTop, 0.6, true, false, -400, 0},
        {AnimationStyle::moveInFromBottom, std::nullopt, false, true, 400, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        auto* content = new QLabel("x");
        auto* component = new AnimationComponent(c.style, c.time, c.spring, content);
        if (c.springChosenLater) component->spring();
        EXPECT_EQ(component->appeared(), c.style == AnimationStyle::none);
        EXPECT_EQ(component->contentOffset(), c.offset);
        EXPECT_EQ(component->contentOpacity(), c.opacity);
        auto spec = component->animationSpec();
        EXPECT_EQ(spec.spring.has_value(), c.spring || c.springChosenLater);
        if (spec.spring) {
            EXPECT_EQ(spec.spring->dampingFraction, 1.0);
        }
        show(component);
        window->hide();
        window->show();
        loop.runUntilIdle();
        EXPECT_TRUE(component->appeared());
        EXPECT_EQ(component->contentOffset(), 0);
        EXPECT_EQ(component->contentOpacity(), 1.0);
        EXPECT_EQ(content->y(), 0);
    }
}

TEST_F(LayoutBlocksTest, GeometryReaderReportsTheOfferedLengthAlongItsAxis) {
    std::vector<double> lengths;
    const auto note = [&](double length) { lengths.push_back(length); };
    show(new SingleAxisGeometryReader(Qt::Horizontal, Qt::AlignCenter, new QLabel("w"), note),
         QSize(300, 120));
    show(new SingleAxisGeometryReader(Qt::Vertical, Qt::AlignLeft, new QLabel("h"), note), QSize(300, 120));
    EXPECT_EQ(lengths, (std::vector<double>{10, 300, 10, 120}));
    VisualEffect square(VisualEffect::Material::hudWindow);
    frameSize(&square, 23.6);
    EXPECT_EQ(square.minimumSize(), QSize(24, 24));
    EXPECT_EQ(square.maximumSize(), QSize(24, 24));
}

TEST_F(LayoutBlocksTest, TouchDownCallsOnceAtTheStartOfEveryLeftPressOnTheViewOrInsideIt) {
    auto* area = new QWidget();
    auto* view = new QWidget(area);
    view->setGeometry(0, 0, 150, 100);
    auto* inside = new QLabel("inside", view);
    auto* beside = new QLabel("beside", area);
    beside->setGeometry(160, 0, 100, 100);
    int touches = 0;
    onTouchDownGesture(view, [&] { ++touches; });
    show(area);
    const struct {
        const char* what;
        QWidget* target;
        Qt::MouseButton button;
        int touches;
    } cases[]{
        {"on the view", view, Qt::LeftButton, 1},
        {"on a child", inside, Qt::LeftButton, 1},
        {"beside it", beside, Qt::LeftButton, 0},
        {"another button", view, Qt::RightButton, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        touches = 0;
        QTest::mousePress(c.target, c.button, {}, QPoint(5, 5));
        EXPECT_EQ(touches, c.touches);
        // However far it goes before the release, and a press that Qt reports again as a double
        // click, it is one touch.
        QTest::mouseMove(c.target, QPoint(400, 300));
        QTest::mouseDClick(c.target, c.button, {}, QPoint(5, 5));
        QTest::mouseRelease(c.target, c.button, {}, QPoint(400, 300));
        EXPECT_EQ(touches, c.touches);
    }
    // The view's end takes the gesture with it.
    delete view;
    QTest::mouseClick(area, Qt::LeftButton);
    EXPECT_EQ(touches, 0);
}

TEST(RectCornerTest, SetAlgebra) {
    const auto tl = RectCorner::topLeft(), tr = RectCorner::topRight(), bl = RectCorner::bottomLeft(),
               br = RectCorner::bottomRight();
    RectCorner corners{tl, br};
    EXPECT_EQ(corners.insert(tl), std::pair(false, tl));
    EXPECT_EQ(corners.insert(tr), std::pair(true, tr));
    EXPECT_EQ(corners.remove(bl), std::nullopt);
    EXPECT_EQ(corners.remove(tr), tr);
    EXPECT_EQ(corners.rawValue, 9);
    EXPECT_TRUE(corners.isSuperset(tl) && tl.isSubset(corners) && corners.isDisjoint(RectCorner{tr, bl}));
    EXPECT_EQ(corners.symmetricDifference(tl), br);
    EXPECT_TRUE(corners.subtracting(corners).isEmpty());
    EXPECT_EQ(corners.update(br), br);
    EXPECT_EQ(corners.update(tr), std::nullopt);
    EXPECT_EQ(tl.unionWith(tr).intersection(tr), tr);
}

}  // namespace
