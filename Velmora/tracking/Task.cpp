#include "Velmora/tracking/Task.h"

#include <algorithm>

#include "Brindle/FileExtensions.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/tracking/PropertyList.h"
#include "platform/system/Workspace.h"

namespace Velmora {
namespace {

constexpr const char* finderBundleIdentifier = "com.apple.finder";

// Windows that are near each other, of one size and on the same screen edges count once. The
// window itself takes no part in the comparison.
struct DockedWindowComparison {
    explicit DockedWindowComparison(const Window& window)
        : window(&window), xBlock(truncatedInt64(window.x) / 150), yBlock(truncatedInt64(window.y) / 150) {}

    const Window* window;
    std::int64_t xBlock;
    std::int64_t yBlock;

    friend bool operator==(const DockedWindowComparison& a, const DockedWindowComparison& b) {
        return a.xBlock == b.xBlock && a.yBlock == b.yBlock && a.window->w == b.window->w &&
               a.window->h == b.window->h && a.window->fullscreenSides == b.window->fullscreenSides;
    }
};

bool isListed(const Task& task, const Window& window) {
    if (task.bundleIdentifier == finderBundleIdentifier) return window.h > 50 && window.layer == 0;
    return window.hasRealTitle && (window.isRealWindow || (window.w > 200 && window.h > 200));
}

// Whether at least two windows are visible, without collecting them: equality asks this of
// every task on every refresh.
bool hasSeveralVisibleWindows(const Task& task) {
    std::optional<DockedWindowComparison> first;
    for (const auto& window : task.windows) {
        if (!isListed(task, *window)) continue;
        DockedWindowComparison key(*window);
        if (!first)
            first = key;
        else if (!(key == *first))
            return true;
    }
    return false;
}

bool hasTallNormalWindow(const Windows& windows) {
    for (const auto& window : windows)
        if (window->h > 50 && window->layer == 0) return true;
    return false;
}

bool isRunningFinder(const Task& task) {
    return task.runningApplication && task.runningApplication->bundleIdentifier() == finderBundleIdentifier;
}

bool sameIdentity(const std::shared_ptr<platform::RunningApplication>& a,
                  const std::shared_ptr<platform::RunningApplication>& b) {
    if (!a || !b) return !a && !b;
    if (a == b) return true;
    return applicationIdentity(*a) == applicationIdentity(*b);
}

bool sameWindows(const Windows& a, const Windows& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t index = 0; index < a.size(); ++index)
        if (a[index] != b[index] && !(*a[index] == *b[index])) return false;
    return true;
}

AddressSet sharedPinnedAddresses() {
    return bundlePaths(SettingsManager::shared()->pinnedApplications.value());
}

}  // namespace

platform::URL applicationIdentity(const platform::RunningApplication& application) {
    if (auto url = application.bundleURL()) return *url;
    // A process id always makes a valid address.
    return *platform::URL::fromString("pid://" + std::to_string(application.processIdentifier()));
}

AddressSet bundlePaths(const TaskList& tasks) {
    AddressSet addresses;
    addresses.reserve(tasks.size());
    for (const auto& task : tasks) addresses.insert(task->bundlePath);
    return addresses;
}

std::vector<platform::URL> bundleAddresses(const TaskList& tasks) {
    std::vector<platform::URL> urls;
    urls.reserve(tasks.size());
    for (const auto& task : tasks) urls.push_back(task->bundlePath);
    return urls;
}

TaskList makePinnedTasks(const std::vector<platform::URL>& urls) {
    TaskList tasks;
    tasks.reserve(urls.size());
    for (const auto& url : urls) {
        auto task = Brindle::make<Task>(nullptr, static_cast<std::int64_t>(tasks.size()), url, false, 0, "",
                                        std::nullopt, Windows{});
        if (task->loadBundleInfo()) tasks.push_back(task);
    }
    return tasks;
}

Task::Task(std::shared_ptr<platform::RunningApplication> runningApplication, std::int64_t index,
           platform::URL bundlePath, bool isActive, std::int32_t processIdentifier, std::string title,
           std::optional<platform::Image> icon, Windows windows)
    : index(index),
      bundlePath(std::move(bundlePath)),
      runningApplication(std::move(runningApplication)),
      isActive(isActive),
      processIdentifier(processIdentifier),
      title(std::move(title)),
      icon(std::move(icon)),
      windows(std::move(windows)) {}

bool Task::loadBundleInfo() {
    auto text = bundlePath.absoluteString();
    if (!text.ends_with('/')) text += '/';
    text += "Contents/Info.plist";
    if (auto address = platform::URL::fromString(text)) {
        if (auto info = readPropertyList(*address)) {
            auto executable = stringEntry(*info, "CFBundleExecutable");
            if (auto name = stringEntry(*info, "CFBundleName"))
                title = *name;
            else if (executable)
                title = *executable;
            if (auto identifier = stringEntry(*info, "CFBundleIdentifier")) bundleIdentifier = *identifier;
            entryNames.clear();
            if (auto windowClass = stringEntry(*info, "StartupWMClass")) entryNames.push_back(*windowClass);
            if (executable) entryNames.push_back(executable->substr(executable->find_last_of('/') + 1));
        }
    }
    icon = platform::Workspace::shared()->iconForFile(Brindle::filePath(bundlePath));
    return true;
}

Windows Task::visibleWindows() const {
    Windows kept;
    std::vector<DockedWindowComparison> seen;
    for (const auto& window : windows) {
        if (!isListed(*this, *window)) continue;
        DockedWindowComparison key(*window);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        kept.push_back(window);
    }
    return kept;
}

bool Task::shouldShow() const { return shouldShow(sharedPinnedAddresses()); }

bool Task::shouldShow(const AddressSet& pinned) const {
    if (isRunningFinder(*this)) return hasTallNormalWindow(windows);
    if (!windows.empty()) return true;
    return pinned.contains(bundlePath);
}

std::shared_ptr<Task> Task::copy() const { return Brindle::make<Task>(*this); }

bool Task::isEqual(const Task& other, const AddressSet& pinned) const {
    if (this == &other) return true;
    if (!sameIdentity(runningApplication, other.runningApplication)) return false;
    if (isActive != other.isActive || title != other.title) return false;
    if (!sameWindows(windows, other.windows)) return false;
    if (index != other.index || badge != other.badge) return false;
    if (hasSeveralVisibleWindows(*this) != hasSeveralVisibleWindows(other)) return false;
    return shouldShow(pinned) == other.shouldShow(pinned);
}

bool operator==(const Task& a, const Task& b) {
    if (&a == &b) return true;
    return a.isEqual(b, sharedPinnedAddresses());
}

std::size_t Task::hashValue() const { return std::hash<platform::UUID>()(id); }

bool tasksEqual(const TaskList& a, const TaskList& b, const AddressSet& pinned) {
    if (a.size() != b.size()) return false;
    for (std::size_t index = 0; index < a.size(); ++index)
        if (!a[index]->isEqual(*b[index], pinned)) return false;
    return true;
}

bool tasksEqual(const TaskList& a, const TaskList& b) {
    if (a.size() != b.size()) return false;
    return tasksEqual(a, b, sharedPinnedAddresses());
}

}  // namespace Velmora
