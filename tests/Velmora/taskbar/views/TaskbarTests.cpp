#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>
#include <QTest>

#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/taskbar/views/ClockView.h"
#include "tests/Velmora/taskbar/views/BarViewTesting.h"
#include "tests/support/SnapshotSheet.h"

using bar_view_testing::Bar;
using bar_view_testing::Strings;
using Velmora::Taskbar;
using Velmora::TaskbarTheme;

TEST(Taskbar, ShowsPinnedThenOtherButtonsBetweenSeparatorsAndTheClockTitledWhenThereIsRoomAndRegroups) {
    Bar bar;
    auto& view = *bar.view;
    EXPECT_EQ(Bar::titles(view.pinnedButtons()), Strings{"Photos"});
    EXPECT_EQ(Bar::titles(view.otherButtons()), (Strings{"Notes", "Music", "Mail"}));
    auto x = [&](const QWidget* widget) { return widget->mapTo(&view, QPoint()).x(); };
    EXPECT_LT(x(view.firstSeparator()), x(view.pinnedButtons()[0]));
    EXPECT_LT(x(view.pinnedButtons()[0]), x(view.secondSeparator()));
    EXPECT_LT(x(view.secondSeparator()), x(view.otherButtons()[0]));
    EXPECT_LT(x(view.otherButtons()[2]), x(view.clock()));
    EXPECT_FALSE(view.clock()->timeLabel()->text().isEmpty());
    // Each button told the model where it is.
    for (const auto& model : bar.desktop.bar->tasks.value())
        EXPECT_TRUE(bar.desktop.bar->taskBounds.contains(model->task->bundlePath)) << model->title;
    // Titles only when set and there is room, and never on pinned buttons.
    auto titled = [&] {
        std::vector<bool> result;
        for (auto* button : view.pinnedButtons()) result.push_back(button->showTitles());
        for (auto* button : view.otherButtons()) result.push_back(button->showTitles());
        return result;
    };
    EXPECT_EQ(titled(), (std::vector<bool>{false, true, true, true}));
    EXPECT_LE(view.otherButtons()[0]->width(), Taskbar::titledButtonMaximumWidth);
    EXPECT_EQ(view.pinnedButtons()[0]->width(), Taskbar::buttonWidth);

    // A vanished application's button closes, then leaves, and the row is measured again.
    auto before = bar.desktop.bar->menuButtonFrame.origin.x;
    ASSERT_TRUE(bar.desktop.desktop->quit(502));
    bar.desktop.refresh();
    bar.desktop.loop.advance(2.0);
    EXPECT_EQ(Bar::titles(view.otherButtons()), (Strings{"Notes", "Mail"}));
    EXPECT_GT(bar.desktop.bar->menuButtonFrame.origin.x, before);

    // Unpinned, Photos is neither pinned nor running: it leaves, and the second separator with it.
    bar.desktop.model("Photos")->isPinned.accept(false);
    bar.settle();
    EXPECT_TRUE(view.pinnedButtons().empty());
    EXPECT_EQ(Bar::titles(view.otherButtons()), (Strings{"Notes", "Mail"}));
    EXPECT_TRUE(view.firstSeparator()->isVisible());
    EXPECT_FALSE(view.secondSeparator()->isVisible());

    bar.desktop.settings->setShowTitle(false);
    bar.settle();
    EXPECT_EQ(titled(), (std::vector<bool>{false, false}));
    EXPECT_EQ(view.otherButtons()[0]->width(), Taskbar::buttonWidth);
    bar.desktop.settings->setShowTitle(true);
    bar.desktop.bar->availableWidth.accept(2 * Velmora::TaskbarViewModel::minimumTitledButtonWidth - 1);
    bar.settle();
    EXPECT_EQ(titled(), (std::vector<bool>{false, false}));
}

TEST(Taskbar, TheMenuButtonTogglesTheMenuWhoseStateItFollowsWhileShown) {
    Bar bar;
    auto& view = *bar.view;
    EXPECT_NE(view.menuTint(), Taskbar::accentBlue());
    QTest::mouseClick(view.menuButton(), Qt::LeftButton, {}, QPoint(16, 16));
    bar.settle();
    EXPECT_TRUE(bar.desktop.bar->showingMainMenu.value());
    EXPECT_EQ(view.menuTint(), Taskbar::accentBlue()) << "blue while open";

    QTest::mousePress(view.menuButton(), Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_LT(view.menuImageOpacity(), 1.0);
    QTest::mouseRelease(view.menuButton(), Qt::LeftButton, {}, QPoint(16, 16));
    bar.settle();
    EXPECT_FALSE(bar.desktop.bar->showingMainMenu.value());
    EXPECT_FALSE(view.showingMainMenu());
    EXPECT_EQ(view.menuImageOpacity(), 1.0);

    view.hide();
    bar.desktop.bar->showingMainMenu.accept(true);
    EXPECT_FALSE(view.showingMainMenu());
    view.show();
    bar.settle();
    EXPECT_TRUE(view.showingMainMenu());
}

TEST(Taskbar, EachAppearanceStartsTheScanAndTheUpdateCheckAndTheBodySlidesDownWhileHidden) {
    Bar bar;
    EXPECT_EQ(bar.updates->checks, 1);
    // The scan waits on the test's queue.
    EXPECT_TRUE(Velmora::MainMenuViewModel::cachedInstalledApps().empty());
    EXPECT_EQ(bar.scans->runAll(), 1u);
    bar.settle();
    EXPECT_FALSE(Velmora::MainMenuViewModel::cachedInstalledApps().empty());
    bar.view->hide();
    bar.view->show();
    bar.settle();
    EXPECT_EQ(bar.updates->checks, 2);
    EXPECT_EQ(bar.scans->pendingCount(), 0u) << "a filled list is not scanned again";

    auto shownY = bar.view->body()->y();
    bar.desktop.bar->show.set(false);
    bar.settle();
    EXPECT_EQ(bar.view->body()->y(), shownY + 80);
    bar.desktop.bar->show.set(true);
    bar.settle();
    EXPECT_EQ(bar.view->body()->y(), shownY);
}

TEST(BarSnapshots, EachLayout) {
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::dark);
    std::vector<QImage> images;
    for (auto theme :
         {TaskbarTheme::fullscreenLeft, TaskbarTheme::fullscreenCenter, TaskbarTheme::centered}) {
        Bar bar(1000);
        bar.desktop.settings->taskbarTheme.accept(theme);
        bar.settle();
        QImage& image = images.emplace_back(1000, 86, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(0x5a, 0x7d, 0xa8));
        QPainter painter(&image);
        bar.view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    test_support::expectMatchesReference(test_support::snapshotSheet(images, Qt::Vertical, 10, 0, Qt::white),
                                         "taskbar-layouts");
    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
}
