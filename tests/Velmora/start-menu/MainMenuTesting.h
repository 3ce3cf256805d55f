#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Brindle/MainQueue.h"
#include "Brindle/Object.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Screen.h"
#include "platform/system/System.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/DesktopHarness.h"
#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

namespace menu_testing {

using test_support::app;
using test_support::installed;

inline std::vector<std::string> titles(const Velmora::TaskList& tasks) {
    std::vector<std::string> result;
    for (const auto& task : tasks) result.push_back(task->title);
    return result;
}

inline std::vector<std::string> sorted(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

// Everything the menu reaches, in a sandbox: the shared desktop harness with background work run
// at once (the user-interactive queue included), a home folder of its own, a recording shell
// runner and empty menu caches.
template <class Loop = platform::testing::VirtualMainLoop>
struct MenuHarness : test_support::DesktopHarness<Loop> {
    explicit MenuHarness(const std::string& json = "{}",
                         std::shared_ptr<platform::DispatchQueue> userInteractive =
                             std::make_shared<platform::testing::InlineDispatchQueue>("user-interactive"))
        : test_support::DesktopHarness<Loop>(json, test_support::Background::runsAtOnce) {
        Brindle::setGlobalUserInteractiveQueue(std::move(userInteractive));
        std::filesystem::create_directories(home);
        platform::FileManager::setHomeDirectory(home.string());
        Velmora::MainMenuViewModel::setCachedInstalledApps({});
        Velmora::MainMenuViewModel::setCachedRecommendedApps({});
    }

    ~MenuHarness() {
        Velmora::MainMenuViewModel::setCachedInstalledApps({});
        Velmora::MainMenuViewModel::setCachedRecommendedApps({});
        platform::FileManager::setHomeDirectory(std::nullopt);
        Brindle::setGlobalUserInteractiveQueue(nullptr);
    }

    Velmora::MainMenuServices services() {
        return {this->manager, [this](const std::string& command) {
                    commands.push_back(command);
                    return std::string();
                }};
    }

    // A menu as the bar opens it, on the first screen; each close is counted.
    std::shared_ptr<Velmora::MainMenuViewModel> makeModel(Velmora::TaskList installedApps = {},
                                                          Velmora::TaskList recommendedApps = {}) {
        return Brindle::make<Velmora::MainMenuViewModel>(
            std::move(installedApps), std::move(recommendedApps), Velmora::TaskList{}, false, false, "", 12.0,
            platform::Screens::screens().at(0), [this] { ++closes; }, services());
    }

    std::vector<platform::sim::DesktopAction> actions(const std::string& name) const {
        std::vector<platform::sim::DesktopAction> found;
        for (const auto& action : this->desktop->actions())
            if (action.name == name) found.push_back(action);
        return found;
    }
    // The address of an installed bundle, as the scan spells it.
    std::string address(const std::string& title) const {
        for (const auto& task : this->manager->loadInstalledTasks(false))
            if (task->title == title) return task->bundlePath.absoluteString();
        ADD_FAILURE() << "nothing installed is called " << title;
        return {};
    }

    test_support::TemporaryFolder scratch;
    std::filesystem::path home = std::filesystem::path(scratch.path()) / "home folder";
    std::vector<std::string> commands;
    int closes = 0;
};

}  // namespace menu_testing
