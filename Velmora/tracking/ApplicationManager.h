#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Brindle/Object.h"
#include "Velmora/tracking/Task.h"
#include "Velmora/tracking/TimedOutDictionary.h"
#include "Velmora/tracking/Window.h"
#include "Velmora/tracking/WindowSystemUtils.h"
#include "platform/base/NotificationCenter.h"
#include "platform/foundation/URL.h"
#include "platform/system/RunningApplication.h"
#include "platform/system/Screen.h"
#include "rx/Rx.h"

namespace Velmora {

class SettingsManager;
class TaskbarButtonViewModel;

using WindowCache = TimedOutDictionary<std::string, std::shared_ptr<Window>>;
using WindowsByProcess = std::map<std::int32_t, Windows>;
// One list of button models per screen position.
using ButtonsPerScreen = std::vector<std::vector<std::shared_ptr<TaskbarButtonViewModel>>>;
using RunningApplications = std::vector<std::shared_ptr<platform::RunningApplication>>;

// What a refresh starts from: the manager's state when the refresh began.
struct RefreshInput {
    // The last published list (the pinned list until the first publication): the previous tasks.
    TaskList allTasks;
    // Shared with the manager, not copied.
    std::shared_ptr<WindowCache> betterProcessInfo;
    TaskList ignoredTasks;
    // What the bars were last handed.
    TaskList publishedTasks;
    bool settingsShowOnCurrentScreenOnly = false;
    BadgeMap badges;
};

struct UpdateDataResult {
    TaskList tasksRelay;
    BadgeMap badges;
};

// The source of the task list every bar shows. It refreshes once at start, every 500 ms, on every
// `update` and whenever the pinned list changes; refreshes run one at a time, in trigger order, on
// a background queue, and their results are published on the main queue.
class ApplicationManager : public Brindle::Object {
public:
    static constexpr double pollPeriod = 0.5;
    static constexpr double windowCacheTimeout = 2.0;

    // The program's one manager, made on first use, from any thread, and never released. It reads
    // the shared settings.
    static std::shared_ptr<ApplicationManager> shared();

    // Use `Brindle::make`; the refreshes start in `postInit`. Only tests make others than the
    // shared one.
    explicit ApplicationManager(std::shared_ptr<SettingsManager> settings);
    void postInit() override;

    const std::shared_ptr<SettingsManager>& settings() const { return settings_; }

    // The list of the last refresh, pinned applications included; before the first, the pinned
    // list. Set on the main thread.
    const rx::Published<TaskList> allTasks;
    // Nothing fills these; the bars read them.
    const rx::Published<ButtonsPerScreen> allTasksPerScreen;
    const rx::BehaviorRelay<ButtonsPerScreen> taskPerScreenRelay{ButtonsPerScreen{}};
    // The task whose button was clicked last; set and cleared by the bar.
    const rx::Published<std::shared_ptr<Task>> lastClicked;
    // Every refresh result that differs from the last one, on the main queue.
    const rx::BehaviorRelay<TaskList> tasksRelay{TaskList{}};
    // Send a value for an immediate refresh.
    const rx::PublishSubject<rx::Unit> update;

    // Per-process window information by `Window::frameKey`. Nothing in the program stores into it.
    const std::shared_ptr<WindowCache> betterProcessInfo = Brindle::make<WindowCache>(windowCacheTimeout);
    const TaskList ignoredTasks;
    const std::optional<bool> settingsShowOnCurrentScreenOnly;

    // Dock badge text by application title, as last published.
    BadgeMap badges() const;
    // The cache size last printed.
    std::size_t betterProcessInfoCountReported() const;
    // Accessibility windows by process, as the last `fetchAXWindows` found them.
    WindowsByProcess lastVisibleWindows() const;
    // The cache of `loadInstalledTasks`.
    TaskList installedTasks() const;

    // A snapshot of the state a refresh reads; safe from any thread.
    RefreshInput makeRefreshInput() const;

    // The Accessibility windows of every running task of `allTasks`, in task order; they replace
    // `lastVisibleWindows`. Blocks the calling thread.
    Windows fetchAXWindows();
    // `fetchAXWindows` with the stamp of the reading it answers from: equal stamps, equal windows.
    // No stamp when the desktop cannot tell its changes.
    struct StampedWindows {
        Windows windows;
        std::optional<std::uint64_t> stamp;
    };
    StampedWindows fetchStampedAXWindows();
    // The stamp `fetchStampedAXWindows` would answer with now, when that is the last reading again;
    // reads nothing of the desktop but its generation, and copies no window.
    std::optional<std::uint64_t> currentAXWindowsStamp();

    // The installed applications: the cached list, or a fresh scan when `rescan` is set or the
    // cache is empty. Blocks the calling thread while it scans.
    TaskList loadInstalledTasks(bool rescan);
    // The folder and then its subfolders; just the folder when it cannot be listed.
    static std::vector<platform::URL> folderAndSubfolders(const platform::URL& folder);

