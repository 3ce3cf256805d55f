#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/MainQueue.h"
#include "platform/sim/DefaultsCommand.h"
#include "platform/sim/DesktopState.h"
#include "platform/sim/Scenario.h"
#include "platform/system/Accessibility.h"
#include "platform/system/AppleScript.h"
#include "platform/system/Application.h"
#include "platform/system/Event.h"
#include "platform/system/LoginItems.h"
#include "platform/system/System.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"

namespace platform::sim {

// Something the program asked the desktop to do.
struct DesktopAction {
    std::string name;
    nlohmann::json details = nlohmann::json::object();

    // {"action": name, details…} on one line.
    std::string jsonLine() const;
};

enum class EventTarget { otherApplication, thisApplication };

// Where the pointer and the held modifier keys come from when something outside the desktop knows
// them (the real display); without one they follow the injected events. Called on any thread and
// often (every pointer poll), so an implementation answers from what it has at hand.
class InputSource {
public:
    virtual ~InputSource() = default;
    virtual Point mouseLocation() = 0;
    virtual std::uint64_t modifierFlags() = 0;
};

struct DesktopOptions {
    // Puts the scenario's screens (one default screen when it has none) into `Screens`. The
    // program on a display takes its screens from the display instead.
    bool appliesScreens = true;
    // The program's own bundle identifier, unless the scenario names one.
    std::string currentBundleIdentifier = "com.velmora.Velmora";
    // Where each action is appended as a JSON line; by default $VELMORA_DESKTOP_LOG.
    std::optional<std::string> actionLogPath = defaultActionLogPath();

    static std::optional<std::string> defaultActionLogPath();
};

// A desktop of the kind the program expects, kept in memory and loaded from a JSON scenario (see
// docs/desktop-scenarios.md). Application bundles are real folders below the desktop's root
// folder, which the file manager serves for "/Applications", "/System" and "/Library" while the
// desktop lives.
//
// Any thread may query it: the state is an immutable snapshot, replaced as a whole under a lock
// on every change. Changes may come from any thread too; notifications, completions and event
// handlers run where the platform runs them (the main thread).
class SimulatedDesktop final : public System, public std::enable_shared_from_this<SimulatedDesktop> {
public:
    using Options = DesktopOptions;

    // None, with the reason in `error`, when the scenario cannot be read.
    static std::shared_ptr<SimulatedDesktop> load(const std::string& path, Options options = {},
                                                  std::string* error = nullptr);
    // Relative paths are taken from `baseFolder`.
    static std::shared_ptr<SimulatedDesktop> fromJSON(const std::string& text, Options options = {},
                                                      std::string* error = nullptr,
                                                      const std::string& baseFolder = resourcesDirectory() +
                                                                                      "/desktop");
    static std::shared_ptr<SimulatedDesktop> make(const Scenario& scenario, Options options = {},
                                                  std::optional<std::string> scenarioPath = std::nullopt);
    // The scenario named by $VELMORA_DESKTOP, else the demo desktop. A scenario that cannot be
    // read is reported on standard output and gives a desktop without applications that still
    // follows the file.
    static std::shared_ptr<SimulatedDesktop> loadDefault(Options options = {});

    ~SimulatedDesktop() override;
    SimulatedDesktop(const SimulatedDesktop&) = delete;
    SimulatedDesktop& operator=(const SimulatedDesktop&) = delete;

    std::shared_ptr<Workspace> workspace() override;
    std::shared_ptr<Accessibility> accessibility() override;
    std::shared_ptr<WindowList> windowList() override;
    std::shared_ptr<EventMonitors> eventMonitors() override;
    std::shared_ptr<LoginItems> loginItems() override;
    std::shared_ptr<AppleScript> appleScript() override;
    std::shared_ptr<Application> application() override;
    // The lines of `simulateCommandLine`, by their output.
    std::optional<std::string> runCommandLine(const std::string& commandLine) override;

    // Reads the scenario file again and applies what changed in it since the last reading:
    // applications that stay keep their process and identity. The error text when the file cannot
    // be read; the desktop is then left as it was.
    std::optional<std::string> reload();
    // Reloads whenever the file's modification changes, checked on a main-queue timer.
    void startWatching(TimeInterval interval = 1.0);
    void stopWatching();
    const std::optional<std::string>& scenarioPath() const { return scenarioPath_; }
    // The folder on this machine that holds "/Applications", "/System" and "/Library".
    const std::string& rootFolder() const { return root_; }

