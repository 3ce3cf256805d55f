#include "platform/x11/X11DockBadges.h"

#include <cstdio>
#include <map>

#include "platform/x11/X11Snapshot.h"
#include "platform/xdg/DesktopApplications.h"
#include "platform/xdg/LauncherBadges.h"

namespace platform::x11 {
namespace {

constexpr const char* dockBundleIdentifier = "com.apple.dock";

// The Dock, its list, or one of the list's items (with what it showed when the list was read).
class DockElement final : public AccessibilityElement {
public:
    enum class Kind { dock, list, item };
    explicit DockElement(Kind kind, std::string title = {}, std::string label = {})
        : kind(kind), title(std::move(title)), label(std::move(label)) {}
    std::int32_t processIdentifier() const override { return X11DockBadges::processIdentifier; }
    bool isEqual(const AccessibilityElement& other) const override {
        auto* element = dynamic_cast<const DockElement*>(&other);
        return element && element->kind == kind && element->title == title;
    }
    const Kind kind;
    const std::string title;
    const std::string label;
};

// A process of its own that never quits and has nothing to show or do.
class DockApplication final : public RunningApplication {
public:
    std::int32_t processIdentifier() const override { return X11DockBadges::processIdentifier; }
    std::optional<URL> bundleURL() const override { return std::nullopt; }
    std::optional<std::string> bundleIdentifier() const override { return dockBundleIdentifier; }
    std::optional<std::string> localizedName() const override { return "Dock"; }
    std::optional<Image> icon() const override { return std::nullopt; }
    ActivationPolicy activationPolicy() const override { return ActivationPolicy::prohibited; }
    bool isActive() const override { return false; }
    bool isHidden() const override { return false; }
    bool isTerminated() const override { return false; }
    bool isFinishedLaunching() const override { return true; }
    bool ownsMenuBar() const override { return false; }
    bool activate(std::uint64_t) override { return false; }
    bool terminate() override { return false; }
    bool forceTerminate() override { return false; }
    bool hide() override { return false; }
    bool unhide() override { return false; }
};

}  // namespace

std::shared_ptr<xdg::LauncherBadges> X11DockBadges::openLauncherBadges() {
    auto say = [](const std::string& error) {
        std::fprintf(stderr, "Velmora: no launcher counts: %s.\n", error.c_str());
    };
    std::string error;
    // Counts come when the bus answers; a bus found unreachable later is told on its own thread.
    auto badges = xdg::LauncherBadges::open(&error, nullptr, {}, say);
    if (!badges) say(error);
    return badges;
}

X11DockBadges::X11DockBadges(std::shared_ptr<xdg::LauncherBadges> badges,
                             std::shared_ptr<xdg::DesktopApplications> applications)
    : badges_(std::move(badges)),
      applications_(std::move(applications)),
      application_(std::make_shared<DockApplication>()) {}

std::optional<AXValue> X11DockBadges::attribute(const AccessibilityElement& element,
                                                const std::string& attribute,
                                                const X11Snapshot& snapshot) const {
    auto* part = dynamic_cast<const DockElement*>(&element);
    auto kind = part ? part->kind : DockElement::Kind::dock;
    switch (kind) {
        case DockElement::Kind::dock:
            if (attribute == "AXRole") return AXValue("AXApplication");
            if (attribute == "AXTitle") return AXValue("Dock");
            if (attribute == "AXChildren")
                return AXValue(AXValue::Array{
                    AXUIElement(std::make_shared<const DockElement>(DockElement::Kind::list))});
            return std::nullopt;
        case DockElement::Kind::list:
            if (attribute == "AXRole") return AXValue("AXList");
            if (attribute == "AXChildren") return AXValue(items(snapshot));
            return std::nullopt;
        case DockElement::Kind::item:
            if (attribute == "AXRole") return AXValue("AXDockItem");
            if (attribute == "AXTitle") return AXValue(part->title);
            if (attribute == "AXStatusLabel") return AXValue(part->label);
            return std::nullopt;
    }
    return std::nullopt;
}

AXValue::Array X11DockBadges::items(const X11Snapshot& snapshot) const {
    if (!badges_) return {};
    auto labels = badges_->labels();
    if (labels.empty()) return {};
    // The title the tracking gives the application: its running group's name, else its entry's.
    std::map<std::string, std::string> titles;
    if (applications_)
        for (const auto& entry : applications_->entries())
            if (labels.count(entry.id)) titles[entry.id] = entry.name;
    for (const auto& [identifier, group] : snapshot.groups)
        if (labels.count(identifier) && !group.name.empty()) titles[identifier] = group.name;
    AXValue::Array items;
    for (const auto& [id, label] : labels)
        if (auto title = titles.find(id); title != titles.end())
            items.emplace_back(AXUIElement(
                std::make_shared<const DockElement>(DockElement::Kind::item, title->second, label)));
    return items;
}

}  // namespace platform::x11
