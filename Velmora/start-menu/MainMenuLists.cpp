#include <algorithm>
#include <map>
#include <unordered_set>
#include <utility>

#include "Brindle/MainQueue.h"
#include "Brindle/StringExtensions.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/tracking/App.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/base/Animation.h"
#include "platform/system/Workspace.h"
#include "rx/Unit.h"

namespace Velmora {
namespace {

// Lists compare as the bar compares them, against the manager's own pinned list.
bool sameTasks(const TaskList& a, const TaskList& b, const ApplicationManager& manager) {
    return tasksEqual(a, b, bundlePaths(manager.settings()->pinnedApplications.value()));
}

std::vector<std::string> searchKeys(const Task& task) {
    std::vector<std::string> keys{task.title, task.bundlePath.absoluteString()};
    if (task.bundleIdentifier) keys.push_back(*task.bundleIdentifier);
    return keys;
}

// A grid identifies its cells by task: a task the search found under several keys shows once.
TaskList withoutRepeats(const TaskList& tasks) {
    std::unordered_set<platform::UUID> seen;
    TaskList result;
    for (const auto& task : tasks)
        if (seen.insert(task->id).second) result.push_back(task);
    return result;
}

}  // namespace

MainMenuViewModel::AppLists MainMenuViewModel::computeAppLists(ApplicationManager& manager) {
    AppLists lists;
    lists.installed = manager.loadInstalledTasks(true);
    auto resolved = App::resolve(App::recommendedApps(), manager);
    auto count = std::min(resolved.size() / gridColumns * gridColumns, maximumRecommended);
    lists.recommended.assign(resolved.begin(), resolved.begin() + static_cast<std::ptrdiff_t>(count));
    std::stable_sort(lists.recommended.begin(), lists.recommended.end(), [](const auto& a, const auto& b) {
        return Brindle::lowercased(a->title) < Brindle::lowercased(b->title);
    });
    return lists;
}

void MainMenuViewModel::preloadApps() { preloadApps(ApplicationManager::shared()); }

void MainMenuViewModel::preloadApps(std::shared_ptr<ApplicationManager> manager) {
    if (!cachedInstalledApps().empty()) return;
    Brindle::globalUserInteractiveQueue()->async([manager = std::move(manager)] { loadAppLists(manager); });
}

void MainMenuViewModel::loadAppLists(const std::shared_ptr<ApplicationManager>& manager) {
    auto lists = computeAppLists(*manager);
    Brindle::runOnMainQueue([lists = std::move(lists)] {
        setCachedInstalledApps(lists.installed);
        setCachedRecommendedApps(lists.recommended);
    });
}

void MainMenuViewModel::reloadApps() {
    // The background compares with the lists as they are now, not as they may be by then.
    auto work = [weak = weakAs<MainMenuViewModel>(), manager = services_.applicationManager,
                 installed = installedApps.value(), recommended = recommendedApps.value()] {
        auto lists = computeAppLists(*manager);
        if (!sameTasks(lists.installed, installed, *manager)) {
            Brindle::runOnMainQueue([weak, tasks = lists.installed] {
                platform::withAnimation([&] {
                    if (auto self = weak.lock()) self->installedApps.set(tasks);
                    setCachedInstalledApps(tasks);
                });
            });
        }
        if (!sameTasks(lists.recommended, recommended, *manager)) {
            Brindle::runOnMainQueue([weak, tasks = lists.recommended] {
                platform::withAnimation([&] {
                    if (auto self = weak.lock()) self->recommendedApps.set(tasks);
                    setCachedRecommendedApps(tasks);
                });
            });
        }
        Brindle::runOnMainQueue([weak] {
            if (auto self = weak.lock()) self->reindexSearch();
        });
    };
    Brindle::globalUserInteractiveQueue()->async(std::move(work));
}

void MainMenuViewModel::reindexSearch() {
    searchEngine->removeAll();
    for (const auto& task : installedApps.value()) searchEngine->add(task, searchKeys(*task));
}

void MainMenuViewModel::updateSearch(const std::string& text) {
    searchText.set(text);
    searchResult.set(searchEngine->search(text));
}

std::vector<AppGroup> MainMenuViewModel::appSection(const std::optional<std::string>& title,
                                                    const TaskList& tasks) {
    std::map<std::string, TaskList> table;
    if (title) {
        // An empty list gives no group, so its header is not shown either.
        if (!tasks.empty()) table[*title] = withoutRepeats(tasks);
    } else {
        for (const auto& task : withoutRepeats(tasks)) {
            if (task->title.empty()) continue;
            table[Brindle::substringAt(task->title, 0)].push_back(task);
        }
    }
    // std::map orders its keys by plain byte comparison, which for UTF-8 is code point order.
    std::vector<AppGroup> groups;
    for (auto& [key, grouped] : table) groups.push_back({key, std::move(grouped)});
    return groups;
}

void MainMenuViewModel::launchApp(const std::shared_ptr<Task>& task) {
    Brindle::globalUserInteractiveQueue()->async([task, manager = services_.applicationManager] {
        platform::Workspace::shared()->open(task->bundlePath);
        manager->update.onNext(rx::Unit{});
    });
    close();
}

}  // namespace Velmora