    std::shared_ptr<const DesktopState> state() const;
    // Changes with every change of the state.
    std::optional<std::uint64_t> generation() override;
    std::shared_ptr<RunningApplication> runningApplication(std::int32_t pid);

    // Changes as the user or other programs would make them; none of them is recorded.
    void setAccessibilityTrusted(bool trusted);
    int accessibilityPromptCount() const;
    void setScreens(std::vector<Screen> screens);
    void postActiveSpaceChange();
    // The process id of the new application.
    std::int32_t launch(const ApplicationDescription& description);
    bool quit(std::int32_t pid);
    bool setWindows(std::int32_t pid, std::vector<WindowDescription> windows);
    void setDockBadge(const std::string& title, std::optional<std::string> label);

    // Delivers an event as the system would, on the calling thread (the main thread): to this
    // application's local monitors (which may change or swallow it; the result is what the
    // application then gets) or to the global monitors. Mouse events move the pointer and flag
    // changes set the modifier flags.
    std::optional<Event> injectEvent(const Event& event, EventTarget target);
    // A change is told to the global monitors as a flags-changed event, on the main thread.
    void setModifierFlags(std::uint64_t flags);
    // Likewise a move of the pointer, as a mouse-moved event.
    void setMouseLocation(Point location);
    // Replaces the injected pointer and modifiers by `source`'s; none goes back to them.
    void setInputSource(std::shared_ptr<InputSource> source);

    // A shell command line that runs `defaults` or `killall` (the Dock's control) is carried out
    // here and never on the host: `defaults` on the preference domains of the state, `killall` on
    // the simulated processes, the Dock starting again at once under a new process id. The line
    // is recorded as a "commandLine" action. Only plain lists of those two run (";", "&&", "||",
    // quotes); anything else in such a line runs none of it and fails. None for every other line,
    // which the host's shell runs. Any thread.
    std::optional<CommandResult> simulateCommandLine(const std::string& commandLine);

    std::vector<DesktopAction> actions() const;
    std::vector<std::string> actionNames() const;
    void clearActions();

private:
    class WorkspaceImpl;
    class RunningApplicationImpl;
    class ApplicationImpl;
    class AccessibilityImpl;
    class Element;
    class WindowListImpl;
    class EventMonitorsImpl;
    class MonitorImpl;
    class LoginItemsImpl;
    class AppleScriptImpl;

    // Holds the current snapshot; running-application objects keep it so that they can still
    // answer once the desktop is gone.
    struct Store {
        mutable std::mutex mutex;
        std::shared_ptr<const DesktopState> state;
        // Counts the states set.
        std::uint64_t generation = 0;
        std::shared_ptr<const DesktopState> get() const;
        void set(std::shared_ptr<const DesktopState> next);
    };

    struct BundleRecord {
        ApplicationDescription description;
        // The running entry of the scenario the bundle came from; empty for an installed one.
        std::string scenarioKey;
    };

    struct Monitor {
        std::shared_ptr<EventMonitor> token;
        bool global = true;
        EventMask mask = 0;
        EventMonitors::GlobalHandler globalHandler;
        EventMonitors::LocalHandler localHandler;
    };
    bool isAdded(const std::shared_ptr<EventMonitor>& token);
    // On the main thread (posted there from any other).
    void tellGlobalMonitors(const Event& event);

    // What a change has to announce once the write lock is released.
    struct Announcements {
        bool trustChanged = false;
        bool activeSpaceChanged = false;
        bool windowsChanged = false;
        // Blocks for the main queue, each after its delay in seconds.
        std::vector<std::pair<TimeInterval, std::function<void()>>> mainQueueBlocks;
    };

    using Weak = std::weak_ptr<SimulatedDesktop>;
    static std::shared_ptr<Workspace> makeWorkspace(const Weak& desktop);
    static std::shared_ptr<Application> makeApplication(const Weak& desktop);
    static std::shared_ptr<Accessibility> makeAccessibility(const Weak& desktop);
    static std::shared_ptr<WindowList> makeWindowList(const Weak& desktop);
    static std::shared_ptr<EventMonitors> makeEventMonitors(const Weak& desktop);
    static std::shared_ptr<LoginItems> makeLoginItems(const Weak& desktop);
    static std::shared_ptr<AppleScript> makeAppleScript(const Weak& desktop);

    SimulatedDesktop(Options options, std::optional<std::string> scenarioPath);
    void setUp(const Scenario& scenario);

