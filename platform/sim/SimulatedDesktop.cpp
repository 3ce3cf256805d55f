#include "platform/sim/SimulatedDesktop.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/base/LogText.h"
#include "platform/base/MainQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/BundleWriter.h"
#include "platform/system/Screen.h"

namespace platform::sim {
namespace {

constexpr const char* dockKey = "dock";
constexpr const char* currentKey = "current";

// Changes of the file's modification time, size or identity.
std::string fileSignature(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return "";
    return std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec) + ":" +
           std::to_string(status.st_size) + ":" + std::to_string(status.st_ino);
}

// What the file holds, for telling a rewrite with the same bytes from a change.
std::optional<std::size_t> fileDigest(const std::string& path) {
    auto bytes = FileManager::shared()->readFile(path, Scenario::maximumFileSize);
    if (!bytes) return std::nullopt;
    return std::hash<std::string>{}(*bytes);
}

Screen defaultScreen() {
    return Screen{"sim-1", "Display 1", Rect::make(0, 0, 1440, 900), Rect::make(0, 0, 1440, 875), 2.0};
}

// The scenario's entries with the keys that identify them across versions of the file; the Dock
// is added unless the scenario lists it itself or says it does not run.
std::vector<std::pair<std::string, ApplicationDescription>> entries(const Scenario& scenario) {
    std::vector<std::pair<std::string, ApplicationDescription>> result;
    std::map<std::string, int> seen;
    bool listsDock = false;
    for (const auto& app : scenario.applications) {
        auto key = app.identityKey();
        int occurrence = seen[key]++;
        if (occurrence > 0) key += "#" + std::to_string(occurrence);
        result.emplace_back(key, app);
        listsDock = listsDock || app.bundleIdentifier == "com.apple.dock";
    }
    if (!listsDock && scenario.dock.running) {
        ApplicationDescription dock;
        dock.pid = scenario.dock.pid;
        dock.name = "Dock";
        dock.bundleIdentifier = "com.apple.dock";
        dock.bundlePath = "/System/Library/CoreServices/Dock.app";
        dock.icon = std::nullopt;
        dock.policy = ActivationPolicy::accessory;
        result.emplace(result.begin(), dockKey, dock);
    }
    return result;
}

const ApplicationDescription* entry(const std::vector<std::pair<std::string, ApplicationDescription>>& list,
                                    const std::string& key) {
    for (const auto& [entryKey, description] : list)
        if (entryKey == key) return &description;
    return nullptr;
}

}  // namespace

std::string DesktopAction::jsonLine() const {
    nlohmann::ordered_json line;
    line["action"] = name;
    for (const auto& [key, value] : details.items()) line[key] = value;
    return line.dump();
}

std::optional<std::string> DesktopOptions::defaultActionLogPath() {
    if (const char* path = std::getenv("VELMORA_DESKTOP_LOG"); path && *path) return std::string(path);
    return std::nullopt;
}

std::shared_ptr<const DesktopState> SimulatedDesktop::Store::get() const {
    std::lock_guard lock(mutex);
    return state;
}

void SimulatedDesktop::Store::set(std::shared_ptr<const DesktopState> next) {
    std::lock_guard lock(mutex);
    state.swap(next);
}

SimulatedDesktop::SimulatedDesktop(Options options, std::optional<std::string> scenarioPath)
    : options_(std::move(options)), scenarioPath_(std::move(scenarioPath)) {
    store_->set(std::make_shared<DesktopState>());
}

std::shared_ptr<SimulatedDesktop> SimulatedDesktop::load(const std::string& path, Options options,
                                                         std::string* error) {
    auto loaded = Scenario::load(path);
    if (auto* message = std::get_if<std::string>(&loaded)) {
        if (error) *error = *message;
        return nullptr;
    }
    return make(std::get<Scenario>(loaded), std::move(options), path);
}

std::shared_ptr<SimulatedDesktop> SimulatedDesktop::fromJSON(const std::string& text, Options options,
                                                             std::string* error,
                                                             const std::string& baseFolder) {
    auto parsed = Scenario::parse(text, baseFolder);
    if (auto* message = std::get_if<std::string>(&parsed)) {
        if (error) *error = *message;
        return nullptr;
    }
    return make(std::get<Scenario>(parsed), std::move(options));
}

