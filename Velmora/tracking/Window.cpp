#include "Velmora/tracking/Window.h"

#include <algorithm>

#include "platform/system/Screen.h"

namespace Velmora {
namespace {

using platform::Rect;

// Inclusive, as the platform's containment test: a rectangle on the edge of another lies inside it.
bool containsEntirely(const Rect& outer, const Rect& inner) {
    return inner.minX() >= outer.minX() && inner.maxX() <= outer.maxX() && inner.minY() >= outer.minY() &&
           inner.maxY() <= outer.maxY();
}

double overlapArea(const Rect& a, const Rect& b) {
    double width = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
    double height = std::min(a.maxY(), b.maxY()) - std::max(a.minY(), b.minY());
    return width > 0 && height > 0 ? width * height : 0;
}

void add(std::vector<FullscreenSides>& sides, FullscreenSides side) {
    if (std::find(sides.begin(), sides.end(), side) == sides.end()) sides.push_back(side);
}

}  // namespace

Window::Window(const WindowRecord& dictionary, const std::string& ownerName)
    : Window(dictionary, ownerName, platform::Screens::screens()) {}

Window::Window(const WindowRecord& dictionary, const std::string& ownerName,
               const std::vector<platform::Screen>& screens) {
    // One pass over the record: a refresh makes a window for every window on the desktop.
    const platform::DefaultsValue* recordTitle = nullptr;
    const platform::DefaultsValue* recordMinimized = nullptr;
    const platform::DefaultsValue* recordPid = nullptr;
    const platform::DefaultsValue* recordLayer = nullptr;
    for (const auto& [key, entry] : dictionary) {
        const std::string_view name = key;
        if (name == "title")
            recordTitle = &entry;
        else if (name == "minimized")
            recordMinimized = &entry;
        else if (name == "position_x")
            x = entry.doubleValue().value_or(0);
        else if (name == "position_y")
            y = entry.doubleValue().value_or(0);
        else if (name == "size_w")
            w = entry.doubleValue().value_or(0);
        else if (name == "size_h")
            h = entry.doubleValue().value_or(0);
        else if (name == "pid")
            recordPid = &entry;
        else if (name == "layer")
            recordLayer = &entry;
        else if (name == "zoomed")
            zoomed = entry.boolValue().value_or(false);
    }
    if (recordTitle && recordTitle->stringValue()) {
        title = *recordTitle->stringValue();
        hasRealTitle = !title.empty();
    } else {
        title = ownerName;
        hasRealTitle = false;
    }
    minimized = recordMinimized ? recordMinimized->boolValue().value_or(true) : true;
    this->ownerName = ownerName;
    place(screens);
    if (recordPid) {
        if (auto integer = recordPid->integerValue()) {
            pid = static_cast<std::int32_t>(std::clamp<std::int64_t>(*integer, INT32_MIN, INT32_MAX));
        }
    }
    if (recordLayer) layer = recordLayer->integerValue().value_or(0);
}

Window::Window(const ListedWindow& listed, const std::string& ownerName,
               const std::vector<platform::Screen>& screens)
    : minimized(false),
      hasRealTitle(listed.title && !listed.title->empty()),
      x(listed.x),
      y(listed.y),
      w(listed.width),
      h(listed.height),
      pid(listed.pid),
      layer(listed.layer.value_or(0)),
      title(listed.title.value_or(ownerName)),
      ownerName(ownerName) {
    place(screens);
}

void Window::place(const std::vector<platform::Screen>& screens) {
    auto frame = Rect::make(x, y, w, h);
    bool displayFound = false;
    // A window no screen holds whole belongs to the screen holding most of it.
    double largestPart = 0;
    fullscreenSides.reserve(4);
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
        } else if (!displayFound) {
            if (double part = overlapArea(flipped, frame); part > largestPart) {
                largestPart = part;
                display = static_cast<std::int64_t>(index);
            }
        }
    }
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
           a.title == b.title && a.fullscreenSides == b.fullscreenSides && a.pid == b.pid &&
           a.zoomed == b.zoomed;
}

}  // namespace Velmora
