#pragma once

#include <algorithm>
#include <filesystem>

#include "Brindle/MainQueue.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "platform/foundation/FileManager.h"
#include "platform/system/Screen.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/DesktopHarness.h"
#include "tests/support/TemporaryFolder.h"

namespace menu_testing {

using test_support::app;
using test_support::installed;
using Strings = std::vector<std::string>;

inline Strings titles(const Velmora::TaskList& tasks, bool sorted = false) {
    Strings result;
    for (const auto& task : tasks) result.push_back(task->title);
    if (sorted) std::sort(result.begin(), result.end());
    return result;
}

// A task of no running application.
inline std::shared_ptr<Velmora::Task> task(const std::string& title) {
    return Brindle::make<Velmora::Task>(nullptr, 1, *platform::URL::fromString("/Applications/X.app/"), false,
                                        0, title, std::nullopt, Velmora::Windows{});
}

// Everything the menu reaches, in a sandbox: the shared desktop harness with background work run
// at once (the user-interactive queue too, unless the test gives its own), a home folder of its
// own, a recording shell runner and empty menu caches.
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

    // A menu as the bar opens it, on the first screen; each close is counted.
    std::shared_ptr<Velmora::MainMenuViewModel> makeModel(Velmora::TaskList installedApps = {}) {
        Velmora::MainMenuServices services{this->manager, [this](const std::string& command) {
                                               commands.push_back(command);
                                               return std::string();
                                           }};
        return Brindle::make<Velmora::MainMenuViewModel>(
            std::move(installedApps), Velmora::TaskList{}, Velmora::TaskList{}, false, false, "", 12.0,
            platform::Screens::screens().at(0), [this] { ++closes; }, std::move(services));
    }
    std::vector<platform::sim::DesktopAction> actions(const std::string& name) const {
        auto found = this->desktop->actions();
        std::erase_if(found, [&](const auto& action) { return action.name != name; });
        return found;
    }

    test_support::TemporaryFolder scratch;
    std::filesystem::path home = std::filesystem::path(scratch.path()) / "home folder";
    Strings commands;
    int closes = 0;
};

}  // namespace menu_testing
