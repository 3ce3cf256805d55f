#include <algorithm>

#include "platform/system/WindowList.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Services.h"

namespace platform::x11 {
namespace {

// The window list's layers: normal windows, docks, desktops.
constexpr std::int64_t normalLayer = 0;
constexpr std::int64_t dockLayer = 20;
constexpr std::int64_t desktopLayer = -2147483623;

std::int64_t layerOf(const X11Window& window) {
    switch (window.type) {
        case X11Window::Type::dock:
            return dockLayer;
        case X11Window::Type::desktop:
            return desktopLayer;
        default:
            return normalLayer;
    }
}

// Every managed window with its owner, front to back by layer.
class X11WindowList final : public WindowList {
public:
    explicit X11WindowList(std::weak_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {}

    std::vector<WindowInfo> copyWindowInfo(std::uint32_t options) override {
        auto desktop = desktop_.lock();
        if (!desktop) return {};
        auto snapshot = desktop->snapshot();
        std::vector<std::pair<std::int64_t, WindowInfo>> entries;
        for (const auto& window : snapshot->windows) {
            bool onScreen = !window.hidden && window.onCurrentDesktop;
            if ((options & WindowListOption::onScreenOnly) && !onScreen) continue;
            const auto& group = snapshot->groups.at(window.group);
            WindowInfo info;
            info.insert_or_assign("kCGWindowNumber", static_cast<std::int64_t>(window.id));
            info.insert_or_assign("kCGWindowOwnerPID", group.pid);
            info.insert_or_assign("kCGWindowOwnerName", group.name);
            info.insert_or_assign("kCGWindowName", window.title);
            info.insert_or_assign("kCGWindowLayer", layerOf(window));
            info.insert_or_assign("kCGWindowAlpha", 1.0);
            if (onScreen) info.insert_or_assign("kCGWindowIsOnscreen", true);
            info.insert_or_assign("kCGWindowBounds",
                                  DefaultsValue::Dictionary{{"X", window.frame.origin.x},
                                                            {"Y", window.frame.origin.y},
                                                            {"Width", window.frame.size.width},
                                                            {"Height", window.frame.size.height}});
            entries.emplace_back(layerOf(window), std::move(info));
        }
        // Higher layers lie in front of lower ones.
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        std::vector<WindowInfo> result;
        result.reserve(entries.size());
        for (auto& entry : entries) result.push_back(std::move(entry.second));
        return result;
    }

    std::optional<Image> createImage(std::uint32_t windowNumber) override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->windowImage(windowNumber) : std::nullopt;
    }

private:
    const std::weak_ptr<X11Desktop> desktop_;
};

}  // namespace

std::shared_ptr<WindowList> makeX11WindowList(std::weak_ptr<X11Desktop> desktop) {
    return std::make_shared<X11WindowList>(std::move(desktop));
}

}  // namespace platform::x11
