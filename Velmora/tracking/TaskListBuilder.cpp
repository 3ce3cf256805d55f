#include <algorithm>
#include <charconv>
#include <unordered_map>

#include "Brindle/MainQueue.h"
#include "Brindle/QuickMap.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/tracking/App.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "Velmora/tracking/PropertyList.h"
#include "platform/system/Workspace.h"

namespace Velmora {
namespace {

using platform::RunningApplication;
using platform::URL;

// The label as a plain decimal integer: an optional ASCII sign and decimal digits only, within
// the 64-bit range.
std::optional<std::string> plainInteger(const std::string& label) {
    std::string_view digits(label);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '+' || negative)) digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9') return std::nullopt;
    const std::string text = negative ? "-" + std::string(digits) : std::string(digits);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return std::to_string(value);
}

// The first task of the list for each key, so that matching is a lookup instead of a search.
template <class Key, class KeyOf>
std::unordered_map<Key, const Task*> firstByKey(const TaskList& tasks, KeyOf keyOf) {
    std::unordered_map<Key, const Task*> index;
    index.reserve(tasks.size());
    for (const auto& task : tasks) index.try_emplace(keyOf(*task), task.get());
    return index;
}

// One task per application: a later task with the bundle address of an earlier one (another
// process of the same application, or a process a window lies about) gives its windows to the
// earlier task instead of standing beside it. Only tasks made in this build are written.
TaskList joinSameApplication(const TaskList& running) {
    std::unordered_map<URL, Task*> first;
    first.reserve(running.size());
    TaskList joined;
    joined.reserve(running.size());
    for (const auto& task : running) {
        auto [found, added] = first.try_emplace(task->bundlePath, task.get());
        if (added) {
            joined.push_back(task);
            continue;
        }
        found->second->isActive = found->second->isActive || task->isActive;
        auto& windows = found->second->windows;
        windows.insert(windows.end(), task->windows.begin(), task->windows.end());
    }
    return joined;
}

// The first task of each bundle address, in order.
TaskList firstOfEachApplication(const TaskList& tasks) {
    Brindle::QuickMap<URL> seen;
    TaskList kept;
    kept.reserve(tasks.size());
    for (const auto& task : tasks) {
        if (seen.contains(task->bundlePath)) continue;
        seen.insert(task->bundlePath);
        kept.push_back(task);
    }
    return kept;
}

// A pinned application that does not run. An entry pinned while its application ran still holds
// that run (its process, windows and whether it was active); none of it outlives the run.
std::shared_ptr<Task> notRunning(const Task& entry) {
    auto task = entry.copy();
    task->runningApplication = nullptr;
    task->isActive = false;
    task->processIdentifier = 0;
    task->windows.clear();
    return task;
}

}  // namespace

BadgeMap ApplicationManager::numericBadges(const std::optional<BadgeMap>& labels) {
    BadgeMap badges;
    if (!labels) return badges;
    for (const auto& [title, label] : *labels)
        if (auto number = plainInteger(label)) badges.emplace(title, std::move(*number));
    return badges;
}

std::string ApplicationManager::applicationTitle(const RunningApplication& application,
                                                 const Windows& windows) {
    auto name = application.localizedName();
    if (!name) {
        if (windows.empty()) return "";
        name = windows.front()->title;
    }
    if (!name->empty()) return *name;
    auto bundle = application.bundleURL();
    if (!bundle) return "";
    auto text = bundle->absoluteString();
    if (!text.ends_with('/')) text += '/';
    auto address = URL::fromString(text + "Contents/Info.plist");
    if (!address) return "";
    auto info = readPropertyList(*address);
    if (!info) return "";
    return stringEntry(*info, "CFBundleExecutable").value_or("");
}

TaskList ApplicationManager::mergePinnedTasks(const TaskList& running, const TaskList& pinned) {
    std::unordered_map<URL, std::size_t> firstRunning;
    firstRunning.reserve(running.size());
    for (std::size_t position = 0; position < running.size(); ++position)
        firstRunning.try_emplace(running[position]->bundlePath, position);

    TaskList merged;
    merged.reserve(pinned.size() + running.size());
    Brindle::QuickMap<URL> claimed;
    for (const auto& entry : pinned) {
        if (auto found = firstRunning.find(entry->bundlePath); found != firstRunning.end()) {
            merged.push_back(running[found->second]);
            claimed.insert(entry->bundlePath);
        } else {
            merged.push_back(notRunning(*entry));
        }
    }
    const auto pinnedCount = static_cast<std::int64_t>(pinned.size());
    for (std::size_t position = 0; position < running.size(); ++position) {
        const auto& task = running[position];
        if (claimed.contains(task->bundlePath)) continue;
        task->index = pinnedCount + static_cast<std::int64_t>(position);
        merged.push_back(task);
    }
    return merged;
}

