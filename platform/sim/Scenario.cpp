#include "platform/sim/Scenario.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/JSONNesting.h"

namespace platform::sim {
namespace {

using nlohmann::json;

struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& where, const std::string& message) {
    throw ScenarioError(where.empty() ? message : where + ": " + message);
}

std::string member(const std::string& where, const std::string& key) {
    return where.empty() ? key : where + "." + key;
}

std::string element(const std::string& where, std::size_t index) {
    return where + "[" + std::to_string(index) + "]";
}

const json& object(const json& value, const std::string& where) {
    if (!value.is_object()) fail(where, "expected an object");
    return value;
}

const json& array(const json& value, const std::string& where) {
    if (!value.is_array()) fail(where, "expected an array");
    return value;
}

// Unknown keys are refused, so that a misspelt key does not silently keep its default.
void checkKeys(const json& value, const std::string& where, std::initializer_list<const char*> allowed) {
    for (const auto& [key, ignored] : value.items()) {
        bool known = false;
        for (const char* name : allowed) known = known || key == name;
        if (!known) fail(member(where, key), "unknown key");
    }
}

bool has(const json& value, const char* key) { return value.contains(key); }

// Absent or null gives none.
std::optional<std::string> optionalString(const json& value, const char* key, const std::string& where) {
    if (!has(value, key) || value.at(key).is_null()) return std::nullopt;
    if (!value.at(key).is_string()) fail(member(where, key), "expected text");
    return value.at(key).get<std::string>();
}

bool boolean(const json& value, const char* key, const std::string& where, bool fallback) {
    if (!has(value, key)) return fallback;
    if (!value.at(key).is_boolean()) fail(member(where, key), "expected true or false");
    return value.at(key).get<bool>();
}

double number(const json& value, const std::string& where) {
    if (!value.is_number()) fail(where, "expected a number");
    return value.get<double>();
}

std::int64_t integer(const json& value, const std::string& where) {
    if (!value.is_number_integer()) fail(where, "expected an integer");
    return value.get<std::int64_t>();
}

std::optional<std::int32_t> processIdentifier(const json& value, const std::string& where) {
    if (!has(value, "pid") || value.at("pid").is_null()) return std::nullopt;
    auto pid = integer(value.at("pid"), member(where, "pid"));
    if (pid <= 0 || pid > std::numeric_limits<std::int32_t>::max())
        fail(member(where, "pid"), "out of range");
    return static_cast<std::int32_t>(pid);
}

Rect rect(const json& value, const std::string& where) {
    if (!value.is_array() || value.size() != 4) fail(where, "expected [x, y, width, height]");
    return Rect::make(number(value[0], where), number(value[1], where), number(value[2], where),
                      number(value[3], where));
}

std::vector<std::string> strings(const json& value, const char* key, const std::string& where) {
    std::vector<std::string> result;
    if (!has(value, key)) return result;
    const auto& list = array(value.at(key), member(where, key));
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i].is_string()) fail(element(member(where, key), i), "expected text");
        result.push_back(list[i].get<std::string>());
    }
    return result;
}

std::string resolved(const std::string& path, const std::string& baseFolder) {
    if (path.starts_with('/')) return path;
    return baseFolder + "/" + path;
}

ActivationPolicy policy(const json& value, const std::string& where) {
    if (!has(value, "policy")) return ActivationPolicy::regular;
    const auto& text = value.at("policy");
    if (text == "regular") return ActivationPolicy::regular;
    if (text == "accessory") return ActivationPolicy::accessory;
    if (text == "prohibited") return ActivationPolicy::prohibited;
    fail(member(where, "policy"), "expected \"regular\", \"accessory\" or \"prohibited\"");
}

// A platform path inside the folders the desktop serves ("/Applications", "/System", "/Library").
std::string bundlePath(const json& value, const std::string& where) {
    if (!value.is_string()) fail(where, "expected a path");
    auto path = value.get<std::string>();
    while (path.size() > 1 && path.ends_with('/')) path.pop_back();
    if (!(path.starts_with("/Applications/") || path.starts_with("/System/") ||
          path.starts_with("/Library/")))
        fail(where, "a bundle must lie below /Applications, /System or /Library");
    if (path.find("/../") != std::string::npos || path.ends_with("/.."))
        fail(where, "no \"..\" in a bundle path");
    return path;
}

WindowDescription window(const json& value, const std::string& where) {
    object(value, where);
    checkKeys(value, where,
              {"title", "frame", "minimized", "fullscreen", "layer", "role", "inAccessibility",
               "inWindowList", "unreadable"});
    WindowDescription window;
    window.title = optionalString(value, "title", where);
    if (!has(value, "frame")) fail(where, "a window needs a frame");
    window.frame = rect(value.at("frame"), member(where, "frame"));
    window.minimized = boolean(value, "minimized", where, false);
    window.fullscreen = boolean(value, "fullscreen", where, false);
    if (has(value, "layer")) window.layer = integer(value.at("layer"), member(where, "layer"));
    if (has(value, "role")) window.role = optionalString(value, "role", where);
    window.inAccessibility = boolean(value, "inAccessibility", where, true);
    window.inWindowList = boolean(value, "inWindowList", where, true);
    window.unreadable = strings(value, "unreadable", where);
    return window;
}