std::shared_ptr<SimulatedDesktop> SimulatedDesktop::make(const Scenario& scenario, Options options,
                                                         std::optional<std::string> scenarioPath) {
    std::shared_ptr<SimulatedDesktop> desktop(
        new SimulatedDesktop(std::move(options), std::move(scenarioPath)));
    desktop->setUp(scenario);
    return desktop;
}

std::shared_ptr<SimulatedDesktop> SimulatedDesktop::loadDefault(Options options) {
    std::string path = demoScenarioPath();
    // "demo" names the built-in desktop.
    if (const char* named = std::getenv("VELMORA_DESKTOP"); named && *named && std::string(named) != "demo")
        path = named;
    std::string error;
    if (auto desktop = load(path, options, &error)) return desktop;
    std::printf("Desktop scenario: %s\n", escapedForLog(error).c_str());
    std::fflush(stdout);
    return make(Scenario{}, std::move(options), path);
}

void SimulatedDesktop::setUp(const Scenario& scenario) {
    if (scenario.root) {
        root_ = *scenario.root;
        std::error_code ignored;
        std::filesystem::create_directories(root_, ignored);
    } else {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-desktop-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("Cannot make the desktop's folder");
            std::abort();
        }
        root_ = pattern;
        ownsRoot_ = true;
    }
    previousSystemRoot_ = FileManager::systemRoot();
    FileManager::setSystemRoot(root_);
    auto files = FileManager::shared();
    for (const char* folder :
         {"/Applications", "/System/Applications", "/System/Library/CoreServices", "/Library"})
        (void)files->createDirectory(folder, true);

    {
        std::lock_guard lock(writeMutex_);
        writeBundles(scenario);
        Announcements ignored;
        auto state = std::make_shared<DesktopState>();
        state->accessibilityTrusted = scenario.accessibilityTrusted;
        state->dock = scenario.dock;
        state->loginItemStatus = scenario.loginItemStatus;
        state->loginItemError = scenario.loginItemError;
        std::vector<std::uint64_t> active;
        for (const auto& [key, description] : entries(scenario)) {
            auto serial = start(*state, description, key, description.pid, ignored);
            if (description.active) active.push_back(serial);
        }
        ApplicationDescription current;
        current.name = scenario.currentApplicationName;
        current.bundleIdentifier =
            scenario.currentBundleIdentifier.value_or(options_.currentBundleIdentifier);
        current.icon = std::nullopt;
        state->currentSerial =
            start(*state, current, currentKey, static_cast<std::int32_t>(::getpid()), ignored);
        for (auto serial : active) bringForward(*state, serial);
        store_->set(std::move(state));
        scenario_ = scenario;
        if (scenarioPath_) {
            fileSignature_ = fileSignature(*scenarioPath_);
            fileDigest_ = fileDigest(*scenarioPath_);
        }
    }
    applyScreens(scenario);
    applyDefaults(scenario);

    std::weak_ptr<SimulatedDesktop> weak = shared_from_this();
    workspace_ = makeWorkspace(weak);
    accessibility_ = makeAccessibility(weak);
    windowList_ = makeWindowList(weak);
    eventMonitors_ = makeEventMonitors(weak);
    loginItems_ = makeLoginItems(weak);
    appleScript_ = makeAppleScript(weak);
    application_ = makeApplication(weak);
}

