#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/base/LogText.h"
#include "platform/foundation/FileManager.h"

namespace Velmora {
namespace {

using platform::URL;

// Keeps the first of equal addresses, in its place.
std::vector<URL> uniqueAddresses(const std::vector<URL>& addresses) {
    std::unordered_set<URL> seen;
    std::vector<URL> result;
    for (const auto& address : addresses)
        if (seen.insert(address).second) result.push_back(address);
    return result;
}

std::vector<URL> scanRoots() {
    std::vector<URL> roots{URL::fileURL("/Applications/", true)};
    auto files = platform::FileManager::shared();
    for (auto domain : {platform::SearchPathDomain::system, platform::SearchPathDomain::local}) {
        // A domain without an application folder adds no root.
        if (auto folder = files->url(platform::SearchPathDirectory::applicationDirectory, domain, true))
            roots.push_back(*folder);
    }
    return roots;
}

}  // namespace

std::vector<URL> ApplicationManager::folderAndSubfolders(const URL& folder) {
    std::vector<URL> result{folder};
    auto contents = platform::FileManager::shared()->contentsOfDirectory(folder);
    if (!contents) return result;
    for (const auto& item : *contents)
        if (item.absoluteString().ends_with('/')) result.push_back(item);
    return result;
}

TaskList ApplicationManager::loadInstalledTasks(bool rescan) {
    if (!rescan) {
        std::lock_guard lock(mutex_);
        if (!installedTasks_.empty()) return installedTasks_;
    }

    std::vector<URL> folders;
    for (const auto& root : scanRoots()) {
        auto found = folderAndSubfolders(root);
        folders.insert(folders.end(), found.begin(), found.end());
    }
    std::vector<URL> bundles;
    auto files = platform::FileManager::shared();
    for (const auto& folder : uniqueAddresses(folders)) {
        auto contents = files->contentsOfDirectory(folder);
        if (!contents) {
            std::printf("%s\n", platform::escapedForLog(contents.error().description).c_str());
            std::fflush(stdout);
            continue;
        }
        for (const auto& item : *contents)
            if (item.lastPathComponent().find(".app") != std::string::npos) bundles.push_back(item);
    }

    // Equal tasks have equal titles, so only tasks of one title need comparing.
    const auto pinned = bundlePaths(settings_->pinnedApplications.value());
    std::unordered_map<std::string, TaskList> byTitle;
    TaskList installed;
    for (const auto& bundle : uniqueAddresses(bundles)) {
        auto task = Brindle::make<Task>(nullptr, 1, bundle, false, 0, bundle.lastPathComponent(),
                                        std::nullopt, Windows{});
        task->loadBundleInfo();
        auto& sameTitle = byTitle[task->title];
        bool known = false;
        for (const auto& other : sameTitle) known = known || other->isEqual(*task, pinned);
        if (known) continue;
        sameTitle.push_back(task);
        installed.push_back(task);
    }

    std::lock_guard lock(mutex_);
    installedTasks_ = installed;
    return installed;
}

}  // namespace Velmora
