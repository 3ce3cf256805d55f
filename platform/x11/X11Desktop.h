#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/system/Event.h"
#include "platform/system/Image.h"
#include "platform/system/RunningApplication.h"
#include "platform/system/System.h"
#include "platform/x11/X11RunningApplications.h"
#include "platform/x11/X11Snapshot.h"
#include "platform/xdg/DesktopApplications.h"
#include "platform/xdg/LauncherBadges.h"

namespace platform::x11 {

class XInputSource;
class X11Actions;
class X11Connection;
class X11Consent;
class X11EventMonitors;
class X11Watcher;
class X11DockBadges;

// The desktop of an X11 display whose window manager follows EWMH, as the platform's system:
// applications are the managed windows grouped by application, actions are EWMH client messages,
// global input comes from XInput2. Its own connections; any thread may query it.
//
// X11 asks no permission to watch other programs, so trust stands for the user's consent, kept as
// a file: asking with a prompt records it.
class X11Desktop final : public System,
                         public X11ApplicationHost,
                         public std::enable_shared_from_this<X11Desktop> {
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
        // The counts programs publish for their launchers, served as the Dock's badges; opened on
        // the session bus when none is given.
        std::shared_ptr<xdg::LauncherBadges> launcherBadges;
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
    std::shared_ptr<const X11Snapshot> snapshot() override;
    // The reading's generation: equal numbers, equal readings. None without a watch or consent.
    std::optional<std::uint64_t> generation() override;
    // The last reading, without waiting on the display; none before the first.
    std::shared_ptr<const X11Snapshot> published() const;
    // Forgets the snapshot so the next query reads every window again.
    void invalidate() override;
    // Whether a change was seen since the last reading.
    bool stale() const { return generation_.load() != readGeneration_.load(); }
    std::shared_ptr<XInputSource> input() const { return input_; }
    // Hands an event of the program's own windows to the local monitors (main thread); the
    // result is what the program then gets.
    std::optional<Event> deliverLocal(const Event& event);
    const Options& options() const { return options_; }

    // For the desktop's services.
    std::vector<std::shared_ptr<RunningApplication>> runningApplications();
    std::shared_ptr<RunningApplication> runningApplication(const std::string& group);
    void setOwnActivationPolicy(ActivationPolicy policy);
    // The consent as last seen; read from the file when nothing watches it.
    bool trusted();
    bool recordConsent();
    bool activateGroup(const std::string& group, std::uint64_t options) override;
    bool activateWindow(std::uint32_t window);
    bool iconify(const std::vector<std::uint32_t>& windows);
    bool hideGroup(const std::string& group) override;
    bool unhideGroup(const std::string& group) override;
    bool closeGroup(const std::string& group) override;
    bool killGroup(const std::string& group) override;
    std::optional<Image> iconOf(const std::string& group) override;
    std::optional<Image> windowImage(std::uint32_t window);
    // None without a session bus.
    const X11DockBadges* dock() const { return dock_.get(); }

private:
    explicit X11Desktop(Options options);
    void setUpServices();
    void consentFileChanged();
    // The desktop's settings changed: another icon theme has the applications' icons looked up again.
    void settingsChanged();
    // Whether the change of window manager under way is over (snapshotMutex_ held); it is when
    // the new manager lists every window the old one did that still exists, or after
    // `longestTakeover` seconds.
    bool takeoverEnded(std::uint64_t generation);
    // Whether `next` lost windows that are still shown: their manager let go of them
    // (snapshotMutex_ held).
    bool lostToNewManager(const X11Snapshot& next);

    Options options_;
    std::unique_ptr<X11Connection> connection_;
    std::unique_ptr<X11Actions> actions_;
    std::unique_ptr<X11Consent> consent_;
    std::unique_ptr<X11SnapshotReader> reader_;
    std::unique_ptr<X11RunningApplications> applications_;
    std::unique_ptr<X11Watcher> watcher_;
    std::shared_ptr<XInputSource> input_;
    std::unique_ptr<X11DockBadges> dock_;

    std::mutex snapshotMutex_;
    std::shared_ptr<const X11Snapshot> snapshot_;
    // Root pixels to the program's screens; read again with every full reading.
    ScreenMap screens_;
    std::shared_ptr<NotificationCenter::Token> screensChanged_;
    mutable std::mutex publishedMutex_;
    std::shared_ptr<const X11Snapshot> published_;
    // The map for the pointer, which moves on the input's thread.
    std::shared_ptr<SharedScreenMap> pointerScreens_ = std::make_shared<SharedScreenMap>();
    std::atomic<std::uint64_t> readGeneration_{0};
    std::atomic<std::uint64_t> generation_{1};
    std::atomic<bool> readsEverything_{true};
    // While the window manager changes, the last reading stands: the old one lets go of every
    // window before the new one takes them, and no application must seem to end meanwhile.
    static constexpr double longestTakeover = 3;
    struct Takeover {
        double since = 0;
        // The generation last compared with the display; none yet.
        std::optional<std::uint64_t> checked;
        // Whether the watch saw the selection change hands (a new manager may reuse the old one's ids).
        bool selectionChanged = false;
    };
    std::optional<Takeover> takeover_;
    std::atomic<bool> managerChangeSeen_{false};
    std::atomic<bool> managerSelectionChanged_{false};
    // The window manager the program last knew (its selection's owner and check window).
    std::uint32_t managerOwner_ = 0;
    std::uint32_t managerCheck_ = 0;
    // Set when a window was matched before the desktop entries were read; none with another matcher.
    std::shared_ptr<std::atomic<bool>> provisionalMatches_;

    std::mutex stateMutex_;
    // A raised window that takes no focus keeps its application active until the active window
    // changes: the window manager never makes it the active window.
    std::string focuslessGroup_;
    std::uint32_t activeWhenFocuslessRaised_ = 0;
    // Windows minimised by hiding their application, not by the user: bringing the application
    // forward shows them again, as it shows a hidden application.
    std::set<std::uint32_t> hiddenWithApplication_;
    bool consentGiven_ = false;
    // The icon theme the display announced when last asked.
    std::optional<std::string> iconTheme_;

    std::shared_ptr<Workspace> workspace_;
    std::shared_ptr<Accessibility> accessibility_;
    std::shared_ptr<WindowList> windowList_;
    std::shared_ptr<X11EventMonitors> eventMonitors_;
    std::shared_ptr<LoginItems> loginItems_;
    std::shared_ptr<AppleScript> appleScript_;
    std::shared_ptr<Application> application_;
    std::shared_ptr<DesktopSession> session_;
    std::optional<std::optional<std::string>> previousSystemRoot_;
};

}  // namespace platform::x11
