#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/base/LogText.h"
#include "platform/base/MainQueue.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/BundleWriter.h"
#include "platform/sim/SimulatedDesktop.h"
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

}  // namespace platform::sim
