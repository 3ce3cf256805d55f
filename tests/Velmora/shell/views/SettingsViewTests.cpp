#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <nlohmann/json.hpp>

#include "Velmora/settings/Bundle.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/shell/views/SettingsView.h"
#include "Velmora/shell/views/SettingsWindow.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/support/DesktopHarness.h"
#include "tests/support/SessionSystem.h"

using Velmora::Bundle;
using Velmora::MainMenuActivationKeys;
using Velmora::SettingsManager;
using Velmora::SettingsView;

namespace {

class SettingsViewTest : public ::testing::Test {
protected:
    void TearDown() override { loop.runUntilIdle(); }

    static std::optional<nlohmann::json> stored(const std::string& key) {
        auto data = platform::UserDefaults::standard()->dataForKey(key);
        return data ? std::optional(nlohmann::json::parse(*data)) : std::nullopt;
    }
    std::unique_ptr<SettingsView> makeView() {
        auto view = std::make_unique<SettingsView>(settings);
        view->show();
        loop.runUntilIdle();
        return view;
    }
    static void choose(QMenu* menu, const std::string& title) {
        for (QAction* action : menu->actions())
            if (action->text().toStdString() == title) return action->trigger();
        ADD_FAILURE() << "no item " << title;
    }
    static std::shared_ptr<const Bundle> bundle(Bundle::InfoDictionary info) {
        return std::make_shared<Bundle>(std::move(info));
    }

    test_support::DesktopHarness<platform::qt::GuiTestLoop> harness{"{}"};
    platform::qt::GuiTestLoop& loop = harness.loop;
    std::shared_ptr<SettingsManager>& settings = harness.settings;
};

}  // namespace

TEST_F(SettingsViewTest, ShowsTheVersionAndTheChoicesWritesNewOnesStraightBackAndTwoWindowsAgree) {
    Velmora::ScopedMainBundle main(
        bundle({{"CFBundleShortVersionString", std::string("1.4")}, {"CFBundleVersion", std::string("27")}}));
    settings->setMainMenuKeyboardShortcut(MainMenuActivationKeys::command);
    std::vector<Velmora::BaseWindow*> closed;
    auto window = Velmora::SettingsWindow::open(
        [&](const std::shared_ptr<Velmora::BaseWindow>& window) { closed.push_back(window.get()); },
        std::nullopt, settings);
    loop.runUntilIdle();
    EXPECT_EQ(window->title(), "Settings");
    EXPECT_TRUE(window->isKeyWindow());
    auto* view = window->settingsView();
    EXPECT_EQ(view->versionLabel()->text(), "Version 1.4 [27]");
    EXPECT_EQ(view->layoutButton()->text(), "Centered");
    EXPECT_EQ(view->shortcutButton()->text(), "Command-key");
    EXPECT_EQ(SettingsView::versionText(*bundle({{"CFBundleShortVersionString", std::string("2.0")}})),
              "Version 2.0 [?]");
    EXPECT_EQ(SettingsView::versionText(*bundle({{"CFBundleVersion", std::string("x")}})), "Version ? [?]");

    choose(view->layoutMenu(), "Fullscreen – show icons to the left");
    EXPECT_EQ(settings->taskbarTheme.value(), Velmora::TaskbarTheme::fullscreenLeft);
    EXPECT_EQ(stored(SettingsManager::themeKey), nlohmann::json(0));
    EXPECT_EQ(view->layoutButton()->text(), "Fullscreen – show icons to the left");
    // The same layout again is written again.
    platform::UserDefaults::standard()->setData(SettingsManager::themeKey, "2");
    choose(view->layoutMenu(), "Fullscreen – show icons to the left");
    EXPECT_EQ(stored(SettingsManager::themeKey), nlohmann::json(0));
    choose(view->shortcutMenu(), "Disable shortcut");
    EXPECT_EQ(settings->mainMenuKeyboardShortcut(), MainMenuActivationKeys::none);
    EXPECT_EQ(stored(SettingsManager::mainMenuShortcutKey), nlohmann::json::parse(R"({"none":{}})"));
    EXPECT_EQ(view->shortcutButton()->text(), "Disable shortcut");
    // The checkbox flips from its square or its label; another window follows instead of writing
    // its own state back.
    auto other = makeView();
    EXPECT_TRUE(view->titlesCheckbox()->isOn());
    QTest::mouseClick(view->titlesCheckbox()->label(), Qt::LeftButton);
    loop.runUntilIdle();
    EXPECT_FALSE(settings->showTitle());
    EXPECT_EQ(stored(SettingsManager::showTitlesKey), nlohmann::json(false));
    EXPECT_EQ(view->titlesCheckbox()->symbolName(), "square");
    EXPECT_FALSE(other->showTitlesChecked());
    EXPECT_FALSE(other->titlesCheckbox()->isOn());
    QTest::mouseClick(other->titlesCheckbox()->symbolView(), Qt::LeftButton);
    loop.runUntilIdle();
    EXPECT_TRUE(settings->showTitle());
    EXPECT_TRUE(view->showTitlesChecked());
    EXPECT_EQ(view->titlesCheckbox()->symbolName(), "checkmark.square");
    EXPECT_EQ(stored(SettingsManager::showTitlesKey), nlohmann::json(true));
    // Nothing of this window writes the running-monitor setting.
    EXPECT_EQ(stored(SettingsManager::showOnRunningMonitorKey), nlohmann::json(false));
    // A press that ends outside the row is no tap.
    QTest::mousePress(view->titlesCheckbox()->label(), Qt::LeftButton);
    QTest::mouseRelease(view->titlesCheckbox()->label(), Qt::LeftButton, {}, QPoint(-50, -50));
    EXPECT_TRUE(settings->showTitle());

    window->widget()->close();
    EXPECT_EQ(closed, std::vector<Velmora::BaseWindow*>{window.get()});
}

TEST_F(SettingsViewTest, ALinuxSessionNamesTheModifierKeysByItsOwnNamesAndStoresTheSameValues) {
    platform::ScopedSystem onLinux(std::make_shared<test_support::SessionSystem>(harness.desktop));
    settings->setMainMenuKeyboardShortcut(MainMenuActivationKeys::command);
    auto view = makeView();
    std::vector<std::string> menu;
    for (QAction* action : view->shortcutMenu()->actions()) menu.push_back(action->text().toStdString());
    EXPECT_EQ(menu, (std::vector<std::string>{"Disable shortcut", "Fn-key", "Control-key", "Alt-key",
                                              "Super-key"}));
    EXPECT_EQ(view->shortcutButton()->text().toStdString(), "Super-key");
    choose(view->shortcutMenu(), "Alt-key");
    EXPECT_EQ(stored(SettingsManager::mainMenuShortcutKey), nlohmann::json::parse(R"({"options":{}})"));
    EXPECT_EQ(view->shortcutButton()->text().toStdString(), "Alt-key");
}