ApplicationDescription application(const json& value, const std::string& where, const std::string& baseFolder,
                                   bool installed) {
    object(value, where);
    if (installed) {
        checkKeys(value, where,
                  {"name", "bundleIdentifier", "bundle", "icon", "policy", "launchTime", "windows",
                   "unreadable", "info"});
    } else {
        checkKeys(value, where,
                  {"pid", "name", "bundleIdentifier", "bundle", "icon", "policy", "active", "hidden",
                   "finishedLaunching", "launchTime", "windows", "unreadable", "info"});
    }
    ApplicationDescription app;
    app.pid = processIdentifier(value, where);
    app.name = optionalString(value, "name", where);
    app.bundleIdentifier = optionalString(value, "bundleIdentifier", where);
    if (!has(value, "bundle")) {
        if (app.name) app.bundlePath = "/Applications/" + *app.name + ".app";
    } else if (!value.at("bundle").is_null()) {
        app.bundlePath = bundlePath(value.at("bundle"), member(where, "bundle"));
    }
    if (installed && !app.bundlePath) fail(where, "an installed application needs a bundle");
    if (!has(value, "icon")) {
        app.icon = genericApplicationIconPath();
    } else if (!value.at("icon").is_null()) {
        auto icon = optionalString(value, "icon", where);
        app.icon = resolved(*icon, baseFolder);
    }
    app.policy = policy(value, where);
    app.active = boolean(value, "active", where, false);
    app.hidden = boolean(value, "hidden", where, false);
    app.finishedLaunching = boolean(value, "finishedLaunching", where, true);
    if (has(value, "launchTime")) {
        app.launchTime = number(value.at("launchTime"), member(where, "launchTime"));
        if (!(app.launchTime >= 0)) fail(member(where, "launchTime"), "expected seconds, at least 0");
    }
    if (has(value, "windows")) {
        const auto& windows = array(value.at("windows"), member(where, "windows"));
        for (std::size_t i = 0; i < windows.size(); ++i)
            app.windows.push_back(window(windows[i], element(member(where, "windows"), i)));
    }
    app.unreadable = strings(value, "unreadable", where);
    if (has(value, "info")) app.info = object(value.at("info"), member(where, "info"));
    return app;
}

std::vector<Screen> screens(const json& value, const std::string& where) {
    std::vector<Screen> result;
    const auto& list = array(value, where);
    for (std::size_t i = 0; i < list.size(); ++i) {
        auto at = element(where, i);
        const auto& entry = object(list[i], at);
        checkKeys(entry, at, {"id", "name", "frame", "visibleFrame", "scale"});
        Screen screen;
        screen.identifier = optionalString(entry, "id", at).value_or("sim-" + std::to_string(i + 1));
        screen.localizedName = optionalString(entry, "name", at).value_or("Display " + std::to_string(i + 1));
        if (!has(entry, "frame")) fail(at, "a screen needs a frame");
        screen.frame = rect(entry.at("frame"), member(at, "frame"));
        screen.visibleFrame = has(entry, "visibleFrame")
                                  ? rect(entry.at("visibleFrame"), member(at, "visibleFrame"))
                                  : screen.frame;
        if (has(entry, "scale")) screen.backingScaleFactor = number(entry.at("scale"), member(at, "scale"));
        if (!(screen.backingScaleFactor > 0)) fail(member(at, "scale"), "expected a positive number");
        result.push_back(std::move(screen));
    }
    return result;
}

DockDescription dock(const json& value, const std::string& where) {
    object(value, where);
    checkKeys(value, where, {"running", "pid", "badges", "items"});
    DockDescription dock;
    dock.running = boolean(value, "running", where, true);
    dock.pid = processIdentifier(value, where);
    if (has(value, "badges")) {
        const auto& badges = object(value.at("badges"), member(where, "badges"));
        for (const auto& [title, label] : badges.items()) {
            if (!label.is_string()) fail(member(member(where, "badges"), title), "expected text");
            dock.badges[title] = label.get<std::string>();
        }
    }
    if (has(value, "items")) {
        dock.items.emplace();
        const auto& items = array(value.at("items"), member(where, "items"));
        for (std::size_t i = 0; i < items.size(); ++i) {
            auto at = element(member(where, "items"), i);
            const auto& entry = object(items[i], at);
            checkKeys(entry, at, {"title", "statusLabel", "role", "unreadable"});
            DockItemDescription item;
            item.title = optionalString(entry, "title", at);
            item.statusLabel = optionalString(entry, "statusLabel", at);
            if (has(entry, "role")) item.role = optionalString(entry, "role", at);
            item.unreadable = strings(entry, "unreadable", at);
            dock.items->push_back(std::move(item));
        }
    }
    return dock;
}

