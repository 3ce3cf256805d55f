#include <algorithm>

#include "platform/sim/SimulatedDesktop.h"

namespace platform::sim {
namespace {

constexpr const char* dockItemRole = "AXDockItem";

struct DockItem {
    std::optional<std::string> title;
    std::optional<std::string> statusLabel;
    std::optional<std::string> role;
    std::vector<std::string> unreadable;
};

bool isDockedApplication(const DesktopState& state, std::uint64_t serial, const SimApplication& app) {
    return app.policy == ActivationPolicy::regular && serial != state.currentSerial;
}

// The scenario's items, or one per running regular application with the badge of its title.
std::size_t dockItemCount(const DesktopState& state) {
    if (state.dock.items) return state.dock.items->size();
    std::size_t count = 0;
    for (auto serial : state.running)
        if (isDockedApplication(state, serial, *state.application(serial))) ++count;
    return count;
}

// One item, without making the others: the bar reads every item's attributes one by one.
std::optional<DockItem> dockItem(const DesktopState& state, std::size_t index) {
    if (state.dock.items) {
        if (index >= state.dock.items->size()) return std::nullopt;
        const auto& item = (*state.dock.items)[index];
        return DockItem{item.title, item.statusLabel, item.role, item.unreadable};
    }
    for (auto serial : state.running) {
        const auto* app = state.application(serial);
        if (!isDockedApplication(state, serial, *app)) continue;
        if (index-- > 0) continue;
        DockItem item{app->name, std::nullopt, dockItemRole, {}};
        if (app->name) {
            auto badge = state.dock.badges.find(*app->name);
            if (badge != state.dock.badges.end()) item.statusLabel = badge->second;
        }
        return item;
    }
    return std::nullopt;
}

}  // namespace

class SimulatedDesktop::Element final : public AccessibilityElement {
public:
    enum class Kind { application, window, dockList, dockItem };

    Element(Kind kind, std::int32_t pid, std::int64_t index = 0) : kind(kind), pid(pid), index(index) {}

    std::int32_t processIdentifier() const override { return pid; }
    bool isEqual(const AccessibilityElement& other) const override {
        auto* element = dynamic_cast<const Element*>(&other);
        return element && element->kind == kind && element->pid == pid && element->index == index;
    }

    static AXUIElement make(Kind kind, std::int32_t pid, std::int64_t index = 0) {
        return std::make_shared<const Element>(kind, pid, index);
    }

    const Kind kind;
    const std::int32_t pid;
    // The window's number, or the Dock item's position.
    const std::int64_t index;
};

class SimulatedDesktop::AccessibilityImpl final : public Accessibility {
public:
    explicit AccessibilityImpl(Weak desktop) : desktop_(std::move(desktop)) {}

    bool isProcessTrusted(bool prompt) override {
        auto desktop = desktop_.lock();
        return desktop && desktop->promptOrCheck(prompt);
    }

    AXUIElement applicationElement(std::int32_t processIdentifier) override {
        return Element::make(Element::Kind::application, processIdentifier);
    }

    std::optional<AXValue> copyAttributeValue(const AXUIElement& element,
                                              const std::string& attribute) override {
        auto desktop = desktop_.lock();
        const auto* target = dynamic_cast<const Element*>(element.get());
        if (!desktop || !target) return std::nullopt;
        auto state = desktop->state();
        if (!state->accessibilityTrusted) return std::nullopt;
        const auto* app = state->runningApplication(target->pid);
        if (!app) return std::nullopt;
        switch (target->kind) {
            case Element::Kind::application:
                return applicationAttribute(*state, *app, attribute);
            case Element::Kind::window:
                return windowAttribute(*app, target->index, attribute);
            case Element::Kind::dockList:
                return dockListAttribute(*state, *app, attribute);
            case Element::Kind::dockItem:
                return dockItemAttribute(*state, *app, target->index, attribute);
        }
        return std::nullopt;
    }

