#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/Event.h"
#include "platform/system/Geometry.h"
#include "platform/system/Image.h"
#include "platform/system/RunningApplication.h"
#include "platform/system/System.h"
#include "platform/xdg/DesktopApplications.h"

namespace platform::x11 {

class XInputSource;

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
    // The frame, top-left origin, y down.
    Rect frame;
    std::string group;
};

// The applications the windows make up.
struct X11Group {
    std::string identifier;
    std::string name;
    std::string bundlePath;
    // Of the process of the group's first window.
    std::int32_t pid = 0;
    // The group's windows, front to back.
    std::vector<std::uint32_t> windows;
};

struct X11Snapshot {
    // Every managed window, front to back.
    std::vector<X11Window> windows;
    std::map<std::string, X11Group> groups;
    std::uint32_t activeWindow = 0;
    std::string activeGroup;
    // The root window's lists as read: mapping order, bottom-to-top order, the current desktop.
    std::vector<std::uint32_t> clients;
    std::vector<std::uint32_t> stacking;
    std::vector<std::uint32_t> currentDesktop;

    const X11Window* window(std::uint32_t id) const;
    const X11Group* groupOfPid(std::int32_t pid) const;
};

// The desktop of an X11 display whose window manager follows EWMH, as the platform's system:
// applications are the managed windows grouped by application, actions are EWMH client messages,
// global input comes from XInput2. Its own connections; any thread may query it.
//
// X11 asks no permission to watch other programs, so trust stands for the user's consent, kept as
// a file: asking with a prompt records it.
class X11Desktop final : public System, public std::enable_shared_from_this<X11Desktop> {
public:
    struct Options {
        // Empty for $DISPLAY.
        std::string displayName;
        // The consent file; by default velmora/x11-consent in the user's config folder.
        std::string consentPath = defaultConsentPath();
        std::string ownBundleIdentifier = "com.velmora.Velmora";
        std::string ownName = "Velmora";
        // Desktop entries, when known; else windows group by their class.
        ApplicationMatcher matcher;
        // The installed applications: served as the system's application folder while the desktop
        // lives, opened and launched by the workspace, and matching the windows unless `matcher`
        // says otherwise. Without them, nothing can be launched or opened.
        std::shared_ptr<xdg::DesktopApplications> applications;
        // Global input; opened on the display when none is given.
        std::shared_ptr<XInputSource> input;
        // Whether property changes are watched. Without a watch every query reads the display.
        bool watches = true;

        static std::string defaultConsentPath();
    };

    // None, with the reason in `error`, when the display cannot be opened or its window manager
    // does not follow EWMH.
    static std::shared_ptr<X11Desktop> open(Options options, std::string* error = nullptr);
    // Whether the display has a window manager announcing EWMH; the reason in `why` when not.
    static bool hasEwmhWindowManager(const std::string& displayName, std::string* why = nullptr);

    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    std::shared_ptr<Workspace> workspace() override;
    std::shared_ptr<Accessibility> accessibility() override;
    std::shared_ptr<WindowList> windowList() override;
    std::shared_ptr<EventMonitors> eventMonitors() override;
    std::shared_ptr<LoginItems> loginItems() override;
    std::shared_ptr<AppleScript> appleScript() override;
    std::shared_ptr<Application> application() override;
    std::shared_ptr<DesktopSession> desktopSession() override;

    // The windows as they are now; read again from the display after any change.
    std::shared_ptr<const X11Snapshot> snapshot();
    // Forgets the snapshot so the next query reads every window again.
    void invalidate();
    // Whether a change was seen since the last reading.
    bool stale() const { return generation_.load() != readGeneration_.load(); }
    std::shared_ptr<XInputSource> input() const { return input_; }
    // Hands an event of the program's own windows to the local monitors (main thread); the
    // result is what the program then gets.
    std::optional<Event> deliverLocal(const Event& event);
    const Options& options() const { return options_; }

private:
    class Connection;
    class Watcher;
    class WorkspaceImpl;
    class RunningApplicationImpl;
    class ApplicationImpl;
    class AccessibilityImpl;
    class Element;
    class WindowListImpl;
    class EventMonitorsImpl;
    class AppleScriptImpl;
    friend class RunningApplicationImpl;

    explicit X11Desktop(Options options);
    void setUpServices();
    std::shared_ptr<const X11Snapshot> read();
    void reconcile(const X11Snapshot& snapshot);
    std::shared_ptr<RunningApplicationImpl> object(const std::string& group);
    std::vector<std::shared_ptr<RunningApplication>> runningApplications();
    bool hasConsent() const;
    // The consent as last seen; read from the file when nothing watches it.
    bool trusted();
    bool recordConsent();
    void consentFileChanged();

    // Actions.
    bool activateGroup(const std::string& group, std::uint64_t options);
    bool iconify(const std::vector<std::uint32_t>& windows);
    bool activateWindow(std::uint32_t window);
    bool closeGroup(const std::string& group);
    bool killGroup(const std::string& group);
    void hideOthers(const std::string& except);
    std::optional<Image> iconOf(const std::string& group);
    void deliverGlobal(const Event& event);

    Options options_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<Watcher> watcher_;
    std::shared_ptr<XInputSource> input_;

    std::mutex snapshotMutex_;
    std::shared_ptr<const X11Snapshot> snapshot_;
    // The last snapshot for readers that must not wait while the display is read.
    mutable std::mutex publishedMutex_;
    std::shared_ptr<const X11Snapshot> published_;
    // What a window sets once before it is mapped (class, process, type), read once per window.
    struct Fixed {
        std::string wmClass;
        std::string wmInstance;
        std::int32_t pid = 0;
        X11Window::Type type = X11Window::Type::normal;
        ApplicationMatch match;
    };
    std::map<std::uint32_t, Fixed> fixed_;
    std::atomic<std::uint64_t> readGeneration_{0};
    std::atomic<std::uint64_t> generation_{1};
    std::atomic<bool> readsEverything_{true};

    mutable std::mutex objectsMutex_;
    std::vector<std::string> launchOrder_;
    std::map<std::string, std::shared_ptr<RunningApplicationImpl>> objects_;
    // A raised window that takes no focus keeps its application active until the active window
    // changes: the window manager never makes it the active window.
    std::string focuslessGroup_;
    std::uint32_t activeWhenFocuslessRaised_ = 0;
    bool consent_ = false;

    std::shared_ptr<Workspace> workspace_;
    std::shared_ptr<Accessibility> accessibility_;
    std::shared_ptr<WindowList> windowList_;
    std::shared_ptr<EventMonitors> eventMonitors_;
    std::shared_ptr<LoginItems> loginItems_;
    std::shared_ptr<AppleScript> appleScript_;
    std::shared_ptr<Application> application_;
    std::shared_ptr<DesktopSession> session_;
    std::optional<std::optional<std::string>> previousSystemRoot_;
};

// A PNG of ARGB pixels (as `_NET_WM_ICON` holds them).
std::string encodePNG(const std::uint32_t* argb, std::uint32_t width, std::uint32_t height);

}  // namespace platform::x11