LoginItemStatus loginStatus(const json& value, const std::string& where) {
    if (value == "notRegistered") return LoginItemStatus::notRegistered;
    if (value == "enabled") return LoginItemStatus::enabled;
    if (value == "requiresApproval") return LoginItemStatus::requiresApproval;
    if (value == "notFound") return LoginItemStatus::notFound;
    fail(where, "expected \"notRegistered\", \"enabled\", \"requiresApproval\" or \"notFound\"");
}

Scenario scenario(const json& value, const std::string& baseFolder) {
    object(value, "");
    checkKeys(value, "",
              {"root", "accessibilityTrusted", "screens", "currentApplication", "applications", "installed",
               "dock", "defaults", "loginItem"});
    Scenario result;
    if (auto root = optionalString(value, "root", "")) result.root = resolved(*root, baseFolder);
    result.accessibilityTrusted = boolean(value, "accessibilityTrusted", "", true);
    if (has(value, "screens")) result.screens = screens(value.at("screens"), "screens");
    if (has(value, "currentApplication")) {
        const auto& current = object(value.at("currentApplication"), "currentApplication");
        checkKeys(current, "currentApplication", {"name", "bundleIdentifier"});
        if (auto name = optionalString(current, "name", "currentApplication"))
            result.currentApplicationName = *name;
        result.currentBundleIdentifier = optionalString(current, "bundleIdentifier", "currentApplication");
    }
    for (const char* key : {"applications", "installed"}) {
        if (!has(value, key)) continue;
        bool installed = std::string(key) == "installed";
        const auto& list = array(value.at(key), key);
        auto& target = installed ? result.installed : result.applications;
        for (std::size_t i = 0; i < list.size(); ++i)
            target.push_back(application(list[i], element(key, i), baseFolder, installed));
    }
    if (has(value, "dock")) result.dock = dock(value.at("dock"), "dock");
    if (has(value, "defaults")) result.defaults = object(value.at("defaults"), "defaults");
    if (has(value, "loginItem")) {
        const auto& login = object(value.at("loginItem"), "loginItem");
        checkKeys(login, "loginItem", {"status", "registerError"});
        if (has(login, "status"))
            result.loginItemStatus = loginStatus(login.at("status"), "loginItem.status");
        result.loginItemError = optionalString(login, "registerError", "loginItem");
    }
    return result;
}

}  // namespace

std::string ApplicationDescription::identityKey() const {
    if (pid) return "pid:" + std::to_string(*pid);
    if (bundleIdentifier) return "id:" + *bundleIdentifier;
    if (name) return "name:" + *name;
    return "unnamed";
}

std::variant<Scenario, std::string> Scenario::parse(const std::string& text, const std::string& baseFolder) {
    if (!jsonNestingWithin(text)) return std::string("nests too deeply");
    json value = json::parse(text, nullptr, false);
    if (value.is_discarded()) return std::string("not valid JSON");
    try {
        return scenario(value, baseFolder);
    } catch (const ScenarioError& error) {
        return std::string(error.what());
    }
}

std::variant<Scenario, std::string> Scenario::load(const std::string& path) {
    auto contents = FileManager::shared()->contentsOfFile(path, maximumFileSize);
    if (!contents) {
        const auto code = contents.error().code;
        return "cannot read " + path +
               (code == EFBIG    ? ": too large"
                : code == EINVAL ? ": not a regular file"
                                 : "");
    }
    const auto& text = *contents;
    auto slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    auto result = parse(text, folder);
    if (auto* error = std::get_if<std::string>(&result)) return path + ": " + *error;
    return result;
}

#ifndef VELMORA_RESOURCES_DIR
#define VELMORA_RESOURCES_DIR "resources"
#endif

std::string resourcesDirectory() {
    if (const char* value = std::getenv("VELMORA_RESOURCES"); value && *value) return value;
    // An installed program keeps its resources in <prefix>/share/velmora beside <prefix>/bin.
    static const std::string installed = [] {
        std::error_code error;
        auto program = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) return std::string();
        auto folder = program.parent_path().parent_path() / "share/velmora/resources";
        return std::filesystem::is_directory(folder / "desktop", error) ? folder.string() : std::string();
    }();
    return installed.empty() ? VELMORA_RESOURCES_DIR : installed;
}

std::string demoScenarioPath() { return resourcesDirectory() + "/desktop/demo.json"; }
std::string genericApplicationIconPath() {
    return resourcesDirectory() + "/desktop/icons/generic-application.png";
}
std::string genericFolderIconPath() { return resourcesDirectory() + "/desktop/icons/generic-folder.png"; }
std::string genericDocumentIconPath() { return resourcesDirectory() + "/desktop/icons/generic-document.png"; }

}  // namespace platform::sim
