#include "platform/sim/SimulatedDesktop.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/base/MainQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/foundation/FileManager.h"

namespace platform::sim {

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
    ++generation;
}

SimulatedDesktop::SimulatedDesktop(Options options, std::optional<std::string> scenarioPath)
    : options_(std::move(options)), scenarioPath_(std::move(scenarioPath)) {
    store_->set(std::make_shared<DesktopState>());
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

std::optional<std::uint64_t> SimulatedDesktop::generation() {
    std::lock_guard lock(store_->mutex);
    return store_->generation;
}

void SimulatedDesktop::announce(Announcements announcements) {
    auto post = [trust = announcements.trustChanged, space = announcements.activeSpaceChanged] {
        if (trust) NotificationCenter::distributedCenter()->post(Accessibility::trustChangedNotification);
        if (space) NotificationCenter::workspaceCenter()->post(Workspace::activeSpaceDidChangeNotification);
    };
    if (announcements.windowsChanged && !windowsPending_->exchange(true)) {
        MainQueue::async([pending = windowsPending_] {
            pending->store(false);
            NotificationCenter::workspaceCenter()->post(WindowList::didChangeNotification);
            NotificationCenter::workspaceCenter()->post(WindowList::windowStateDidChangeNotification);
        });
    }
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
