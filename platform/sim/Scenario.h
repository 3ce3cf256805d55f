#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/system/Geometry.h"
#include "platform/system/LoginItems.h"
#include "platform/system/RunningApplication.h"
#include "platform/system/Screen.h"

namespace platform::sim {

// The attributes that a scenario may mark unreadable are Accessibility attribute names ("AXTitle",
// "AXMinimized", "AXWindows"…) and window-list keys ("kCGWindowName", "kCGWindowOwnerName").
// An unreadable Accessibility attribute cannot be written either.

struct WindowDescription {
    std::optional<std::string> title;
    // Origin at the top-left of the first screen, y growing downwards (as Accessibility and the
    // window list report frames).
    Rect frame;
    bool minimized = false;
    bool fullscreen = false;
    std::int64_t layer = 0;
    // None: the element has no role.
    std::optional<std::string> role = "AXWindow";
    bool inAccessibility = true;
    bool inWindowList = true;
    std::vector<std::string> unreadable;

    friend bool operator==(const WindowDescription&, const WindowDescription&) = default;
};

struct ApplicationDescription {
    std::optional<std::int32_t> pid;
    std::optional<std::string> name;
    std::optional<std::string> bundleIdentifier;
    // The bundle folder as a platform path without the final "/"; none for a process without one.
    std::optional<std::string> bundlePath;
    // An image file on this machine; none for an application without an icon.
    std::optional<std::string> icon;
    ActivationPolicy policy = ActivationPolicy::regular;
    bool active = false;
    bool hidden = false;
    bool finishedLaunching = true;
    // Seconds from a launch by the workspace until the application has finished launching.
    double launchTime = 0;
    // Of a running application: its windows; of an installed one: the windows it opens at launch.
    std::vector<WindowDescription> windows;
    std::vector<std::string> unreadable;
    // Entries that replace the generated ones in the bundle's Info.plist (null removes one).
    nlohmann::json info = nlohmann::json::object();

    // What identifies the entry from one version of the file to the next.
    std::string identityKey() const;

    friend bool operator==(const ApplicationDescription&, const ApplicationDescription&) = default;
};

struct DockItemDescription {
    std::optional<std::string> title;
    std::optional<std::string> statusLabel;
    std::optional<std::string> role = "AXDockItem";
    std::vector<std::string> unreadable;

    friend bool operator==(const DockItemDescription&, const DockItemDescription&) = default;
};

struct DockDescription {
    bool running = true;
    std::optional<std::int32_t> pid;
    // Badge label by item title, for the items made from the running applications.
    std::map<std::string, std::string> badges;
    // When given, exactly these items, instead of one per running regular application.
    std::optional<std::vector<DockItemDescription>> items;

    friend bool operator==(const DockDescription&, const DockDescription&) = default;
};

struct Scenario {
    // A folder on this machine that holds the desktop's file system; none for a temporary one.
    std::optional<std::string> root;
    bool accessibilityTrusted = true;
    // Platform coordinates: origin at the bottom-left of the first screen, y growing upwards.
    std::vector<Screen> screens;
    std::string currentApplicationName = "Velmora";
    std::optional<std::string> currentBundleIdentifier;
    std::vector<ApplicationDescription> applications;
    std::vector<ApplicationDescription> installed;
    DockDescription dock;
    // Initial user defaults: each value is stored JSON-coded, as a data object, under its key.
    nlohmann::json defaults = nlohmann::json::object();
    LoginItemStatus loginItemStatus = LoginItemStatus::notRegistered;
    std::optional<std::string> loginItemError;

    friend bool operator==(const Scenario&, const Scenario&) = default;

    // `baseFolder` resolves relative paths (icons, root). The error says where the text is wrong.
    static std::variant<Scenario, std::string> parse(const std::string& text, const std::string& baseFolder);
    // Larger files are refused unread.
    static constexpr std::uint64_t maximumFileSize = 16u << 20;
    static std::variant<Scenario, std::string> load(const std::string& path);
};

// Where the program's resources are: $VELMORA_RESOURCES, else those installed beside the program,
// else the folder the build was made from.
std::string resourcesDirectory();
// resources/desktop/demo.json
std::string demoScenarioPath();
// The generic icons handed out for items without one of their own.
std::string genericApplicationIconPath();
std::string genericFolderIconPath();
std::string genericDocumentIconPath();

}  // namespace platform::sim
