#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/taskbar/views/ClockView.h"
#include "tests/Velmora/taskbar/views/BarViewTesting.h"

using bar_view_testing::Bar;
using Strings = std::vector<std::string>;
using Velmora::Taskbar;

TEST(Taskbar, ShowsPinnedThenOtherButtonsBetweenSeparatorsAndTheClock) {
    Bar bar;
    auto& view = *bar.view;
    EXPECT_EQ(Bar::titles(view.pinnedButtons()), Strings{"Photos"});
    EXPECT_EQ(Bar::titles(view.otherButtons()), (Strings{"Notes", "Music", "Mail"}));
    EXPECT_TRUE(view.firstSeparator()->isVisible());
    EXPECT_TRUE(view.secondSeparator()->isVisible());
    auto pinnedX = view.pinnedButtons()[0]->mapTo(&view, QPoint()).x();
    auto secondX = view.secondSeparator()->mapTo(&view, QPoint()).x();
    auto notesX = view.otherButtons()[0]->mapTo(&view, QPoint()).x();
    EXPECT_LT(view.firstSeparator()->mapTo(&view, QPoint()).x(), pinnedX);
    EXPECT_LT(pinnedX, secondX);
    EXPECT_LT(secondX, notesX);

    ASSERT_TRUE(view.clock()->isVisible());
    EXPECT_FALSE(view.clock()->timeLabel()->text().isEmpty());
    EXPECT_FALSE(view.clock()->dateLabel()->text().isEmpty());
    EXPECT_GT(view.clock()->mapTo(&view, QPoint()).x(), notesX);

    // Each button told the model where it is.
    for (const auto& model : bar.desktop.bar->tasks.value())
        EXPECT_TRUE(bar.desktop.bar->taskBounds.contains(model->task->bundlePath)) << model->title;
    EXPECT_GT(bar.desktop.bar->menuButtonFrame.origin.x, 0.0);
}

TEST(Taskbar, NoPinnedApplicationLeavesOutTheSecondSeparator) {
    Bar bar;
    bar.desktop.model("Photos")->isPinned.accept(false);
    bar.settle();
    EXPECT_TRUE(bar.view->pinnedButtons().empty());
    EXPECT_EQ(Bar::titles(bar.view->otherButtons()), (Strings{"Notes", "Music", "Mail"}))
        << "neither pinned nor running, Photos leaves";
    EXPECT_TRUE(bar.view->firstSeparator()->isVisible());
    EXPECT_FALSE(bar.view->secondSeparator()->isVisible());
}

TEST(Taskbar, AVanishedApplicationsButtonGoesAndTheRowIsMeasuredAgain) {
    Bar bar;
    auto before = bar.desktop.bar->menuButtonFrame.origin.x;
    ASSERT_TRUE(bar.desktop.desktop->quit(502));
    bar.desktop.refresh();
    // The button closes, then its model leaves the list.
    bar.desktop.loop.advance(2.0);
    EXPECT_EQ(Bar::titles(bar.view->otherButtons()), (Strings{"Notes", "Mail"}));
    EXPECT_GT(bar.desktop.bar->menuButtonFrame.origin.x, before);
}

TEST(Taskbar, TheMenuButtonTogglesTheMenuAndStaysBlueWhileItIsOpen) {
    Bar bar;
    auto& view = *bar.view;
    auto idle = view.menuTint();
    EXPECT_NE(idle, Taskbar::accentBlue());
    QTest::mouseClick(view.menuButton(), Qt::LeftButton, {}, QPoint(16, 16));
    bar.settle();
    EXPECT_TRUE(bar.desktop.bar->showingMainMenu.value());
    EXPECT_TRUE(view.showingMainMenu());
    EXPECT_EQ(view.menuTint(), Taskbar::accentBlue());

    QTest::mousePress(view.menuButton(), Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_LT(view.menuImageOpacity(), 1.0);
    QTest::mouseRelease(view.menuButton(), Qt::LeftButton, {}, QPoint(16, 16));
    bar.settle();
    EXPECT_FALSE(bar.desktop.bar->showingMainMenu.value());
    EXPECT_FALSE(view.showingMainMenu());
    EXPECT_EQ(view.menuImageOpacity(), 1.0);
}

TEST(Taskbar, TitlesOnlyWhenSetAndThereIsRoomAndNeverOnPinnedButtons) {
    Bar bar;
    auto titled = [&] {
        std::vector<bool> result;
        for (auto* button : bar.view->pinnedButtons()) result.push_back(button->showTitles());
        for (auto* button : bar.view->otherButtons()) result.push_back(button->showTitles());
        return result;
    };
    ASSERT_TRUE(bar.desktop.settings->showTitle());
    EXPECT_EQ(titled(), (std::vector<bool>{false, true, true, true}));
    EXPECT_LE(bar.view->otherButtons()[0]->width(), Taskbar::titledButtonMaximumWidth);
    EXPECT_EQ(bar.view->pinnedButtons()[0]->width(), Taskbar::buttonWidth);

    bar.desktop.settings->setShowTitle(false);
    bar.settle();
    EXPECT_EQ(titled(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(bar.view->otherButtons()[0]->width(), Taskbar::buttonWidth);

    bar.desktop.settings->setShowTitle(true);
    bar.desktop.bar->availableWidth.accept(4 * Velmora::TaskbarViewModel::minimumTitledButtonWidth - 1);
    bar.settle();
    EXPECT_EQ(titled(), (std::vector<bool>{false, false, false, false}));
}

TEST(Taskbar, SlidesDownByItsHeightWhileHiddenAndBack) {
    Bar bar;
    auto& view = *bar.view;
    auto shownY = view.body()->y();
    bar.desktop.bar->show.set(false);
    bar.settle();
    EXPECT_EQ(view.body()->y(), shownY + 80);
    bar.desktop.bar->show.set(true);
    bar.settle();
    EXPECT_EQ(view.body()->y(), shownY);
}

TEST(Taskbar, EachAppearanceStartsTheScanAndTheUpdateCheck) {
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
    // A filled list is not scanned again.
    EXPECT_EQ(bar.scans->pendingCount(), 0u);
}

TEST(Taskbar, TheMenuStateIsFollowedOnlyWhileShown) {
    Bar bar;
    bar.view->hide();
    bar.desktop.bar->showingMainMenu.accept(true);
    EXPECT_FALSE(bar.view->showingMainMenu());
    bar.view->show();
    bar.settle();
    EXPECT_TRUE(bar.view->showingMainMenu());
}
