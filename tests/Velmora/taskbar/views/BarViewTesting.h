#pragma once

#include "Brindle/MainQueue.h"
#include "Velmora/settings/UpdateManager.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/taskbar/views/Taskbar.h"
#include "Velmora/taskbar/views/TaskbarButton.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"

namespace bar_view_testing {

using bar_testing::Strings;

// The button scenario on the widget tests' loop.
using Desktop = bar_testing::ButtonsDesktop<platform::qt::GuiTestLoop>;

// Fixed colours, whatever the machine's palette.
struct FixedAppearance {
    static inline const QColor accent{0x0a, 0x84, 0xff};
    explicit FixedAppearance(platform::qt::ColorScheme scheme = platform::qt::ColorScheme::light) {
        platform::qt::Appearance::shared()->setAccentColorOverride(accent);
        platform::qt::Appearance::shared()->setColorSchemeOverride(scheme);
    }
    ~FixedAppearance() {
        platform::qt::Appearance::shared()->setAccentColorOverride(std::nullopt);
        platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
    }
};

// Counts the checks instead of asking the server.
struct CountingUpdates : Velmora::UpdateManager {
    CountingUpdates() : UpdateManager("http://127.0.0.1:9/api/v0") {}
    void checkForUpdate() override { ++checks; }
    int checks = 0;
};

// The demo desktop and one shown bar on a bar-sized, screen-wide window.
struct Bar {
    explicit Bar(int width = 1440) {
        Velmora::MainMenuViewModel::setCachedInstalledApps({});
        Brindle::setGlobalUserInteractiveQueue(scans);
        view = std::make_unique<Velmora::Taskbar>(desktop.manager, desktop.settings,
                                                  Brindle::make<Velmora::TimeManager>(), nullptr, desktop.bar,
                                                  updates);
        view->resize(width, 86);
        view->move(0, 900 - 86);
        view->show();
        settle();
    }
    ~Bar() {
        view.reset();
        Brindle::setGlobalUserInteractiveQueue(nullptr);
        Velmora::MainMenuViewModel::setCachedInstalledApps({});
    }

    void settle() {
        desktop.loop.runUntilIdle();
        desktop.loop.advance(1.0);
    }

    static Strings titles(const std::vector<Velmora::TaskbarButton*>& buttons) {
        Strings result;
        for (auto* button : buttons) result.push_back(button->viewModel()->title);
        return result;
    }

    Desktop desktop;
    // The installed-application scans wait here.
    std::shared_ptr<platform::testing::ManualDispatchQueue> scans =
        std::make_shared<platform::testing::ManualDispatchQueue>("scans");
    std::shared_ptr<CountingUpdates> updates = std::make_shared<CountingUpdates>();
    std::unique_ptr<Velmora::Taskbar> view;
};

}  // namespace bar_view_testing