SimulatedDesktop::~SimulatedDesktop() {
    if (watchTimer_) watchTimer_->invalidate();
    if (previousSystemRoot_ && FileManager::systemRoot() == root_)
        FileManager::setSystemRoot(*previousSystemRoot_);
    if (ownsRoot_) {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
}

std::shared_ptr<Workspace> SimulatedDesktop::workspace() { return workspace_; }
std::shared_ptr<Accessibility> SimulatedDesktop::accessibility() { return accessibility_; }
std::shared_ptr<WindowList> SimulatedDesktop::windowList() { return windowList_; }
std::shared_ptr<EventMonitors> SimulatedDesktop::eventMonitors() { return eventMonitors_; }
std::shared_ptr<LoginItems> SimulatedDesktop::loginItems() { return loginItems_; }
std::shared_ptr<AppleScript> SimulatedDesktop::appleScript() { return appleScript_; }
std::shared_ptr<Application> SimulatedDesktop::application() { return application_; }

std::shared_ptr<const DesktopState> SimulatedDesktop::state() const { return store_->get(); }

void SimulatedDesktop::announce(Announcements announcements) {
    auto post = [trust = announcements.trustChanged, space = announcements.activeSpaceChanged] {
        if (trust) NotificationCenter::distributedCenter()->post(Accessibility::trustChangedNotification);
        if (space) NotificationCenter::workspaceCenter()->post(Workspace::activeSpaceDidChangeNotification);
    };
    if (announcements.trustChanged || announcements.activeSpaceChanged) {
        if (MainQueue::isMainThread()) {
            post();
        } else {
            MainQueue::async(post);
        }
    }
    for (auto& [delay, block] : announcements.mainQueueBlocks) {
        if (delay > 0) {
            MainQueue::asyncAfter(delay, std::move(block));
        } else {
            MainQueue::async(std::move(block));
        }
    }
}

std::int32_t SimulatedDesktop::freshPid(const DesktopState& state) {
    auto used = [&](std::int32_t pid) {
        if (pid == ::getpid()) return true;
        for (const auto& [serial, app] : state.applications)
            if (app.pid == pid) return true;
        return false;
    };
    while (used(nextPid_)) ++nextPid_;
    return nextPid_++;
}

std::vector<SimWindow> SimulatedDesktop::numbered(const std::vector<WindowDescription>& windows) {
    std::vector<SimWindow> result;
    for (const auto& description : windows) {
        SimWindow window;
        static_cast<WindowDescription&>(window) = description;
        window.number = nextWindowNumber_++;
        result.push_back(std::move(window));
    }
    return result;
}

void SimulatedDesktop::applyDescription(SimApplication& app, const ApplicationDescription& description) {
    app.name = description.name;
    app.bundleIdentifier = description.bundleIdentifier;
    app.bundlePath = description.bundlePath;
    app.bundleURL.reset();
    if (description.bundlePath) app.bundleURL = URL::fileURL(*description.bundlePath, true);
    app.iconPath = description.icon;
    app.policy = description.policy;
    app.finishedLaunching = description.finishedLaunching;
    app.unreadable = description.unreadable;
}

std::uint64_t SimulatedDesktop::start(DesktopState& state, const ApplicationDescription& description,
                                      const std::string& key, std::optional<std::int32_t> pid,
                                      Announcements&) {
    SimApplication app;
    app.serial = nextSerial_++;
    app.pid = pid && !state.runningApplication(*pid) ? *pid : freshPid(state);
    app.scenarioKey = key;
    applyDescription(app, description);
    app.hidden = description.hidden;
    app.windows = numbered(description.windows);
    auto serial = app.serial;
    state.applications[serial] = std::move(app);
    state.running.push_back(serial);
    state.frontToBack.push_back(serial);
    return serial;
}

void SimulatedDesktop::bringForward(DesktopState& state, std::uint64_t serial) {
    for (auto running : state.running) state.mutableApplication(running)->active = running == serial;
    auto* app = state.mutableApplication(serial);
    app->hidden = false;
    auto& order = state.frontToBack;
    order.erase(std::remove(order.begin(), order.end(), serial), order.end());
    order.insert(order.begin(), serial);
}

void SimulatedDesktop::activateNext(DesktopState& state) {
    if (state.activeApplication()) return;
    for (auto serial : state.frontToBack) {
        const auto* app = state.application(serial);
        if (app->policy == ActivationPolicy::regular && !app->hidden && serial != state.currentSerial) {
            bringForward(state, serial);
            return;
        }
    }
}

void SimulatedDesktop::stop(DesktopState& state, std::uint64_t serial) {
    auto* app = state.mutableApplication(serial);
    if (!app || app->terminated) return;
    bool wasActive = app->active;
    app->terminated = true;
    app->active = false;
    app->windows.clear();
    auto drop = [serial](std::vector<std::uint64_t>& list) {
        list.erase(std::remove(list.begin(), list.end(), serial), list.end());
    };
    drop(state.running);
    drop(state.frontToBack);
    if (wasActive) activateNext(state);
}

void SimulatedDesktop::writeBundles(const Scenario& scenario) {
    std::map<std::string, BundleRecord> next;
    for (const auto& [key, description] : entries(scenario))
        if (description.bundlePath) next[*description.bundlePath] = BundleRecord{description, key};
    for (const auto& description : scenario.installed)
        next[*description.bundlePath] = BundleRecord{description, ""};
    for (const auto& [path, record] : bundles_)
        if (!next.contains(path)) removeBundle(path);
    for (const auto& [path, record] : next) writeBundle(record.description);
    bundles_ = std::move(next);
}

void SimulatedDesktop::applyDefaults(const Scenario& scenario) {
    if (scenario.defaults.empty()) return;
    auto defaults = UserDefaults::standard();
    for (const auto& [key, value] : scenario.defaults.items())
        if (!defaults->has(key)) defaults->setData(key, value.dump());
}

void SimulatedDesktop::applyScreens(const Scenario& scenario) {
    if (!options_.appliesScreens) return;
    Screens::update(scenario.screens.empty() ? std::vector<Screen>{defaultScreen()} : scenario.screens);
}

void SimulatedDesktop::setScreens(std::vector<Screen> screens) { Screens::update(std::move(screens)); }

std::optional<std::string> SimulatedDesktop::reload() {
    if (!scenarioPath_) return std::string("the desktop was not loaded from a file");
    {
        std::lock_guard lock(writeMutex_);
        fileSignature_ = fileSignature(*scenarioPath_);
        fileDigest_ = fileDigest(*scenarioPath_);
    }
    auto loaded = Scenario::load(*scenarioPath_);
    if (auto* error = std::get_if<std::string>(&loaded)) return *error;
    const auto& next = std::get<Scenario>(loaded);

    bool screensChanged = false;
    change([&](DesktopState& state, Announcements& announcements) {
        const auto previousEntries = entries(scenario_);
        const auto nextEntries = entries(next);
        auto runningWithKey = [&](const std::string& key) -> SimApplication* {
            for (auto serial : state.running) {
                auto* app = state.mutableApplication(serial);
                if (app->scenarioKey == key) return app;
            }
            return nullptr;
        };
        writeBundles(next);
        for (const auto& [key, description] : previousEntries) {
            if (entry(nextEntries, key)) continue;
            if (auto* app = runningWithKey(key)) stop(state, app->serial);
        }
        for (const auto& [key, description] : nextEntries) {
            const auto* previous = entry(previousEntries, key);
            if (previous && *previous == description) continue;
            auto* app = runningWithKey(key);
            if (!app) {
                auto serial = start(state, description, key, description.pid, announcements);
                if (description.active) bringForward(state, serial);
                continue;
            }
            applyDescription(*app, description);
            std::vector<SimWindow> windows;
            for (std::size_t i = 0; i < description.windows.size(); ++i) {
                SimWindow window;
                static_cast<WindowDescription&>(window) = description.windows[i];
                window.number = i < app->windows.size() ? app->windows[i].number : nextWindowNumber_++;
                if (i < app->windows.size() && app->windows[i].fullscreen != window.fullscreen)
                    announcements.activeSpaceChanged = true;
                windows.push_back(std::move(window));
            }
            app->windows = std::move(windows);
            auto serial = app->serial;
            if (!previous || previous->hidden != description.hidden) {
                app->hidden = description.hidden;
                if (app->hidden && app->active) {
                    app->active = false;
                    activateNext(state);
                }
            }
            if (description.active && (!previous || !previous->active)) {
                bringForward(state, serial);
            } else if (!description.active && previous && previous->active) {
                state.mutableApplication(serial)->active = false;
            }
        }
        if (next.accessibilityTrusted != scenario_.accessibilityTrusted &&
            next.accessibilityTrusted != state.accessibilityTrusted) {
            state.accessibilityTrusted = next.accessibilityTrusted;
            announcements.trustChanged = true;
        }
        if (next.dock != scenario_.dock) state.dock = next.dock;
        if (next.loginItemStatus != scenario_.loginItemStatus) state.loginItemStatus = next.loginItemStatus;
        if (next.loginItemError != scenario_.loginItemError) state.loginItemError = next.loginItemError;
        screensChanged = next.screens != scenario_.screens;
        scenario_ = next;
        return true;
    });
    if (screensChanged) applyScreens(next);
    applyDefaults(next);
    return std::nullopt;
}

void SimulatedDesktop::startWatching(TimeInterval interval) {
    stopWatching();
    std::weak_ptr<SimulatedDesktop> weak = shared_from_this();
    auto timer = MainQueue::scheduledTimer(interval, true, [weak](Timer& timer) {
        auto desktop = weak.lock();
        if (!desktop) {
            timer.invalidate();
            return;
        }
        desktop->checkScenarioFile();
    });
    std::lock_guard lock(writeMutex_);
    watchTimer_ = std::move(timer);
}

void SimulatedDesktop::stopWatching() {
    std::shared_ptr<Timer> timer;
    {
        std::lock_guard lock(writeMutex_);
        timer.swap(watchTimer_);
    }
    if (timer) timer->invalidate();
}

void SimulatedDesktop::checkScenarioFile() {
    if (!scenarioPath_) return;
    {
        std::lock_guard lock(writeMutex_);
        auto signature = fileSignature(*scenarioPath_);
        if (signature == fileSignature_) return;
        // Touched or rewritten with the same bytes: nothing to reload.
        auto digest = fileDigest(*scenarioPath_);
        if (digest && digest == fileDigest_) {
            fileSignature_ = std::move(signature);
            return;
        }
    }
    if (auto error = reload()) {
        std::printf("Desktop scenario: %s\n", escapedForLog(*error).c_str());
        std::fflush(stdout);
    }
}

std::shared_ptr<RunningApplication> SimulatedDesktop::runningApplication(std::int32_t pid) {
    auto current = state();
    const auto* app = current->runningApplication(pid);
    return app ? object(app->serial) : nullptr;
}

void SimulatedDesktop::setAccessibilityTrusted(bool trusted) {
    change([&](DesktopState& state, Announcements& announcements) {
        announcements.trustChanged = state.accessibilityTrusted != trusted;
        state.accessibilityTrusted = trusted;
        return true;
    });
}

int SimulatedDesktop::accessibilityPromptCount() const {
    std::lock_guard lock(actionsMutex_);
    return promptCount_;
}

void SimulatedDesktop::postActiveSpaceChange() {
    Announcements announcements;
    announcements.activeSpaceChanged = true;
    announce(std::move(announcements));
}

std::int32_t SimulatedDesktop::launch(const ApplicationDescription& description) {
    return change([&](DesktopState& state, Announcements& announcements) {
        auto serial = start(state, description, "", description.pid, announcements);
        if (description.active) bringForward(state, serial);
        return state.application(serial)->pid;
    });
}

bool SimulatedDesktop::quit(std::int32_t pid) {
    return change([&](DesktopState& state, Announcements&) {
        const auto* app = state.runningApplication(pid);
        if (!app || app->serial == state.currentSerial) return false;
        stop(state, app->serial);
        return true;
    });
}

bool SimulatedDesktop::setWindows(std::int32_t pid, std::vector<WindowDescription> windows) {
    return change([&](DesktopState& state, Announcements&) {
        const auto* found = state.runningApplication(pid);
        if (!found) return false;
        state.mutableApplication(found->serial)->windows = numbered(windows);
        return true;
    });
}

void SimulatedDesktop::setDockBadge(const std::string& title, std::optional<std::string> label) {
    change([&](DesktopState& state, Announcements&) {
        if (label) {
            state.dock.badges[title] = *label;
        } else {
            state.dock.badges.erase(title);
        }
        return true;
    });
}

void SimulatedDesktop::finishLaunching(std::uint64_t serial, std::vector<WindowDescription> windows) {
    change([&](DesktopState& state, Announcements&) {
        auto* app = state.mutableApplication(serial);
        if (!app || app->terminated) return false;
        app->finishedLaunching = true;
        app->windows = numbered(windows);
        return true;
    });
}

void SimulatedDesktop::record(std::string name, nlohmann::json details) {
    DesktopAction action{std::move(name), std::move(details)};
    std::lock_guard lock(actionsMutex_);
    if (options_.actionLogPath) {
        if (FILE* file = std::fopen(options_.actionLogPath->c_str(), "a")) {
            std::fprintf(file, "%s\n", action.jsonLine().c_str());
            std::fclose(file);
        }
    }
    actions_.push_back(std::move(action));
}

std::vector<DesktopAction> SimulatedDesktop::actions() const {
    std::lock_guard lock(actionsMutex_);
    return actions_;
}

std::vector<std::string> SimulatedDesktop::actionNames() const {
    std::vector<std::string> names;
    for (const auto& action : actions()) names.push_back(action.name);
    return names;
}

void SimulatedDesktop::clearActions() {
    std::lock_guard lock(actionsMutex_);
    actions_.clear();
}

std::optional<Event> SimulatedDesktop::injectEvent(const Event& event, EventTarget target) {
    std::vector<Monitor> monitors;
    {
        std::lock_guard lock(inputMutex_);
        switch (event.type) {
            case EventType::flagsChanged:
                modifierFlags_ = event.modifierFlags;
                break;
            case EventType::keyDown:
            case EventType::keyUp:
                break;
            default:
                mouseLocation_ = event.location;
                break;
        }
        monitors = monitors_;
    }
    auto stillAdded = [this](const std::shared_ptr<EventMonitor>& token) { return isAdded(token); };
    if (target == EventTarget::otherApplication) {
        for (const auto& monitor : monitors) {
            if (!monitor.global || !(monitor.mask & eventMask(event.type)) || !stillAdded(monitor.token))
                continue;
            monitor.globalHandler(event);
        }
        return event;
    }
    std::optional<Event> current = event;
    for (const auto& monitor : monitors) {
        if (monitor.global || !(monitor.mask & eventMask(current->type)) || !stillAdded(monitor.token))
            continue;
        current = monitor.localHandler(*current);
        if (!current) break;
    }
    return current;
}

bool SimulatedDesktop::isAdded(const std::shared_ptr<EventMonitor>& token) {
    std::lock_guard lock(inputMutex_);
    return std::any_of(monitors_.begin(), monitors_.end(),
                       [&](const Monitor& monitor) { return monitor.token == token; });
}

void SimulatedDesktop::setModifierFlags(std::uint64_t flags) {
    Event event{EventType::flagsChanged, 0, flags, {}};
    {
        std::lock_guard lock(inputMutex_);
        if (modifierFlags_ == flags) return;
        modifierFlags_ = flags;
        event.location = mouseLocation_;
    }
    tellGlobalMonitors(event);
}

void SimulatedDesktop::tellGlobalMonitors(const Event& event) {
    auto tell = [weak = weak_from_this(), event] {
        auto self = weak.lock();
        if (!self) return;
        std::vector<Monitor> monitors;
        {
            std::lock_guard lock(self->inputMutex_);
            monitors = self->monitors_;
        }
        for (const auto& monitor : monitors)
            if (monitor.global && (monitor.mask & eventMask(event.type)) && self->isAdded(monitor.token))
                monitor.globalHandler(event);
    };
    if (MainQueue::isMainThread())
        tell();
    else
        MainQueue::async(std::move(tell));
}

void SimulatedDesktop::setMouseLocation(Point location) {
    {
        std::lock_guard lock(inputMutex_);
        if (mouseLocation_.x == location.x && mouseLocation_.y == location.y) return;
        mouseLocation_ = location;
    }
    tellGlobalMonitors({EventType::mouseMoved, 0, 0, location});
}

void SimulatedDesktop::setInputSource(std::shared_ptr<InputSource> source) {
    std::lock_guard lock(inputMutex_);
    inputSource_ = std::move(source);
}

}  // namespace platform::sim