    AXError setAttributeValue(const AXUIElement& element, const std::string& attribute,
                              const AXValue& value) override {
        auto desktop = desktop_.lock();
        const auto* target = dynamic_cast<const Element*>(element.get());
        if (!desktop || !target) return AXError::illegalArgument;
        if (target->kind != Element::Kind::window || attribute != "AXMinimized") {
            return desktop->state()->accessibilityTrusted ? AXError::attributeUnsupported
                                                          : AXError::apiDisabled;
        }
        auto minimized = value.boolValue();
        if (!minimized) return AXError::illegalArgument;
        return desktop->setMinimized(target->pid, target->index, *minimized);
    }

private:
    static std::optional<AXValue> applicationAttribute(const DesktopState& state, const SimApplication& app,
                                                       const std::string& attribute) {
        if (app.isUnreadable(attribute)) return std::nullopt;
        if (attribute == "AXRole") return AXValue("AXApplication");
        if (attribute == "AXTitle") return app.name ? std::optional<AXValue>(*app.name) : std::nullopt;
        if (attribute == "AXFrontmost") return AXValue(app.active);
        if (attribute == "AXHidden") return AXValue(app.hidden);
        if (attribute == "AXWindows" || attribute == "AXChildren") {
            AXValue::Array elements;
            for (const auto& window : app.windows)
                if (window.inAccessibility)
                    elements.emplace_back(Element::make(Element::Kind::window, app.pid, window.number));
            if (attribute == "AXChildren" && state.dockApplication() == &app)
                elements.emplace_back(Element::make(Element::Kind::dockList, app.pid));
            return AXValue(std::move(elements));
        }
        return std::nullopt;
    }

    static std::optional<AXValue> windowAttribute(const SimApplication& app, std::int64_t number,
                                                  const std::string& attribute) {
        const auto* window = app.window(number);
        if (!window || !window->inAccessibility || window->isUnreadable(attribute)) return std::nullopt;
        if (attribute == "AXRole") return window->role ? std::optional<AXValue>(*window->role) : std::nullopt;
        if (attribute == "AXSubrole") {
            if (window->role != "AXWindow") return std::nullopt;
            return AXValue("AXStandardWindow");
        }
        if (attribute == "AXTitle")
            return window->title ? std::optional<AXValue>(*window->title) : std::nullopt;
        if (attribute == "AXMinimized") return AXValue(window->minimized);
        if (attribute == "AXFullScreen") return AXValue(window->fullscreen);
        if (attribute == "AXPosition") return AXValue(window->frame.origin);
        if (attribute == "AXSize") return AXValue(window->frame.size);
        if (attribute == "AXParent") return AXValue(Element::make(Element::Kind::application, app.pid));
        return std::nullopt;
    }

    static std::optional<AXValue> dockListAttribute(const DesktopState& state, const SimApplication& app,
                                                    const std::string& attribute) {
        if (state.dockApplication() != &app) return std::nullopt;
        if (attribute == "AXRole") return AXValue("AXList");
        if (attribute == "AXParent") return AXValue(Element::make(Element::Kind::application, app.pid));
        if (attribute == "AXChildren") {
            AXValue::Array elements;
            auto count = static_cast<std::int64_t>(dockItemCount(state));
            for (std::int64_t i = 0; i < count; ++i)
                elements.emplace_back(Element::make(Element::Kind::dockItem, app.pid, i));
            return AXValue(std::move(elements));
        }
        return std::nullopt;
    }

    static std::optional<AXValue> dockItemAttribute(const DesktopState& state, const SimApplication& app,
                                                    std::int64_t index, const std::string& attribute) {
        if (state.dockApplication() != &app) return std::nullopt;
        if (index < 0) return std::nullopt;
        auto found = dockItem(state, static_cast<std::size_t>(index));
        if (!found) return std::nullopt;
        const auto& item = *found;
        if (std::ranges::find(item.unreadable, attribute) != item.unreadable.end()) return std::nullopt;
        if (attribute == "AXRole") return item.role ? std::optional<AXValue>(*item.role) : std::nullopt;
        if (attribute == "AXSubrole") return AXValue("AXApplicationDockItem");
        if (attribute == "AXTitle") return item.title ? std::optional<AXValue>(*item.title) : std::nullopt;
        if (attribute == "AXStatusLabel")
            return item.statusLabel ? std::optional<AXValue>(*item.statusLabel) : std::nullopt;
        if (attribute == "AXParent") return AXValue(Element::make(Element::Kind::dockList, app.pid));
        return std::nullopt;
    }

