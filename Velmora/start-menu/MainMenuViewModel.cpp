#include "Velmora/start-menu/MainMenuViewModel.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "Brindle/Shell.h"
#include "Velmora/tracking/App.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/base/Animation.h"
#include "platform/system/DesktopSession.h"

namespace Velmora {
namespace {

struct Caches {
    std::mutex mutex;
    TaskList installed;
    TaskList recommended;
};

Caches& caches() {
    static auto* caches = new Caches();
    return *caches;
}

}  // namespace

MainMenuServices MainMenuServices::standard() {
    return {ApplicationManager::shared(),
            [](const std::string& command) { return Brindle::runShellCommand(command); }};
}

MainMenuViewModel::MainMenuViewModel(TaskList installedApps, TaskList recommendedApps, TaskList searchResult,
                                     bool showPowerOptions, bool showTamberOptions, std::string searchText,
                                     double cornerRadius, platform::Screen screen, CloseClosure closeClosure,
                                     MainMenuServices services)
    : installedApps(std::move(installedApps)),
      recommendedApps(std::move(recommendedApps)),
      searchResult(std::move(searchResult)),
      showPowerOptions(showPowerOptions),
      showTamberOptions(showTamberOptions),
      searchText(std::move(searchText)),
      searchEngine(Brindle::make<SearchEngine>()),
      cornerRadius(cornerRadius),
      screen(std::move(screen)),
      closeClosure(std::move(closeClosure)),
      services_(std::move(services)) {}

TaskList MainMenuViewModel::cachedInstalledApps() {
    std::lock_guard lock(caches().mutex);
    return caches().installed;
}

void MainMenuViewModel::setCachedInstalledApps(TaskList tasks) {
    std::lock_guard lock(caches().mutex);
    caches().installed = std::move(tasks);
}

TaskList MainMenuViewModel::cachedRecommendedApps() {
    std::lock_guard lock(caches().mutex);
    return caches().recommended;
}

void MainMenuViewModel::setCachedRecommendedApps(TaskList tasks) {
    std::lock_guard lock(caches().mutex);
    caches().recommended = std::move(tasks);
}

std::vector<FolderLink> MainMenuViewModel::folderLinks() {
    using Folder = platform::DesktopSession::Folder;
    struct Row {
        const char* title;
        const char* systemImage;
        const char* relativePath;
        std::optional<Folder> named;
    };
    static constexpr Row rows[] = {{"Desktop", "desktopcomputer", "Desktop/", Folder::desktop},
                                   {"Home", "house", "", std::nullopt},
                                   {"Downloads", "square.and.arrow.down", "Downloads/", Folder::downloads},
                                   {"Trash", "trash", ".Trash/", std::nullopt}};
    // A Linux desktop names these folders in the user's language, wherever the user keeps them.
    auto session = platform::DesktopSession::shared();
    std::vector<FolderLink> links;
    for (const auto& row : rows) {
        std::optional<std::string> named;
        if (session && row.named) named = session->folder(*row.named);
        if (auto directory = named ? Directory::makeForPath(*named) : Directory::make(row.relativePath))
            links.push_back({row.title, row.systemImage, std::move(directory)});
    }
    return links;
}

std::shared_ptr<Task> MainMenuViewModel::terminalApplication() const {
    // A Linux desktop has its own default terminal instead.
    if (platform::DesktopSession::shared()) return nullptr;
    auto terminals = App::resolve(App::terminals(), *services_.applicationManager);
    return terminals.empty() ? nullptr : terminals.front();
}

bool MainMenuViewModel::opensSessionTerminal() const {
    auto session = platform::DesktopSession::shared();
    return session && session->canOpenTerminal();
}

std::shared_ptr<Task> MainMenuViewModel::systemSettingsApplication() const {
    auto session = platform::DesktopSession::shared();
    for (const auto& task : services_.applicationManager->loadInstalledTasks(false)) {
        if (session ? App(App::systemPreferences).matches(*task)
                    : task->bundleIdentifier == systemPreferencesBundleIdentifier)
            return task;
    }
    if (session) {
        std::printf("System settings: no settings application is installed\n");
        std::fflush(stdout);
    }
    return nullptr;
}

void MainMenuViewModel::toggleTamberOptions() {
    platform::withAnimation([this] {
        showTamberOptions.set(!showTamberOptions.value());
        showPowerOptions.set(false);
    });
}

void MainMenuViewModel::togglePowerOptions() {
    platform::withAnimation([this] {
        showTamberOptions.set(false);
        showPowerOptions.set(!showPowerOptions.value());
    });
}

void MainMenuViewModel::close() const {
    if (closeClosure) closeClosure();
}

}  // namespace Velmora
