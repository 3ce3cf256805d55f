#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Brindle/RxHelpers.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/taskbar/ButtonState.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "Velmora/taskbar/views/TaskbarButton.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Screen.h"
#include "platform/system/System.h"
#include "platform/testing/TestDispatchQueues.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"
#include "tests/support/DesktopHarness.h"

namespace button_views_testing {

using Strings = std::vector<std::string>;

using bar_testing::isIn;

// Notes is active, Music runs with one window, Mail with two (one minimised), and Photos is pinned
// but not running.
inline constexpr const char* desktopScenario = R"({
  "applications": [
    {"pid": 501, "name": "Notes", "bundleIdentifier": "com.example.notes", "active": true,
     "icon": "icons/notes.png", "windows": [{"title": "List", "frame": [100, 100, 600, 400]}]},
    {"pid": 502, "name": "Music", "bundleIdentifier": "com.example.music", "icon": "icons/music.png",
     "windows": [{"title": "Library", "frame": [50, 50, 700, 500]}]},
    {"pid": 503, "name": "Mail", "bundleIdentifier": "com.example.mail", "icon": "icons/mail.png",
     "windows": [{"title": "Inbox", "frame": [10, 25, 800, 600]},
                 {"title": "Draft", "frame": [900, 25, 300, 300], "minimized": true}]}],
  "installed": [{"name": "Photos", "bundleIdentifier": "com.example.photos", "icon": "icons/photos.png"}],
  "defaults": {"pinned": ["file:///Applications/Photos.app/"]}})";

// The simulated desktop, fresh settings, a manager and one bar after a real refresh, on the test's
// own loop. Refreshes wait on a manual queue until `refresh()` runs them.
struct Desktop : test_support::DesktopHarness<platform::qt::GuiTestLoop> {
    explicit Desktop(const std::string& json = desktopScenario)
        : DesktopHarness(json),
          bar(Brindle::make<Velmora::TaskbarViewModel>(platform::Screens::screens().at(0), controllers,
                                                       manager)) {
        refresh();
        desktop->clearActions();
        updates = 0;
    }

    std::shared_ptr<Velmora::TaskbarButtonViewModel> model(const std::string& title) const {
        for (const auto& button : bar->tasks.value())
            if (button->title == title) return button;
        ADD_FAILURE() << "no button " << title;
        std::abort();
    }

    // A shown button for the application's model.
    std::unique_ptr<Velmora::TaskbarButton> button(const std::string& title, bool showTitles = false) {
        auto view = std::make_unique<Velmora::TaskbarButton>(bar, model(title), showTitles);
        view->resize(showTitles ? 180 : 48, 80);
        view->show();
        loop.runUntilIdle();
        return view;
    }

    std::shared_ptr<bar_testing::FakeWindowControllers> controllers =
        std::make_shared<bar_testing::FakeWindowControllers>();
    std::shared_ptr<Velmora::TaskbarViewModel> bar;
};

}  // namespace button_views_testing
