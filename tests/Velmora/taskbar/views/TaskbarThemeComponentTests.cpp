#include <gtest/gtest.h>

#include <QLabel>
#include <vector>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/taskbar/views/TaskbarThemeComponent.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/support/FreshDefaults.h"

using Velmora::TaskbarTheme;
using Velmora::TaskbarThemeComponent;
using Velmora::TaskbarThemeSettings;

namespace {

struct Component {
    Component() {
        view = std::make_unique<TaskbarThemeComponent>(
            content, [this](const TaskbarThemeSettings& table) { tables.push_back(table); }, settings);
    }

    platform::qt::GuiTestLoop loop;
    test_support::FreshDefaults defaults;
    std::shared_ptr<Velmora::SettingsManager> settings = Brindle::make<Velmora::SettingsManager>();
    QLabel* content = new QLabel("content");
    std::vector<TaskbarThemeSettings> tables;
    std::unique_ptr<TaskbarThemeComponent> view;
};

}  // namespace

TEST(TaskbarThemeComponent, HandsItsContentTheCurrentLayoutAndFollowsTheSetting) {
    Component fixture;
    auto& view = *fixture.view;
    ASSERT_EQ(fixture.tables.size(), 1u) << "before it is shown";
    EXPECT_EQ(fixture.tables[0], TaskbarTheme(TaskbarTheme::centered).settings());
    EXPECT_EQ(view.content(), fixture.content);
    EXPECT_EQ(fixture.content->parentWidget(), &view);

    fixture.settings->taskbarTheme.accept(TaskbarTheme::fullscreenLeft);
    EXPECT_EQ(fixture.tables.size(), 1u) << "not followed before it appears";
    view.show();
    fixture.loop.runUntilIdle();
    ASSERT_EQ(fixture.tables.size(), 2u) << "the replayed setting";
    EXPECT_EQ(view.theme(), TaskbarTheme::fullscreenLeft);
    EXPECT_EQ(fixture.tables[1], TaskbarTheme(TaskbarTheme::fullscreenLeft).settings());

    fixture.settings->taskbarTheme.accept(TaskbarTheme::fullscreenLeft);
    EXPECT_EQ(fixture.tables.size(), 2u) << "an equal value changes nothing";
    fixture.settings->taskbarTheme.accept(TaskbarTheme::fullscreenCenter);
    EXPECT_EQ(fixture.tables.size(), 3u);
}

TEST(TaskbarThemeComponent, ShownAgainItStillAppliesEachChangeOnce) {
    Component fixture;
    for (int i = 0; i < 3; ++i) {
        fixture.view->show();
        fixture.loop.runUntilIdle();
        fixture.view->hide();
    }
    fixture.settings->taskbarTheme.accept(TaskbarTheme::fullscreenCenter);
    fixture.settings->taskbarTheme.accept(TaskbarTheme::centered);
    EXPECT_EQ(fixture.tables.size(), 3u);

    fixture.view.reset();
    fixture.settings->taskbarTheme.accept(TaskbarTheme::fullscreenLeft);
    EXPECT_EQ(fixture.tables.size(), 3u) << "gone with the view";
}
