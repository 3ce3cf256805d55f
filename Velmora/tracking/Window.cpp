#include "Velmora/tracking/Window.h"

#include <algorithm>

#include "platform/system/Screen.h"

namespace Velmora {
namespace {

using platform::Rect;

const platform::DefaultsValue* value(const WindowRecord& record, const char* key) {
    auto found = record.find(key);
    return found == record.end() ? nullptr : &found->second;
}

double number(const WindowRecord& record, const char* key) {
    const auto* found = value(record, key);
    return found ? found->doubleValue().value_or(0) : 0;
}

// Inclusive, as the platform's containment test: a rectangle on the edge of another lies inside it.
bool containsEntirely(const Rect& outer, const Rect& inner) {
    return inner.minX() >= outer.minX() && inner.maxX() <= outer.maxX() && inner.minY() >= outer.minY() &&
           inner.maxY() <= outer.maxY();
}

void add(std::vector<FullscreenSides>& sides, FullscreenSides side) {
    if (std::find(sides.begin(), sides.end(), side) == sides.end()) sides.push_back(side);
}

}  // namespace

Window::Window(const WindowRecord& dictionary, const std::string& ownerName) {
    const auto* recordTitle = value(dictionary, "title");
    if (recordTitle && recordTitle->stringValue()) {
        title = *recordTitle->stringValue();
        hasRealTitle = !title.empty();
    } else {
        title = ownerName;
        hasRealTitle = false;
    }
    const auto* recordMinimized = value(dictionary, "minimized");
    minimized = recordMinimized ? recordMinimized->boolValue().value_or(true) : true;
    x = number(dictionary, "position_x");
    y = number(dictionary, "position_y");
    w = number(dictionary, "size_w");
    h = number(dictionary, "size_h");
    this->ownerName = ownerName;

    auto screens = platform::Screens::screens();
    auto frame = Rect::make(x, y, w, h);
    bool displayFound = false;
    for (std::size_t index = 0; index < screens.size(); ++index) {
        const auto& screen = screens[index].frame;
        double firstHeight = screens.front().frame.height();
        auto flipped = Rect::make(screen.origin.x, firstHeight - screen.size.height - screen.origin.y,
                                  screen.size.width, screen.size.height);
        auto fromOrigin = Rect::make(0, 0, w, y + h);
        if (flipped.minX() == x || flipped.minX() == 0) add(fullscreenSides, FullscreenSides::left);
        if (flipped.minY() == y || flipped.minY() == 0) add(fullscreenSides, FullscreenSides::top);
        if (flipped.maxX() == x + w || flipped.maxX() == fromOrigin.maxX())
            add(fullscreenSides, FullscreenSides::right);
        if (flipped.maxY() == y + h || flipped.maxY() == fromOrigin.maxY())
            add(fullscreenSides, FullscreenSides::bottom);
        if (!displayFound && (flipped == frame || containsEntirely(flipped, frame))) {
            display = static_cast<std::int64_t>(index);
            displayFound = true;
        }
    }

    if (const auto* recordPid = value(dictionary, "pid")) {
        if (auto integer = recordPid->integerValue()) {
            pid = static_cast<std::int32_t>(std::clamp<std::int64_t>(*integer, INT32_MIN, INT32_MAX));
        }
    }
    if (const auto* recordLayer = value(dictionary, "layer")) layer = recordLayer->integerValue().value_or(0);
}

std::string Window::frameKey() const {
    return std::to_string(pid) + "_" + std::to_string(truncatedInt64(x)) + "_" +
           std::to_string(truncatedInt64(y)) + "_" + std::to_string(truncatedInt64(w)) + "_" +
           std::to_string(truncatedInt64(h));
}

std::string Window::activationKey() const {
    return WindowSystemUtils::windowIdentity(pid, title, x, y, w, h);
}

std::size_t Window::hashValue() const {
    std::size_t seed = std::hash<bool>()(minimized);
    seed ^= std::hash<std::string>()(title) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    return seed;
}

bool operator==(const Window& a, const Window& b) {
    return a.minimized == b.minimized && a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h &&
           a.title == b.title && a.fullscreenSides == b.fullscreenSides && a.pid == b.pid;
}

}  // namespace Velmora
