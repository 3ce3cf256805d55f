#include "platform/system/Screen.h"

#include <mutex>

#include "platform/base/NotificationCenter.h"

namespace platform {
namespace {

struct State {
    std::mutex mutex;
    std::vector<Screen> screens;
    std::string mainIdentifier;
};

State& state() {
    static auto* value = new State();
    return *value;
}

}  // namespace

std::vector<Screen> Screens::screens() {
    std::lock_guard lock(state().mutex);
    return state().screens;
}

std::optional<Screen> Screens::mainScreen() {
    std::lock_guard lock(state().mutex);
    const auto& screens = state().screens;
    if (screens.empty()) return std::nullopt;
    for (const auto& screen : screens)
        if (screen.identifier == state().mainIdentifier) return screen;
    return screens.front();
}

void Screens::update(std::vector<Screen> screens) {
    {
        std::lock_guard lock(state().mutex);
        if (state().screens == screens) return;
        state().screens = std::move(screens);
    }
    NotificationCenter::defaultCenter()->post(didChangeNotification);
}

void Screens::setMainScreenIdentifier(std::string identifier) {
    std::lock_guard lock(state().mutex);
    state().mainIdentifier = std::move(identifier);
}

}  // namespace platform