    // Each runs `body` on a copy of the state under the write lock and publishes the copy.
    template <class Body>
    auto change(Body&& body);
    void announce(Announcements announcements);

    // Helpers on a state being changed (write lock held).
    std::uint64_t start(DesktopState& state, const ApplicationDescription& description,
                        const std::string& key, std::optional<std::int32_t> pid,
                        Announcements& announcements);
    void stop(DesktopState& state, std::uint64_t serial);
    void bringForward(DesktopState& state, std::uint64_t serial);
    void activateNext(DesktopState& state);
    void applyDescription(SimApplication& app, const ApplicationDescription& description);
    std::vector<SimWindow> numbered(const std::vector<WindowDescription>& windows);
    std::int32_t freshPid(const DesktopState& state);
    void writeBundles(const Scenario& scenario);
    void applyDefaults(const Scenario& scenario);
    void applyScreens(const Scenario& scenario);
    void checkScenarioFile();
    void finishLaunching(std::uint64_t serial, std::vector<WindowDescription> windows);

    // Actions of the system interfaces.
    void record(std::string name, nlohmann::json details = nlohmann::json::object());
    std::shared_ptr<RunningApplication> object(std::uint64_t serial);
    bool activate(std::uint64_t serial, std::uint64_t options);
    bool terminate(std::uint64_t serial, bool force);
    bool setHidden(std::uint64_t serial, bool hidden);
    void hideOthers(const char* actionName);
    // The application that opened the address, and whether it was launched for it.
    struct Opened {
        std::shared_ptr<RunningApplication> application;
        bool launched = false;
        bool ok = false;
    };
    Opened openBundle(const std::string& path, bool activates);
    Opened openAddress(const URL& url, bool activates);
    std::string iconPathForFile(const std::string& path) const;
    // One image per file version, so that repeated reads hand out the same image.
    std::optional<Image> image(const std::string& path);
    bool promptOrCheck(bool prompt);
    // The commands of a simulated line, by the words after the program's name.
    CommandResult defaults(const std::vector<std::string>& arguments);
    CommandResult killall(const std::vector<std::string>& arguments);
    AXError setMinimized(std::int32_t pid, std::int64_t window, bool minimized);

    const Options options_;
    const std::optional<std::string> scenarioPath_;
    std::string root_;
    bool ownsRoot_ = false;
    std::optional<std::optional<std::string>> previousSystemRoot_;
    std::shared_ptr<Store> store_ = std::make_shared<Store>();
    // Set while the windows' change waits on the main queue: a burst is announced once.
    const std::shared_ptr<std::atomic<bool>> windowsPending_ = std::make_shared<std::atomic<bool>>(false);

    // Guards every change and the fields below it.
    std::mutex writeMutex_;
    Scenario scenario_;
    std::map<std::string, BundleRecord> bundles_;
    std::uint64_t nextSerial_ = 1;
    std::int32_t nextPid_ = 1000;
    std::int64_t nextWindowNumber_ = 100;
    std::shared_ptr<Timer> watchTimer_;
    std::string fileSignature_;
    std::optional<std::size_t> fileDigest_;

    mutable std::mutex objectsMutex_;
    std::map<std::uint64_t, std::shared_ptr<RunningApplication>> objects_;

    mutable std::mutex inputMutex_;
    std::uint64_t modifierFlags_ = 0;
    Point mouseLocation_;
    std::vector<Monitor> monitors_;
    std::shared_ptr<InputSource> inputSource_;

    std::mutex imagesMutex_;
    std::map<std::string, Image> images_;

    mutable std::mutex actionsMutex_;
    std::vector<DesktopAction> actions_;
    int promptCount_ = 0;

    std::shared_ptr<Workspace> workspace_;
    std::shared_ptr<Accessibility> accessibility_;
    std::shared_ptr<WindowList> windowList_;
    std::shared_ptr<EventMonitors> eventMonitors_;
    std::shared_ptr<LoginItems> loginItems_;
    std::shared_ptr<AppleScript> appleScript_;
    std::shared_ptr<Application> application_;
};

template <class Body>
auto SimulatedDesktop::change(Body&& body) {
    Announcements announcements;
    std::unique_lock lock(writeMutex_);
    auto next = std::make_shared<DesktopState>(*store_->get());
    auto result = body(*next, announcements);
    store_->set(std::move(next));
    announcements.windowsChanged = true;
    lock.unlock();
    announce(std::move(announcements));
    return result;
}

}  // namespace platform::sim
