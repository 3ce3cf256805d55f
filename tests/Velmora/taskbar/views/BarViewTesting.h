#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Brindle/MainQueue.h"
#include "Brindle/Object.h"
#include "Velmora/settings/UpdateManager.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/taskbar/views/Taskbar.h"
#include "Velmora/taskbar/views/TaskbarButton.h"
#include "tests/Velmora/taskbar/views/DesktopTesting.h"

namespace bar_view_testing {

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

    static std::vector<std::string> titles(const std::vector<Velmora::TaskbarButton*>& buttons) {
        std::vector<std::string> result;
        for (auto* button : buttons) result.push_back(button->viewModel()->title);
        return result;
    }

    button_views_testing::Desktop desktop;
    // The installed-application scans wait here.
    std::shared_ptr<platform::testing::ManualDispatchQueue> scans =
        std::make_shared<platform::testing::ManualDispatchQueue>("scans");
    std::shared_ptr<CountingUpdates> updates = std::make_shared<CountingUpdates>();
    std::unique_ptr<Velmora::Taskbar> view;
};

}  // namespace bar_view_testing
