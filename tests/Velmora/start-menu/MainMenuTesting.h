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
#include "tests/support/SimulatedDesktopTesting.h"

namespace menu_testing {

// One installed bundle of a scenario.
inline std::string app(const std::string& name, const std::string& identifier,
                       const std::string& bundle = std::string()) {
    std::string json = R"({"name": ")" + name + R"(", "bundleIdentifier": ")" + identifier + '"';
    if (!bundle.empty()) json += R"(, "bundle": ")" + bundle + '"';
    return json + "}";
}

// A scenario with the given installed bundles and nothing running.
inline std::string installed(const std::vector<std::string>& bundles) {
    std::string json = R"({"installed": [)";
    for (std::size_t index = 0; index < bundles.size(); ++index) json += (index ? "," : "") + bundles[index];
    return json + "]}";
}

inline std::vector<std::string> titles(const Velmora::TaskList& tasks) {
    std::vector<std::string> result;
    for (const auto& task : tasks) result.push_back(task->title);
    return result;
}

inline std::vector<std::string> sorted(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

// Everything the menu reaches, in a sandbox: a simulated desktop, fresh user defaults and
// settings, a home folder of its own, inline queues (the user-interactive one included), an
// application manager over them, a recording shell runner and empty menu caches. The test's main
// loop must exist before it and outlive it.
struct MenuHarness {
    explicit MenuHarness(const std::string& json = "{}",
                         std::shared_ptr<platform::DispatchQueue> userInteractive =
                             std::make_shared<platform::testing::InlineDispatchQueue>("user-interactive"))
        : defaults(freshDefaults()),
          desktop(test_support::loadDesktop(json)),
          installedSystem(desktop),
          factory(platform::testing::ScopedDispatchFactory::inlineQueues()),
          settings(Brindle::make<Velmora::SettingsManager>()),
          manager(Brindle::make<Velmora::ApplicationManager>(settings)) {
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
        std::filesystem::remove_all(home.parent_path());
        Brindle::setGlobalUserInteractiveQueue(nullptr);
        platform::UserDefaults::setStandard(nullptr);
        std::filesystem::remove(defaults);
    }

    Velmora::MainMenuServices services() {
        return {manager, [this](const std::string& command) {
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

    std::vector<std::string> actionNames() const { return desktop->actionNames(); }
    std::vector<platform::sim::DesktopAction> actions(const std::string& name) const {
        std::vector<platform::sim::DesktopAction> found;
        for (const auto& action : desktop->actions())
            if (action.name == name) found.push_back(action);
        return found;
    }
    // The address of an installed bundle, as the scan spells it.
    std::string address(const std::string& title) const {
        for (const auto& task : manager->loadInstalledTasks(false))
            if (task->title == title) return task->bundlePath.absoluteString();
        ADD_FAILURE() << "nothing installed is called " << title;
        return {};
    }

    static std::filesystem::path scratch() {
        static int counter = 0;
        return std::filesystem::temp_directory_path() /
               ("velmora-menu-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    }

    std::filesystem::path home = scratch() / "home folder";
    std::filesystem::path defaults;
    std::shared_ptr<platform::sim::SimulatedDesktop> desktop;
    platform::ScopedSystem installedSystem;
    platform::testing::ScopedDispatchFactory factory;
    std::shared_ptr<Velmora::SettingsManager> settings;
    std::shared_ptr<Velmora::ApplicationManager> manager;
    std::vector<std::string> commands;
    int closes = 0;

private:
    std::filesystem::path freshDefaults() {
        auto path = scratch().string() + "-defaults.json";
        platform::UserDefaults::setStandard(std::make_shared<platform::UserDefaults>(path));
        return path;
    }
};

}  // namespace menu_testing
