#pragma once
// The Dock of the X11 desktop: the launcher counts programs publish on the session bus, served as
// the other platform's Dock serves its badges, so that the tracking reads them unchanged.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/system/Accessibility.h"
#include "platform/system/RunningApplication.h"

namespace platform::xdg {
class DesktopApplications;
class LauncherBadges;
}  // namespace platform::xdg

namespace platform::x11 {

struct X11Snapshot;

// A running application "com.apple.dock" whose "AXList" holds one "AXDockItem" per application
// showing a count: "AXTitle" the application's name (its running group's, else its desktop
// entry's), "AXStatusLabel" the count in decimal. Counts of applications with neither are left out.
class X11DockBadges {
public:
    // No process has it, so it is never taken for a program's.
    static constexpr std::int32_t processIdentifier = -1;

    // Opens the reader on the desktop's session bus without waiting for it; none, with one line on
    // standard error, when there is no session bus (the same line later when it cannot be reached).
    static std::shared_ptr<xdg::LauncherBadges> openLauncherBadges();

    X11DockBadges(std::shared_ptr<xdg::LauncherBadges> badges,
                  std::shared_ptr<xdg::DesktopApplications> applications);

    const std::shared_ptr<RunningApplication>& application() const { return application_; }
    // Whether the element is the Dock or a part of it.
    static bool owns(const AccessibilityElement& element) {
        return element.processIdentifier() == processIdentifier;
    }
    std::optional<AXValue> attribute(const AccessibilityElement& element, const std::string& attribute,
                                     const X11Snapshot& snapshot) const;

private:
    AXValue::Array items(const X11Snapshot& snapshot) const;

    const std::shared_ptr<xdg::LauncherBadges> badges_;
    const std::shared_ptr<xdg::DesktopApplications> applications_;
    const std::shared_ptr<RunningApplication> application_;
};

}  // namespace platform::x11
