#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "Brindle/Object.h"
#include "Velmora/tracking/Window.h"
#include "platform/base/UUID.h"
#include "platform/foundation/URL.h"
#include "platform/system/Image.h"
#include "platform/system/RunningApplication.h"

namespace Velmora {

class Task;
using TaskList = std::vector<std::shared_ptr<Task>>;
using Windows = std::vector<std::shared_ptr<Window>>;
// Bundle addresses, for membership tests against the pinned list.
using AddressSet = std::unordered_set<platform::URL>;

// The address by which the system knows a running application: its bundle address, else
// "pid://" and its process id.
platform::URL applicationIdentity(const platform::RunningApplication& application);

// The bundle addresses of a list of tasks.
AddressSet bundlePaths(const TaskList& tasks);

// One application as the bar shows it: running, pinned, or installed. Tasks are shared between
// lists, the settings and the bar's buttons, and are not changed once another thread can see
// them (the task-list builder hands out copies instead of writing into them).
class Task : public Brindle::Object {
public:
    Task(std::shared_ptr<platform::RunningApplication> runningApplication, std::int64_t index,
         platform::URL bundlePath, bool isActive, std::int32_t processIdentifier, std::string title,
         std::optional<platform::Image> icon, Windows windows);

    platform::UUID id;
    // Order on the bar: smaller first.
    std::int64_t index;
    platform::URL bundlePath;
    // Absent for a pinned or installed application that is not running.
    std::shared_ptr<platform::RunningApplication> runningApplication;
    bool isActive;
    std::int32_t processIdentifier;
    std::string title;
    // Filled only by `loadBundleInfo`.
    std::optional<std::string> bundleIdentifier;
    std::optional<platform::Image> icon;
    Windows windows;
    std::optional<std::int64_t> screenIndex;
    // The Dock's badge.
    std::optional<std::string> badge;
    // What a desktop entry's bundle also answers to, from `loadBundleInfo`: its window class
    // (StartupWMClass) and its command's base name.
    std::vector<std::string> entryNames;

    // Title, bundle identifier and icon from the bundle; a missing or unreadable property list or
    // key leaves the field as it was, but the icon always comes from the workspace. Always true.
    bool loadBundleInfo();

    // The windows worth listing on the button, in order.
    Windows visibleWindows() const;

    // Whether the bar gives the task a button: the settings' pinned list counts for a task
    // without windows.
    bool shouldShow() const;
    bool shouldShow(const AddressSet& pinned) const;

    // The same task as a new object (same `id`), for a list that must not share this one.
    std::shared_ptr<Task> copy() const;

    // Whether anything a button shows differs; the first difference decides. `id`,
    // `bundlePath`, `processIdentifier`, `bundleIdentifier`, `icon` and `screenIndex` take no
    // part. `pinned` decides `shouldShow` on both sides.
    bool isEqual(const Task& other, const AddressSet& pinned) const;
    // Against the shared settings' pinned list.
    friend bool operator==(const Task& a, const Task& b);

    // The identifier only, so equal tasks of different refreshes hash differently.
    std::size_t hashValue() const;
};

// Same length and equal tasks position by position.
bool tasksEqual(const TaskList& a, const TaskList& b, const AddressSet& pinned);
bool tasksEqual(const TaskList& a, const TaskList& b);

}  // namespace Velmora

template <>
struct std::hash<Velmora::Task> {
    std::size_t operator()(const Velmora::Task& task) const noexcept { return task.hashValue(); }
};
