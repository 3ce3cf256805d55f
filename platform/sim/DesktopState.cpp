#include "platform/sim/DesktopState.h"

#include <algorithm>

namespace platform::sim {
namespace {

bool listed(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

bool SimWindow::isUnreadable(const std::string& attribute) const { return listed(unreadable, attribute); }

bool SimApplication::isUnreadable(const std::string& attribute) const {
    return listed(unreadable, attribute);
}

const SimWindow* SimApplication::window(std::int64_t number) const {
    for (const auto& window : windows)
        if (window.number == number) return &window;
    return nullptr;
}

const SimApplication* DesktopState::application(std::uint64_t serial) const {
    auto found = applications.find(serial);
    return found == applications.end() ? nullptr : &found->second;
}

SimApplication* DesktopState::mutableApplication(std::uint64_t serial) {
    auto found = applications.find(serial);
    return found == applications.end() ? nullptr : &found->second;
}

const SimApplication* DesktopState::runningApplication(std::int32_t pid) const {
    // Every Accessibility read starts here: an index instead of a walk over every application.
    auto serial = pidIndex.find(running, pid, [this](std::unordered_map<std::int32_t, std::uint64_t>& byPid) {
        for (auto each : running)
            if (const auto* app = application(each)) byPid.emplace(app->pid, each);
    });
    if (serial) {
        const auto* app = application(*serial);
        if (app && app->pid == pid) return app;
    }
    // A pid changed in place since the index was built.
    for (auto serial : running) {
        const auto* app = application(serial);
        if (app && app->pid == pid) return app;
    }
    return nullptr;
}

const SimApplication* DesktopState::activeApplication() const {
    for (auto serial : running) {
        const auto* app = application(serial);
        if (app && app->active) return app;
    }
    return nullptr;
}

const SimApplication* DesktopState::dockApplication() const {
    for (auto serial : running) {
        const auto* app = application(serial);
        if (app && app->bundleIdentifier == "com.apple.dock") return app;
    }
    return nullptr;
}

}  // namespace platform::sim
