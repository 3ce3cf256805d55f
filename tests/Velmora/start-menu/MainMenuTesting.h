#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Brindle/MainQueue.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/foundation/FileManager.h"
#include "platform/system/Screen.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/DesktopHarness.h"
#include "tests/support/TemporaryFolder.h"

namespace menu_testing {

using test_support::app;
using test_support::installed;

inline std::vector<std::string> titles(const Velmora::TaskList& tasks, bool sorted = false) {
    std::vector<std::string> result;
    for (const auto& task : tasks) result.push_back(task->title);
    if (sorted) std::sort(result.begin(), result.end());
    return result;
}

// A task of no running application, under an address of the test's choosing.
inline std::shared_ptr<Velmora::Task> task(const std::string& title,
                                           const std::string& bundle = "/Applications/X.app/") {
    return Brindle::make<Velmora::Task>(nullptr, 1, *platform::URL::fromString(bundle), false, 0, title,
                                        std::nullopt, Velmora::Windows{});
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
        clearCaches();
    }
    ~MenuHarness() {
        clearCaches();
        platform::FileManager::setHomeDirectory(std::nullopt);
        Brindle::setGlobalUserInteractiveQueue(nullptr);
    }
    static void clearCaches() {
        Velmora::MainMenuViewModel::setCachedInstalledApps({});
        Velmora::MainMenuViewModel::setCachedRecommendedApps({});
    }

    // A menu as the bar opens it, on the first screen; each close is counted, each shell command kept.
    std::shared_ptr<Velmora::MainMenuViewModel> makeModel(Velmora::TaskList installedApps = {}) {
        return Brindle::make<Velmora::MainMenuViewModel>(
            std::move(installedApps), Velmora::TaskList{}, Velmora::TaskList{}, false, false, "", 12.0,
            platform::Screens::screens().at(0), [this] { ++closes; }, services());
    }
    Velmora::MainMenuServices services() {
        return {this->manager, [this](const std::string& command) {
                    commands.push_back(command);
                    return std::string();
                }};
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
