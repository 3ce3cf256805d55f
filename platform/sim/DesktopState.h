#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/foundation/URL.h"
#include "platform/sim/DefaultsCommand.h"
#include "platform/sim/Scenario.h"

namespace platform::sim {

struct SimWindow : WindowDescription {
    // The window-list number, unique on the desktop for its whole life.
    std::int64_t number = 0;

    bool isUnreadable(const std::string& attribute) const;
};

struct SimApplication {
    // One per launch: a process id may come back, a serial never does.
    std::uint64_t serial = 0;
    std::int32_t pid = 0;
    // The scenario entry it was started from; empty when the program launched it.
    std::string scenarioKey;
    std::optional<std::string> name;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> bundlePath;
    std::optional<URL> bundleURL;
    std::optional<std::string> iconPath;
    ActivationPolicy policy = ActivationPolicy::regular;
    bool active = false;
    bool hidden = false;
    bool terminated = false;
    bool finishedLaunching = true;
    std::vector<SimWindow> windows;
    std::vector<std::string> unreadable;

    bool isUnreadable(const std::string& attribute) const;
    const SimWindow* window(std::int64_t number) const;
};

// Running applications by process id, built on first use. A copy starts empty, and the index is
// rebuilt whenever the running list it was built from has changed, so a state still being
// changed never reads a stale one.
class PidIndex {
public:
    PidIndex() = default;
    PidIndex(const PidIndex&) {}
    PidIndex& operator=(const PidIndex&) { return *this; }

    // The serial of the first running application with `pid`, if the index knows one.
    template <class Build>
    std::optional<std::uint64_t> find(const std::vector<std::uint64_t>& running, std::int32_t pid,
                                      Build build) const {
        std::lock_guard lock(mutex_);
        if (builtFrom_ != running) {
            builtFrom_ = running;
            byPid_.clear();
            build(byPid_);
        }
        auto found = byPid_.find(pid);
        if (found == byPid_.end()) return std::nullopt;
        return found->second;
    }

private:
    mutable std::mutex mutex_;
    mutable std::vector<std::uint64_t> builtFrom_;
    mutable std::unordered_map<std::int32_t, std::uint64_t> byPid_;
};

// One immutable version of the desktop. Every change makes a new one.
struct DesktopState {
    bool accessibilityTrusted = false;
    // Every application ever started, by serial; those that quit stay, marked terminated.
    std::map<std::uint64_t, SimApplication> applications;
    // Running applications in launch order.
    std::vector<std::uint64_t> running;
    // Running applications, the most recently activated first.
    std::vector<std::uint64_t> frontToBack;
    std::uint64_t currentSerial = 0;
    DockDescription dock;
    // What `defaults` lines wrote (the Dock's "com.apple.dock" among them).
    PreferenceDomains preferences;
    LoginItemStatus loginItemStatus = LoginItemStatus::notRegistered;
    std::optional<std::string> loginItemError;

    const SimApplication* application(std::uint64_t serial) const;
    const SimApplication* runningApplication(std::int32_t pid) const;
    SimApplication* mutableApplication(std::uint64_t serial);
    const SimApplication* activeApplication() const;
    const SimApplication* dockApplication() const;

    PidIndex pidIndex;
};

}  // namespace platform::sim