    // Builds the task list from `input` and the system. Unless the result equals the last
    // publication, `completion` is then called with it on the main queue.
    void buildTaskList(const RefreshInput& input, std::function<void(UpdateDataResult)> completion);
    // The localised name, else the first window's title, else the bundle's executable name.
    static std::string applicationTitle(const platform::RunningApplication& application,
                                        const Windows& windows);
    // Pinned applications first, in their order, each replaced by its running task when there is
    // one; then the other running tasks, renumbered after the pinned ones. A pinned entry that is
    // not running is output as a copy without any run it was pinned in, so that the list can be
    // written without touching the settings' own tasks.
    static TaskList mergePinnedTasks(const TaskList& running, const TaskList& pinned);
    // The applications that no task covers by process id or by application identity.
    static RunningApplications applicationsNotCoveredBy(const RunningApplications& applications,
                                                        const TaskList& tasks);
    // One `Window` per record, named after the application with that process id.
    static WindowsByProcess windowsByProcess(const RunningApplications& applications,
                                             const WindowRecordsByProcess& records);
    static WindowsByProcess windowsByProcess(const RunningApplications& applications,
                                             const ListedWindowsByProcess& listed);
    // Sets each task's badge from the map, by title.
    static const TaskList& assignBadges(const TaskList& tasks, const BadgeMap& badges);
    // The labels that read in full as decimal integers, written back in plain decimal.
    static BadgeMap numericBadges(const std::optional<BadgeMap>& labels);

private:
    // What a refresh read. A refresh that would read the same stops at once: the desktop's
    // generation stands for everything it reads of the desktop.
    struct RefreshKey {
        std::uint64_t generation = 0;
        TaskList allTasks;
        std::vector<std::int64_t> allTaskIndexes;
        TaskList publishedTasks;
        TaskList pinned;
        TaskList ignoredTasks;
        BadgeMap badges;
        std::vector<platform::Screen> screens;
        friend bool operator==(const RefreshKey&, const RefreshKey&) = default;
    };
    // What `fetchAXWindows` read and found.
    struct AXWindowsReading {
        std::uint64_t generation = 0;
        std::vector<std::int32_t> processIdentifiers;
        std::vector<platform::Screen> screens;
        Windows windows;
        std::uint64_t stamp = 0;
        // The same processes on an unchanged desktop have the same windows.
        bool answers(std::uint64_t desktop, const std::vector<std::int32_t>& pids,
                     const std::vector<platform::Screen>& shown) const {
            return generation == desktop && processIdentifiers == pids && screens == shown;
        }
    };
    // The running tasks' applications of `allTasks`, and their process ids, in task order.
    std::pair<RunningApplications, std::vector<std::int32_t>> runningOfAllTasks() const;
    // None when the desktop cannot tell its changes or the window cache holds entries.
    std::optional<RefreshKey> refreshKey(const RefreshInput& input, const TaskList& pinned) const;

    void refresh();
    void publish(const UpdateDataResult& result);
    // The poll's ticks that may find something new.
    const rx::PublishSubject<rx::Unit> poll_;
    // Whether a refresh begun now would stop at once, having nothing new to read.
    bool refreshWouldStop();

    const std::shared_ptr<SettingsManager> settings_;
    rx::DisposeBag disposeBag_;

    mutable std::mutex mutex_;
    BadgeMap badges_;
    std::size_t betterProcessInfoCountReported_ = 0;
    WindowsByProcess lastVisibleWindows_;
    TaskList installedTasks_;
    std::optional<RefreshKey> lastRefresh_;
    std::optional<AXWindowsReading> lastAXWindows_;
    std::uint64_t lastAXWindowsStamp_ = 0;
    std::shared_ptr<platform::NotificationCenter::Token> windowsChangedToken_;
    // Triggers handed to the refresh queue and not yet run there.
    std::atomic<int> queuedRefreshes_{0};
    // Bumped by every change of the task lists, the pinned list, the setting and the screens.
    std::atomic<std::uint64_t> inputsVersion_{0};
    std::shared_ptr<platform::NotificationCenter::Token> screensChangedToken_;
    // The desktop's generation and the inputs' version when a check last found the refresh bound to
    // stop, or the full-screen reading current (with its stamp): while both stay, so does the
    // answer, and the check compares nothing. Cleared when the last refresh or reading is replaced.
    struct Verified {
        std::uint64_t generation = 0;
        std::uint64_t inputs = 0;
        bool operator==(const Verified&) const = default;
    };
    std::optional<Verified> refreshVerified_;
    std::optional<std::pair<Verified, std::uint64_t>> axVerified_;
};

}  // namespace Velmora
