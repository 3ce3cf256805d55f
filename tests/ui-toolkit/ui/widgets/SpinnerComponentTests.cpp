#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/ui/widgets/SpinnerComponent.h"

using namespace brindle_ui;

using SpinnerComponentTest = WidgetTest;

TEST_F(SpinnerComponentTest, RunsItsCycleWhileShownAndStopsWhenHidden) {
    auto* spinner = new SpinnerComponent(2);
    EXPECT_EQ(spinner->state().rotationDegreeS1, 270);
    show(spinner);
    EXPECT_EQ(spinner->state().rotationDegreeS1, 630);
    EXPECT_EQ(spinner->drawn().rotationDegreeS3, 630);
    loop.advance(0.75);
    EXPECT_EQ(spinner->state().spinnerEndS1, 1.0);
    loop.advance(0.75);
    EXPECT_EQ(spinner->state().spinnerEndS1, 0.03);
    loop.advance(0.4);  // 1.9 s: the next cycle's immediate changes
    EXPECT_EQ(spinner->state().rotationDegreeS1, 1350);
    EXPECT_EQ(spinner->state().rotationDegreeS3, 1350);

    window->hide();
    loop.runUntilIdle();
    EXPECT_FALSE(spinner->isRunning());
    const auto stopped = spinner->state().rotationDegreeS1;
    loop.advance(10);
    EXPECT_EQ(spinner->state().rotationDegreeS1, stopped);
    window->show();
    loop.runUntilIdle();
    EXPECT_TRUE(spinner->isRunning());
}
