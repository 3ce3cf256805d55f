#include <gtest/gtest.h>

#include <QLabel>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/taskbar/views/TaskbarThemeComponent.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/support/FreshDefaults.h"

using Velmora::TaskbarTheme;

TEST(TaskbarThemeComponent, HandsItsContentTheLayoutAndFollowsTheSettingOnceShownWhileItLives) {
    platform::qt::GuiTestLoop loop;
    test_support::FreshDefaults defaults;
    auto settings = Brindle::make<Velmora::SettingsManager>();
    auto* content = new QLabel("content");
    std::vector<Velmora::TaskbarThemeSettings> tables;
    auto view = std::make_unique<Velmora::TaskbarThemeComponent>(
        content, [&](const auto& table) { tables.push_back(table); }, settings);
    EXPECT_EQ(content->parentWidget(), view.get());
    settings->taskbarTheme.accept(TaskbarTheme::fullscreenLeft);
    EXPECT_EQ(tables.size(), 1u) << "not followed before it appears";
    for (int i = 0; i < 3; ++i) {
        view->show();
        loop.runUntilIdle();
        view->hide();
    }
    settings->taskbarTheme.accept(TaskbarTheme::fullscreenLeft);
    EXPECT_EQ(tables, (std::vector{TaskbarTheme(TaskbarTheme::centered).settings(),
                                   TaskbarTheme(TaskbarTheme::fullscreenLeft).settings()}))
        << "the replayed setting; an equal value changes nothing";
    settings->taskbarTheme.accept(TaskbarTheme::fullscreenCenter);
    EXPECT_EQ(tables.size(), 3u) << "shown again and again, it applies each change once";
    view.reset();
    settings->taskbarTheme.accept(TaskbarTheme::centered);
    EXPECT_EQ(tables.size(), 3u) << "gone with the view";
}