    const Weak desktop_;
};

class SimulatedDesktop::WindowListImpl final : public WindowList {
public:
    explicit WindowListImpl(Weak desktop) : desktop_(std::move(desktop)) {}

    std::vector<WindowInfo> copyWindowInfo(std::uint32_t options) override {
        std::vector<std::pair<std::int64_t, WindowInfo>> entries;
        auto desktop = desktop_.lock();
        if (!desktop) return {};
        auto state = desktop->state();
        for (auto serial : state->frontToBack) {
            const auto* app = state->application(serial);
            for (const auto& window : app->windows) {
                if (!window.inWindowList) continue;
                bool onScreen = !window.minimized && !app->hidden;
                if ((options & WindowListOption::onScreenOnly) && !onScreen) continue;
                WindowInfo info;
                auto set = [&info](const char* key, DefaultsValue value) {
                    info.insert_or_assign(key, std::move(value));
                };
                set("kCGWindowNumber", window.number);
                set("kCGWindowOwnerPID", app->pid);
                if (app->name && !window.isUnreadable("kCGWindowOwnerName"))
                    set("kCGWindowOwnerName", *app->name);
                if (window.title && !window.isUnreadable("kCGWindowName"))
                    set("kCGWindowName", *window.title);
                set("kCGWindowLayer", window.layer);
                set("kCGWindowAlpha", 1.0);
                if (onScreen) set("kCGWindowIsOnscreen", true);
                set("kCGWindowBounds", DefaultsValue::Dictionary{{"X", window.frame.origin.x},
                                                                 {"Y", window.frame.origin.y},
                                                                 {"Width", window.frame.size.width},
                                                                 {"Height", window.frame.size.height}});
                entries.emplace_back(window.layer, std::move(info));
            }
        }
        // Higher layers lie in front of lower ones.
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        std::vector<WindowInfo> result;
        for (auto& [layer, info] : entries) result.push_back(std::move(info));
        return result;
    }

private:
    const Weak desktop_;
};

std::shared_ptr<Accessibility> SimulatedDesktop::makeAccessibility(const Weak& desktop) {
    return std::make_shared<AccessibilityImpl>(desktop);
}

std::shared_ptr<WindowList> SimulatedDesktop::makeWindowList(const Weak& desktop) {
    return std::make_shared<WindowListImpl>(desktop);
}

bool SimulatedDesktop::promptOrCheck(bool prompt) {
    bool trusted = state()->accessibilityTrusted;
    if (prompt) {
        {
            std::lock_guard lock(actionsMutex_);
            ++promptCount_;
        }
        record("accessibilityPrompt", {{"trusted", trusted}});
    }
    return trusted;
}

AXError SimulatedDesktop::setMinimized(std::int32_t pid, std::int64_t number, bool minimized) {
    nlohmann::json details;
    auto error = change([&](DesktopState& state, Announcements&) {
        if (!state.accessibilityTrusted) return AXError::apiDisabled;
        const auto* found = state.runningApplication(pid);
        if (!found) return AXError::invalidUIElement;
        auto* app = state.mutableApplication(found->serial);
        auto window = std::find_if(app->windows.begin(), app->windows.end(),
                                   [&](const SimWindow& window) { return window.number == number; });
        if (window == app->windows.end() || !window->inAccessibility) return AXError::invalidUIElement;
        if (window->isUnreadable("AXMinimized")) return AXError::cannotComplete;
        window->minimized = minimized;
        details = {{"pid", pid}, {"window", number}};
        if (window->title) details["title"] = *window->title;
        return AXError::success;
    });
    if (error == AXError::success) record(minimized ? "minimize" : "unminimize", details);
    return error;
}

}  // namespace platform::sim
