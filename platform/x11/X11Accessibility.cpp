#include "platform/system/Accessibility.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11DockBadges.h"
#include "platform/x11/X11Services.h"

namespace platform::x11 {
namespace {

// An application (no window) or one of its windows.
class X11Element final : public AccessibilityElement {
public:
    X11Element(std::int32_t pid, std::uint32_t window) : pid(pid), window(window) {}
    std::int32_t processIdentifier() const override { return pid; }
    bool isEqual(const AccessibilityElement& other) const override {
        auto* element = dynamic_cast<const X11Element*>(&other);
        return element && element->pid == pid && element->window == window;
    }
    const std::int32_t pid;
    // None for the application itself.
    const std::uint32_t window;
};

// The records of applications and their windows, read from the window manager's properties.
class X11Accessibility final : public Accessibility {
public:
    explicit X11Accessibility(std::weak_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {}

    bool isProcessTrusted(bool prompt) override {
        auto desktop = desktop_.lock();
        if (!desktop) return false;
        bool trusted = desktop->trusted();
        // The permission page's button: the user's consent is the trust.
        if (!trusted && prompt) desktop->recordConsent();
        return trusted;
    }
    AXUIElement applicationElement(std::int32_t pid) override {
        return std::make_shared<const X11Element>(pid, 0);
    }

    std::optional<AXValue> copyAttributeValue(const AXUIElement& element,
                                              const std::string& attribute) override {
        auto desktop = desktop_.lock();
        if (element && desktop && desktop->dock() && X11DockBadges::owns(*element) && desktop->trusted())
            return desktop->dock()->attribute(*element, attribute, *desktop->snapshot());
        const auto* target = dynamic_cast<const X11Element*>(element.get());
        if (!desktop || !target || !desktop->trusted()) return std::nullopt;
        auto snapshot = desktop->snapshot();
        const auto* group = snapshot->groupOfPid(target->pid);
        if (!group) return std::nullopt;
        if (!target->window) return applicationAttribute(*snapshot, *group, target->pid, attribute);
        const auto* window = snapshot->window(target->window);
        if (!window || window->group != group->identifier) return std::nullopt;
        if (attribute == "AXRole") return AXValue("AXWindow");
        if (attribute == "AXSubrole") return AXValue("AXStandardWindow");
        if (attribute == "AXTitle") return AXValue(window->title);
        if (attribute == "AXMinimized") return AXValue(window->hidden);
        if (attribute == "AXFullScreen") return AXValue(window->fullscreen);
        if (attribute == "AXZoomed") return AXValue(window->maximized && !window->fullscreen);
        if (attribute == "AXPosition") return AXValue(window->frame.origin);
        if (attribute == "AXSize") return AXValue(window->frame.size);
        if (attribute == "AXParent")
            return AXValue(AXUIElement(std::make_shared<const X11Element>(target->pid, 0)));
        return std::nullopt;
    }

    AXError setAttributeValue(const AXUIElement& element, const std::string& attribute,
                              const AXValue& value) override {
        auto desktop = desktop_.lock();
        const auto* target = dynamic_cast<const X11Element*>(element.get());
        if (!desktop || !target) return AXError::illegalArgument;
        if (!desktop->trusted()) return AXError::apiDisabled;
        if (!target->window || attribute != "AXMinimized") return AXError::attributeUnsupported;
        auto minimized = value.boolValue();
        if (!minimized) return AXError::illegalArgument;
        auto snapshot = desktop->snapshot();
        const auto* window = snapshot->window(target->window);
        const auto* group = snapshot->groupOfPid(target->pid);
        if (!window || !group || window->group != group->identifier) return AXError::invalidUIElement;
        if (*minimized)
            desktop->iconify({window->id});
        else
            desktop->activateWindow(window->id);
        desktop->invalidate();
        return AXError::success;
    }

private:
    static std::optional<AXValue> applicationAttribute(const X11Snapshot& snapshot, const X11Group& group,
                                                       std::int32_t pid, const std::string& attribute) {
        if (attribute == "AXRole") return AXValue("AXApplication");
        if (attribute == "AXTitle") return AXValue(group.name);
        if (attribute == "AXFrontmost") return AXValue(snapshot.activeGroup == group.identifier);
        if (attribute == "AXWindows" || attribute == "AXChildren") {
            AXValue::Array windows;
            for (auto id : group.windows) {
                const auto* window = snapshot.window(id);
                // Windows on other desktops are out of reach, as on another space.
                if (window->isApplicationWindow() && window->onCurrentDesktop)
                    windows.emplace_back(AXUIElement(std::make_shared<const X11Element>(pid, id)));
            }
            return AXValue(std::move(windows));
        }
        return std::nullopt;
    }

    const std::weak_ptr<X11Desktop> desktop_;
};

}  // namespace

std::shared_ptr<Accessibility> makeX11Accessibility(std::weak_ptr<X11Desktop> desktop) {
    return std::make_shared<X11Accessibility>(std::move(desktop));
}

}  // namespace platform::x11