void ApplicationManager::buildTaskList(const RefreshInput& input,
                                       std::function<void(UpdateDataResult)> completion) {
    const TaskList pinned = settings_->pinnedApplications.value();
    auto key = refreshKey(input, pinned);
    if (key) {
        std::lock_guard lock(mutex_);
        if (lastRefresh_ == key) return;
    }
    const auto applications =
        applicationsNotCoveredBy(platform::Workspace::shared()->runningApplications(), input.ignoredTasks);

    // One read of the window list for every application.
    std::vector<std::int32_t> processIdentifiers;
    processIdentifiers.reserve(applications.size());
    for (const auto& application : applications)
        processIdentifiers.push_back(application->processIdentifier());
    auto bridge = Brindle::make<WindowSystemUtils>();
    auto windows = windowsByProcess(applications, bridge->listedWindows(processIdentifiers));

    // An empty cache can hold no window: every lookup would miss and leave `isRealWindow` false.
    if (input.betterProcessInfo && input.betterProcessInfo->count() > 0) {
        for (const auto& [pid, list] : windows) {
            for (const auto& window : list) {
                if (auto cached = input.betterProcessInfo->get(window->frameKey()); cached && *cached) {
                    window->title = (*cached)->title;
                    window->hasRealTitle = !window->title.empty();
                    window->isRealWindow = true;
                } else {
                    window->isRealWindow = false;
                }
            }
        }
    }

    const auto byProcess =
        firstByKey<std::int32_t>(input.allTasks, [](const Task& task) { return task.processIdentifier; });
    const auto byBundle = firstByKey<URL>(input.allTasks, [](const Task& task) { return task.bundlePath; });
    static const Windows noWindows;
    TaskList running;
    running.reserve(applications.size());
    for (const auto& application : applications) {
        const auto pid = application->processIdentifier();
        const auto found = windows.find(pid);
        const Windows& own = found == windows.end() ? noWindows : found->second;

        // A previous task keeps its place and title; it is not written, as bars may show it.
        if (!input.allTasks.empty()) {
            if (auto previous = byProcess.find(pid); previous != byProcess.end()) {
                const Task& task = *previous->second;
                running.push_back(Brindle::make<Task>(application, task.index, task.bundlePath, task.isActive,
                                                      task.processIdentifier, task.title, task.icon, own));
                continue;
            }
            if (auto bundle = application->bundleURL()) {
                if (auto previous = byBundle.find(*bundle); previous != byBundle.end()) {
                    const Task& task = *previous->second;
                    running.push_back(Brindle::make<Task>(application, task.index, task.bundlePath, true, pid,
                                                          task.title, application->icon(), own));
                    continue;
                }
            }
        }

        if (application->activationPolicy() != platform::ActivationPolicy::regular) continue;
        const auto identifier = application->bundleIdentifier();
        if (!identifier || *identifier == velmoraBundleIdentifier) continue;
        // Tasks are known by their bundle address; without one there is nothing to key it by.
        const auto bundle = application->bundleURL();
        if (!bundle) continue;
        if (!application->localizedName() && own.empty()) continue;
        auto icon = application->icon();
        if (!icon) continue;
        running.push_back(Brindle::make<Task>(
            application, static_cast<std::int64_t>(pinned.size() + running.size()), *bundle, false, pid,
            applicationTitle(*application, own), std::move(icon), own));
    }
    for (const auto& task : running) task->isActive = task->runningApplication->isActive();
    running = joinSameApplication(running);

    auto ordered = mergePinnedTasks(running, pinned);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a->index < b->index; });
    // A bundle pinned twice still gives one task.
    ordered = firstOfEachApplication(ordered);

    auto badges = numericBadges(bridge->badges());
    assignBadges(ordered, badges);

    const auto pinnedNow = bundlePaths(settings_->pinnedApplications.value());
    TaskList kept;
    kept.reserve(ordered.size());
    for (const auto& task : ordered)
        if (task->shouldShow(pinnedNow)) kept.push_back(task);

    const bool unchanged = tasksEqual(kept, input.publishedTasks, pinnedNow) &&
                           input.settingsShowOnCurrentScreenOnly == settings_->showOnRunningMonitorOnly() &&
                           badges == input.badges;
    if (key) {
        // After a publication the next refresh starts from what is published now.
        if (!unchanged) {
            key->allTasks = key->publishedTasks = kept;
            key->allTaskIndexes.clear();
            for (const auto& task : kept) key->allTaskIndexes.push_back(task->index);
            key->badges = badges;
        }
        std::lock_guard lock(mutex_);
        lastRefresh_ = std::move(key);
        refreshVerified_.reset();
    }
    if (unchanged) return;
    Brindle::runOnMainQueue(
        [completion = std::move(completion), result = UpdateDataResult{std::move(kept), std::move(badges)}] {
            completion(result);
        });
}

}  // namespace Velmora
