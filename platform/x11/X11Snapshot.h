#pragma once
// The windows of the display as read at one moment, and the reading of them.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/system/Geometry.h"
#include "platform/x11/X11Screens.h"

namespace platform::x11 {

class X11Connection;
class X11Watcher;

// What a window's class, instance and executable say about the application it belongs to.
struct ApplicationMatch {
    std::string groupIdentifier;
    // A folder path ending with "/".
    std::string bundlePath;
    std::string name;
};

// Decides which application a window belongs to; none leaves it to the window's class.
using ApplicationMatcher = std::function<std::optional<ApplicationMatch>(
    const std::string& wmClass, const std::string& wmInstance, const std::string& executablePath)>;

// One managed window as the display reports it.
struct X11Window {
    enum class Type { normal, dock, desktop, other };
    std::uint32_t id = 0;
    std::int32_t pid = 0;
    std::string wmClass;
    std::string wmInstance;
    std::string title;
    Type type = Type::normal;
    bool hidden = false;
    bool fullscreen = false;
    bool onCurrentDesktop = true;
    std::uint32_t desktop = 0xffffffff;
    // The frame, top-left origin of the first screen, y down, in the points of the screen holding
    // most of it.
    Rect frame;
    std::string group;

    // A window of the application's own, not a dock or the desktop.
    bool isApplicationWindow() const { return type == Type::normal || type == Type::other; }
};

// The applications the windows make up.
struct X11Group {
    std::string identifier;
    std::string name;
    std::string bundlePath;
    // Of the process of the group's first window, kept while the group has any window.
    std::int32_t pid = 0;
    // The group's windows, front to back.
    std::vector<std::uint32_t> windows;
};

struct X11Snapshot {
    // Every managed window, front to back.
    std::vector<X11Window> windows;
    std::map<std::string, X11Group> groups;
    // The groups in the order their first windows were mapped.
    std::vector<std::string> mappingOrder;
    std::uint32_t activeWindow = 0;
    std::string activeGroup;
    // The root window's lists as read: mapping order, bottom-to-top order, the current desktop.
    std::vector<std::uint32_t> clients;
    std::vector<std::uint32_t> stacking;
    std::vector<std::uint32_t> currentDesktop;

    const X11Window* window(std::uint32_t id) const;
    // The group of that identity, else the group of a window of that process.
    const X11Group* groupOfPid(std::int32_t pid) const;
    // Makes `window` and `groupOfPid` lookups instead of walks: every window's attribute asks for
    // its window and process, so a walk would make reading all of them quadratic. Call again after
    // changing `windows` or `groups`; until then an index that no longer fits is not used.
    void index();

private:
    struct Index {
        std::unordered_map<std::uint32_t, std::size_t> windows;
        // The group of that identity first, else the one of the frontmost window of that process.
        std::unordered_map<std::int32_t, std::string> groups;
        std::size_t windowCount = 0;
        std::size_t groupCount = 0;
    };
    bool indexFits() const;
    Index index_;
};

// Reads the managed windows into snapshots: one round trip for all of them, and only what changed
// since the previous snapshot when a watcher says what did. What a window sets once before it is
// mapped (class, process, type, and so its application) is read once per window.
class X11SnapshotReader {
public:
    struct Identity {
        // The program's own windows are this application.
        std::string ownIdentifier;
        std::string ownName;
        ApplicationMatcher matcher;
    };
    explicit X11SnapshotReader(Identity identity) : identity_(std::move(identity)) {}

    // `previous` none, no watcher, or `everything` read every window again. Frames go through
    // `screens`; windows not read again keep theirs, so a changed map needs `everything`.
    std::shared_ptr<X11Snapshot> read(X11Connection& connection, X11Watcher* watcher,
                                      const X11Snapshot* previous, bool everything, const ScreenMap& screens);

private:
    struct Fixed {
        std::string wmClass;
        std::string wmInstance;
        std::int32_t pid = 0;
        X11Window::Type type = X11Window::Type::normal;
        ApplicationMatch match;
    };
    ApplicationMatch matchOf(const X11Window& window) const;

    const Identity identity_;
    std::map<std::uint32_t, Fixed> fixed_;
    std::map<std::string, std::int32_t> groupPids_;
};

}  // namespace platform::x11
