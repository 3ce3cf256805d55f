#include "Velmora/tracking/ApplicationManager.h"

#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "Brindle/RxHelpers.h"
#include "Velmora/settings/SettingsManager.h"
#include "platform/base/MainQueue.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Screen.h"
#include "platform/system/System.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"

namespace Velmora {

std::shared_ptr<ApplicationManager> ApplicationManager::shared() {
    static auto* instance =
        new std::shared_ptr<ApplicationManager>(Brindle::make<ApplicationManager>(SettingsManager::shared()));
    return *instance;
}

ApplicationManager::ApplicationManager(std::shared_ptr<SettingsManager> settings)
    : settings_(std::move(settings)) {
    allTasks.set(settings_->pinnedApplications.value());
}

void ApplicationManager::postInit() {
    Brindle::Object::postInit();
    const bool stress = platform::UserDefaults::standard()->boolForKey("stressTestThreads");
    const auto toTrue = [](rx::Unit) { return true; };
    // Equality of tasks asks the settings' pinned list; held weakly so that the settings' relay
    // does not keep its own observer's owner alive.
    const auto samePinned = [settings = std::weak_ptr<SettingsManager>(settings_)](const TaskList& a,
                                                                                   const TaskList& b) {
        auto current = settings.lock();
        return tasksEqual(a, b, current ? bundlePaths(current->pinnedApplications.value()) : AddressSet{});
    };
    auto triggers = rx::merge(std::vector<rx::Observable<bool>>{
        rx::Observable<bool>::just(true),
        update.map(toTrue),
        poll_.map(toTrue),
        Brindle::mapToVoid(settings_->pinnedApplications.distinctUntilChanged(samePinned)).map(toTrue),
    });
    // Every change of what a refresh reads besides the desktop and its window cache: the main
    // thread then compares afresh instead of trusting what it last found.
    const auto changed = [weak = weakAs<ApplicationManager>()](const auto&) {
        if (auto self = weak.lock()) self->inputsVersion_.fetch_add(1);
    };
    allTasks.asObservable().subscribe(changed).disposed(disposeBag_);
    tasksRelay.subscribe(changed).disposed(disposeBag_);
    settings_->pinnedApplications.subscribe(changed).disposed(disposeBag_);
    settings_->showOnRunningMonitorOnlyPublisher().subscribe(changed).disposed(disposeBag_);
    screensChangedToken_ = platform::NotificationCenter::defaultCenter()->addObserver(
        platform::Screens::didChangeNotification, changed);
    // The desktop tells its windows' changes: each burst asks for a refresh at once.
    windowsChangedToken_ = platform::Workspace::notificationCenter()->addObserver(
        platform::WindowList::didChangeNotification, [weak = weakAs<ApplicationManager>()](const auto&) {
            if (auto self = weak.lock()) self->update.onNext(rx::Unit{});
        });
    // The poll. Most of its ticks find nothing changed and end here, before the triggers' pipeline.
    // Not kept: the loop holds the timer until it invalidates itself.
    platform::MainQueue::scheduledTimer(
        stress ? 0.0 : pollPeriod, true, [weak = weakAs<ApplicationManager>()](platform::Timer& timer) {
            auto self = weak.lock();
            if (!self) return timer.invalidate();
            if (self->queuedRefreshes_.load() == 0 && self->refreshWouldStop()) return;
            self->poll_.onNext(rx::Unit{});
        });
    // One queue drained in order: refreshes never overlap and none is dropped. A trigger that finds
    // the queue empty and a refresh bound to stop at once is settled where it fires: most ticks
    // find an unchanged desktop, and a hop to the queue and back would cost more than the check.
    auto queue =
        std::make_shared<rx::ConcurrentDispatchQueueScheduler>(platform::QualityOfService::userInitiated);
    auto needed = triggers.filter([weak = weakAs<ApplicationManager>()](bool) {
        auto self = weak.lock();
        if (!self) return false;
        if (self->queuedRefreshes_.load() == 0 && self->refreshWouldStop()) return false;
        self->queuedRefreshes_.fetch_add(1);
        return true;
    });
    Brindle::subscribeNext(needed.observeOn(queue), false, [weak = weakAs<ApplicationManager>()](bool) {
        if (auto self = weak.lock()) self->refresh();
    }).disposed(disposeBag_);
}

void ApplicationManager::refresh() {
    buildTaskList(makeRefreshInput(), [weak = weakAs<ApplicationManager>()](UpdateDataResult result) {
        if (auto self = weak.lock()) self->publish(result);
    });
    queuedRefreshes_.fetch_sub(1);
}

bool ApplicationManager::refreshWouldStop() {
    // What `refreshKey` reads, compared in place: this runs on every tick of the poll.
    if (betterProcessInfo->count() > 0 ||
        settings_->showOnRunningMonitorOnly() != settingsShowOnCurrentScreenOnly.value_or(false))
        return false;
    const auto generation = platform::System::current()->generation();
    if (!generation) return false;
    // Read before the inputs, so that a change while they are read leaves a stale version.
    const Verified now{*generation, inputsVersion_.load()};
    {
        std::lock_guard lock(mutex_);
        if (refreshVerified_ == now) return true;
    }
    const auto tasks = allTasks.value();
    const auto published = tasksRelay.value();
    const auto pinned = settings_->pinnedApplications.value();
    const auto screens = platform::Screens::screens();
    std::lock_guard lock(mutex_);
    if (!lastRefresh_) return false;
    const auto& last = *lastRefresh_;
    if (last.generation != *generation || last.allTasks != tasks || last.publishedTasks != published ||
        last.pinned != pinned || last.ignoredTasks != ignoredTasks || last.badges != badges_ ||
        last.screens != screens || last.allTaskIndexes.size() != tasks.size())
        return false;
    for (std::size_t i = 0; i < tasks.size(); ++i)
        if (last.allTaskIndexes[i] != tasks[i]->index) return false;
    refreshVerified_ = now;
    return true;
}

void ApplicationManager::publish(const UpdateDataResult& result) {
    tasksRelay.accept(result.tasksRelay);
    allTasks.set(result.tasksRelay);
    std::optional<std::size_t> newCount;
    {
        std::lock_guard lock(mutex_);
        badges_ = result.badges;
        auto count = betterProcessInfo->count();
        if (count != betterProcessInfoCountReported_) {
            betterProcessInfoCountReported_ = count;
            newCount = count;
        }
    }
    if (newCount) {
        std::printf("Better info count: %zu\n", *newCount);
        std::fflush(stdout);
    }
}

BadgeMap ApplicationManager::badges() const {
    std::lock_guard lock(mutex_);
    return badges_;
}

std::size_t ApplicationManager::betterProcessInfoCountReported() const {
    std::lock_guard lock(mutex_);
    return betterProcessInfoCountReported_;
}

WindowsByProcess ApplicationManager::lastVisibleWindows() const {
    std::lock_guard lock(mutex_);
    return lastVisibleWindows_;
}

TaskList ApplicationManager::installedTasks() const {
    std::lock_guard lock(mutex_);
    return installedTasks_;
}

RefreshInput ApplicationManager::makeRefreshInput() const {
    RefreshInput input;
    input.allTasks = allTasks.value();
    input.betterProcessInfo = betterProcessInfo;
    input.ignoredTasks = ignoredTasks;
    input.publishedTasks = tasksRelay.value();
    input.settingsShowOnCurrentScreenOnly = settingsShowOnCurrentScreenOnly.value_or(false);
    input.badges = badges();
    return input;
}

Windows ApplicationManager::fetchAXWindows() { return fetchStampedAXWindows().windows; }

std::pair<RunningApplications, std::vector<std::int32_t>> ApplicationManager::runningOfAllTasks() const {
    std::pair<RunningApplications, std::vector<std::int32_t>> running;
    for (const auto& task : allTasks.value())
        if (task->runningApplication) {
            running.first.push_back(task->runningApplication);
            running.second.push_back(task->runningApplication->processIdentifier());
        }
    return running;
}

std::optional<std::uint64_t> ApplicationManager::currentAXWindowsStamp() {
    const auto generation = platform::System::current()->generation();
    if (!generation) return std::nullopt;
    // Read before the tasks, so that a change while they are read leaves a stale version.
    const Verified now{*generation, inputsVersion_.load()};
    {
        std::lock_guard lock(mutex_);
        if (axVerified_ && axVerified_->first == now) return axVerified_->second;
    }
    auto processIdentifiers = runningOfAllTasks().second;
    // No running task: the answer is always the same empty list.
    if (processIdentifiers.empty()) return 0;
    auto screens = platform::Screens::screens();
    std::lock_guard lock(mutex_);
    if (lastAXWindows_ && lastAXWindows_->answers(*generation, processIdentifiers, screens)) {
        axVerified_.emplace(now, lastAXWindows_->stamp);
        return lastAXWindows_->stamp;
    }
    return std::nullopt;
}

ApplicationManager::StampedWindows ApplicationManager::fetchStampedAXWindows() {
    auto [applications, processIdentifiers] = runningOfAllTasks();
    // Read before the windows: a change while they are read leaves a stamp that no later reading
    // of the generation matches.
    const auto generation = platform::System::current()->generation();
    if (applications.empty()) return {{}, generation ? std::optional<std::uint64_t>(0) : std::nullopt};

    // The same processes on an unchanged desktop have the same windows: the last ones serve.
    auto screens = platform::Screens::screens();
    if (generation) {
        std::lock_guard lock(mutex_);
        if (lastAXWindows_ && lastAXWindows_->answers(*generation, processIdentifiers, screens))
            return {lastAXWindows_->windows, lastAXWindows_->stamp};
    }
    auto byProcess =
        windowsByProcess(applications, Brindle::make<WindowSystemUtils>()->axWindows(processIdentifiers));
    {
        std::lock_guard lock(mutex_);
        lastVisibleWindows_ = byProcess;
    }

    // In the order the applications were collected, each process once.
    Windows all;
    std::unordered_set<std::int32_t> seen;
    for (auto pid : processIdentifiers) {
        if (!seen.insert(pid).second) continue;
        if (auto found = byProcess.find(pid); found != byProcess.end())
            all.insert(all.end(), found->second.begin(), found->second.end());
    }
    if (!generation) return {std::move(all), std::nullopt};
    std::lock_guard lock(mutex_);
    const auto stamp = ++lastAXWindowsStamp_;
    axVerified_.reset();
    lastAXWindows_ =
        AXWindowsReading{*generation, std::move(processIdentifiers), std::move(screens), all, stamp};
    return {std::move(all), stamp};
}

std::optional<ApplicationManager::RefreshKey> ApplicationManager::refreshKey(const RefreshInput& input,
                                                                             const TaskList& pinned) const {
    const auto generation = platform::System::current()->generation();
    // Cached windows lend their titles only for a while; with the setting on, every build publishes.
    if (!generation || (input.betterProcessInfo && input.betterProcessInfo->count() > 0) ||
        settings_->showOnRunningMonitorOnly() != input.settingsShowOnCurrentScreenOnly)
        return std::nullopt;
    RefreshKey key{.generation = *generation,
                   .allTasks = input.allTasks,
                   .publishedTasks = input.publishedTasks,
                   .pinned = pinned,
                   .ignoredTasks = input.ignoredTasks,
                   .badges = input.badges,
                   .screens = platform::Screens::screens()};
    key.allTaskIndexes.reserve(key.allTasks.size());
    for (const auto& task : key.allTasks) key.allTaskIndexes.push_back(task->index);
    return key;
}

RunningApplications ApplicationManager::applicationsNotCoveredBy(const RunningApplications& applications,
                                                                 const TaskList& tasks) {
    if (tasks.empty()) return applications;
    std::unordered_set<std::int32_t> processIdentifiers;
    for (const auto& task : tasks) processIdentifiers.insert(task->processIdentifier);
    const auto paths = bundlePaths(tasks);
    RunningApplications kept;
    for (const auto& application : applications) {
        if (processIdentifiers.contains(application->processIdentifier())) continue;
        if (paths.contains(applicationIdentity(*application))) continue;
        kept.push_back(application);
    }
    return kept;
}

namespace {

template <class Entries>
WindowsByProcess makeWindows(const RunningApplications& applications, const Entries& entries) {
    std::unordered_map<std::int32_t, std::string> owners;
    for (const auto& application : applications)
        owners.try_emplace(application->processIdentifier(), application->localizedName().value_or(""));
    static const std::string none;
    const auto screens = platform::Screens::screens();
    WindowsByProcess result;
    for (const auto& [pid, list] : entries) {
        auto owner = owners.find(pid);
        const auto& ownerName = owner == owners.end() ? none : owner->second;
        auto& windows = result[pid];
        windows.reserve(list.size());
        for (const auto& entry : list) windows.push_back(Brindle::make<Window>(entry, ownerName, screens));
    }
    return result;
}

}  // namespace

WindowsByProcess ApplicationManager::windowsByProcess(const RunningApplications& applications,
                                                      const WindowRecordsByProcess& records) {
    return makeWindows(applications, records);
}

WindowsByProcess ApplicationManager::windowsByProcess(const RunningApplications& applications,
                                                      const ListedWindowsByProcess& listed) {
    return makeWindows(applications, listed);
}

const TaskList& ApplicationManager::assignBadges(const TaskList& tasks, const BadgeMap& badges) {
    for (const auto& task : tasks) {
        auto found = badges.find(task->title);
        task->badge = found == badges.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    return tasks;
}

}  // namespace Velmora
