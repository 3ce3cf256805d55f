#include "platform/x11/X11Desktop.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/base/Clock.h"
#include "platform/base/MainQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/foundation/FileManager.h"
#include "platform/system/Accessibility.h"
#include "platform/system/Screen.h"
#include "platform/system/WindowList.h"
#include "platform/system/WindowManagerNotification.h"
#include "platform/x11/X11Actions.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Consent.h"
#include "platform/x11/X11DockBadges.h"
#include "platform/x11/X11EventMonitors.h"
#include "platform/x11/X11Icon.h"
#include "platform/x11/X11Services.h"
#include "platform/x11/X11Watcher.h"
#include "platform/x11/X11WindowImage.h"
#include "platform/x11/XInputSource.h"
#include "platform/x11/XSettings.h"
#include "platform/xdg/AutostartLoginItem.h"
#include "platform/xdg/Session.h"

namespace platform::x11 {
namespace {

// The windows of `before` that `now` no longer lists.
std::vector<std::uint32_t> missingFrom(const std::vector<std::uint32_t>& before,
                                       const std::vector<std::uint32_t>& now) {
    std::set<std::uint32_t> listed(now.begin(), now.end());
    std::vector<std::uint32_t> missing;
    for (auto window : before)
        if (!listed.count(window)) missing.push_back(window);
    return missing;
}

}  // namespace

std::string X11Desktop::Options::defaultConsentPath() {
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        folder = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        folder = std::string(home) + "/.config";
    else
        folder = "/tmp";
    return folder + "/velmora/x11-consent";
}

bool X11Desktop::hasEwmhWindowManager(const std::string& displayName, std::string* why) {
    std::string error;
    auto connection = X11Connection::open(displayName, &error);
    if (connection) error = connection->ewmhProblem();
    if (why) *why = error;
    return error.empty();
}

X11Desktop::X11Desktop(Options options) : options_(std::move(options)) {}

std::shared_ptr<X11Desktop> X11Desktop::open(Options options, std::string* error) {
    std::shared_ptr<std::atomic<bool>> provisional;
    if (auto applications = options.applications; applications && !options.matcher) {
        provisional = std::make_shared<std::atomic<bool>>(false);
        options.matcher = [applications, provisional](
                              const std::string& wmClass, const std::string& wmInstance,
                              const std::string& executable) -> std::optional<ApplicationMatch> {
            bool early = false;
            auto match = applications->match(wmClass, wmInstance, executable, &early);
            if (early) provisional->store(true);
            if (!match) return std::nullopt;
            return ApplicationMatch{match->groupIdentifier, match->bundlePath + "/", match->name};
        };
    }
    std::shared_ptr<X11Desktop> desktop(new X11Desktop(std::move(options)));
    desktop->provisionalMatches_ = provisional;
    auto& o = desktop->options_;
    desktop->connection_ = X11Connection::open(o.displayName, error);
    if (!desktop->connection_) return nullptr;
    if (auto problem = desktop->connection_->ewmhProblem(); !problem.empty()) {
        if (error) *error = problem;
        return nullptr;
    }
    desktop->input_ = o.input;
    if (!desktop->input_) desktop->input_ = XInputSource::open(o.displayName, error);
    if (!desktop->input_) return nullptr;
    auto manager = desktop->connection_->manager();
    desktop->managerOwner_ = manager.owner;
    desktop->managerCheck_ = manager.check;
    desktop->actions_ = std::make_unique<X11Actions>(*desktop->connection_);
    desktop->consent_ = std::make_unique<X11Consent>(o.consentPath);
    desktop->consentGiven_ = desktop->consent_->given();
    desktop->reader_ = std::make_unique<X11SnapshotReader>(
        X11SnapshotReader::Identity{o.ownBundleIdentifier, o.ownName, o.matcher});
    desktop->applications_ =
        std::make_unique<X11RunningApplications>(desktop->weak_from_this(), o.ownBundleIdentifier, o.ownName);
    if (o.applications) desktop->iconTheme_ = announcedIconTheme(o.displayName);
    if (o.watches) {
        auto* raw = desktop.get();
        X11Watcher::Callbacks callbacks{[raw] { raw->generation_.fetch_add(1); },
                                        [raw] { raw->consentFileChanged(); },
                                        [raw](bool selection) {
                                            if (selection) raw->managerSelectionChanged_ = true;
                                            raw->managerChangeSeen_ = true;
                                        },
                                        [raw] { raw->settingsChanged(); }};
        const auto& ewmh = desktop->connection_->ewmh;
        // What the task list shows: the windows, their owners, names and states, the active one.
        X11Watcher::Properties properties{
            ewmh._NET_CURRENT_DESKTOP,
            {ewmh._NET_CLIENT_LIST, ewmh._NET_ACTIVE_WINDOW, ewmh._NET_WM_STATE, ewmh._NET_WM_NAME,
             XCB_ATOM_WM_NAME, XCB_ATOM_WM_CLASS, ewmh._NET_WM_PID},
            {ewmh._NET_ACTIVE_WINDOW, ewmh._NET_WM_STATE},
            ewmh._NET_SUPPORTING_WM_CHECK,
            ewmh._NET_CLIENT_LIST,
            desktop->connection_->wmSelection,
            desktop->connection_->settingsSelection,
            desktop->connection_->settingsProperty};
        desktop->watcher_ =
            std::make_unique<X11Watcher>(o.displayName, desktop->connection_->root, std::move(properties),
                                         std::filesystem::path(o.consentPath).parent_path().string(),
                                         std::move(callbacks), desktop->input_->eventThread());
        // Nothing marks a snapshot stale without the watch, so none is kept.
        if (!desktop->watcher_->active()) desktop->watcher_.reset();
    }
    // The program's screens follow the monitors: their places and scales change how frames read.
    std::weak_ptr<X11Desktop> weak = desktop;
    desktop->screensChanged_ = NotificationCenter::defaultCenter()->addObserver(
        Screens::didChangeNotification, [weak](const Notification&) {
            if (auto strong = weak.lock()) strong->invalidate();
        });
    if (o.applications) {
        desktop->previousSystemRoot_ = FileManager::systemRoot();
        FileManager::setSystemRoot(o.applications->root());
    }
    // Installed and removed applications, and their icons, are what a refresh reads too.
    if (o.applications)
        o.applications->setChangeHandler([weak] {
            if (auto strong = weak.lock()) strong->generation_.fetch_add(1);
        });
    // Windows matched before the entries were read are matched again by the next reading.
    if (provisional)
        o.applications->setEntriesReadHandler([weak] {
            auto strong = weak.lock();
            if (!strong) return;
            strong->invalidate();
            MainQueue::async(
                [] { NotificationCenter::workspaceCenter()->post(WindowList::didChangeNotification); });
        });
    desktop->setUpServices();
    return desktop;
}

X11Desktop::~X11Desktop() {
    if (screensChanged_) NotificationCenter::defaultCenter()->removeObserver(screensChanged_);
    if (provisionalMatches_) options_.applications->setEntriesReadHandler(nullptr);
    if (dock_) options_.launcherBadges->setChangeHandler(nullptr);
    if (options_.applications) options_.applications->setChangeHandler(nullptr);
    watcher_.reset();
    if (previousSystemRoot_ && options_.applications &&
        FileManager::systemRoot() == options_.applications->root())
        FileManager::setSystemRoot(*previousSystemRoot_);
}

void X11Desktop::setUpServices() {
    auto self = weak_from_this();
    workspace_ = makeX11Workspace(self);
    accessibility_ = makeX11Accessibility(self);
    windowList_ = makeX11WindowList(self);
    application_ = makeX11Application(self);
    appleScript_ = makeX11AppleScript();
    loginItems_ = std::make_shared<xdg::AutostartLoginItem>();
    session_ = std::make_shared<xdg::Session>();
    if (!options_.launcherBadges) options_.launcherBadges = X11DockBadges::openLauncherBadges();
    if (options_.launcherBadges) {
        dock_ = std::make_unique<X11DockBadges>(options_.launcherBadges, options_.applications);
        // A count changes what the next reading serves.
        options_.launcherBadges->setChangeHandler([this] { generation_.fetch_add(1); });
    }
    eventMonitors_ = std::make_shared<X11EventMonitors>(
        input_, options_.ownBundleIdentifier, [self]() -> std::shared_ptr<const X11Snapshot> {
            auto desktop = self.lock();
            if (!desktop) return nullptr;
            auto published = desktop->published();
            return published ? published : desktop->snapshot();
        });
    // The pointer in the same coordinates as the windows' frames.
    input_->setPointMapping([screens = pointerScreens_](Point point) { return screens->toLogical(point); });
    std::weak_ptr<X11EventMonitors> monitors = eventMonitors_;
    input_->setHandler([monitors](const Event& event) {
        MainQueue::async([monitors, event] {
            if (auto strong = monitors.lock()) strong->deliverGlobal(event);
        });
    });
}

std::shared_ptr<Workspace> X11Desktop::workspace() { return workspace_; }
std::shared_ptr<Accessibility> X11Desktop::accessibility() { return accessibility_; }
std::shared_ptr<WindowList> X11Desktop::windowList() { return windowList_; }
std::shared_ptr<EventMonitors> X11Desktop::eventMonitors() { return eventMonitors_; }
std::shared_ptr<LoginItems> X11Desktop::loginItems() { return loginItems_; }
std::shared_ptr<AppleScript> X11Desktop::appleScript() { return appleScript_; }
std::shared_ptr<Application> X11Desktop::application() { return application_; }
std::shared_ptr<DesktopSession> X11Desktop::desktopSession() { return session_; }

std::optional<Event> X11Desktop::deliverLocal(const Event& event) {
    return eventMonitors_->deliverLocal(event);
}

void X11Desktop::invalidate() {
    readsEverything_ = true;
    generation_.fetch_add(1);
}

std::shared_ptr<const X11Snapshot> X11Desktop::snapshot() {
    // Off the main thread a reading waits for the desktop entries, sparing a regrouping of the
    // windows, but before it takes the lock: the main thread never waits behind it.
    if (provisionalMatches_ && !MainQueue::isMainThread())
        options_.applications->waitForEntries(std::chrono::seconds(10));
    std::lock_guard lock(snapshotMutex_);
    auto generation = generation_.load();
    if (snapshot_ && watcher_ && generation == readGeneration_) return snapshot_;
    if (managerChangeSeen_.exchange(false) && snapshot_) {
        if (!takeover_) takeover_ = Takeover{Clock::monotonicSeconds(), std::nullopt, false};
        if (managerSelectionChanged_.exchange(false)) takeover_->selectionChanged = true;
        takeover_->checked.reset();
    }
    bool tookOver = false;
    if (takeover_) {
        if (!takeoverEnded(generation)) return snapshot_;
        tookOver = true;
    }
    bool everything = readsEverything_.exchange(false) || !snapshot_;
    if (provisionalMatches_ && provisionalMatches_->load() && options_.applications->entriesRead()) {
        // A reader of its own forgets every window's application.
        provisionalMatches_->store(false);
        reader_ = std::make_unique<X11SnapshotReader>(
            X11SnapshotReader::Identity{options_.ownBundleIdentifier, options_.ownName, options_.matcher});
        everything = true;
    }
    if (everything)
        screens_ = ScreenMap::pair(readMonitors(connection_->xcb, connection_->root), Screens::screens());
    auto next = reader_->read(*connection_, watcher_.get(), snapshot_.get(), everything, screens_);
    // Windows may leave the list before the watch tells of a new manager.
    if (snapshot_ && !tookOver && lostToNewManager(*next)) {
        takeover_ = Takeover{Clock::monotonicSeconds(), std::nullopt, false};
        readsEverything_ = true;
        return snapshot_;
    }
    {
        std::lock_guard state(stateMutex_);
        if (!focuslessGroup_.empty()) {
            if (next->activeWindow == activeWhenFocuslessRaised_ && next->groups.count(focuslessGroup_))
                next->activeGroup = focuslessGroup_;
            else
                focuslessGroup_.clear();
        }
    }
    applications_->reconcile(*next);
    snapshot_ = next;
    readGeneration_ = generation;
    {
        std::lock_guard published(publishedMutex_);
        published_ = next;
        if (everything) pointerScreens_->set(screens_);
    }
    return snapshot_;
}

bool X11Desktop::lostToNewManager(const X11Snapshot& next) {
    auto missing = missingFrom(snapshot_->clients, next.clients);
    // A program that withdraws its window unmaps it first; a manager that goes leaves it shown.
    if (missing.empty() || connection_->existing(missing, true).empty()) return false;
    auto manager = connection_->manager();
    return !manager.present() || manager.owner != managerOwner_ || manager.check != managerCheck_;
}

bool X11Desktop::takeoverEnded(std::uint64_t generation) {
    auto& takeover = *takeover_;
    bool late = Clock::monotonicSeconds() - takeover.since >= longestTakeover;
    // Nothing seen since the last look: the display is not asked again.
    if (!late && takeover.checked == generation) return false;
    takeover.checked = generation;
    auto manager = connection_->manager();
    if (!late) {
        if (!manager.present()) return false;
        auto listed = cardinals(connection_->reply(
            connection_->property(connection_->root, connection_->ewmh._NET_CLIENT_LIST, 4096)));
        if (!connection_->existing(missingFrom(snapshot_->clients, listed)).empty()) return false;
    }
    readsEverything_ = true;
    bool changed =
        takeover.selectionChanged || manager.owner != managerOwner_ || manager.check != managerCheck_;
    managerOwner_ = manager.owner;
    managerCheck_ = manager.check;
    takeover_.reset();
    // What the old manager was told about the program's own windows must be told to the new one.
    if (changed && manager.present())
        MainQueue::async(
            [] { NotificationCenter::workspaceCenter()->post(windowManagerDidChangeNotification); });
    return true;
}

std::optional<std::uint64_t> X11Desktop::generation() {
    // Without the watch no change is seen; without consent nothing is read.
    if (!watcher_ || !trusted()) return std::nullopt;
    snapshot();
    return readGeneration_.load();
}

std::shared_ptr<const X11Snapshot> X11Desktop::published() const {
    std::lock_guard lock(publishedMutex_);
    return published_;
}

std::vector<std::shared_ptr<RunningApplication>> X11Desktop::runningApplications() {
    snapshot();
    auto applications = applications_->ordered();
    if (dock_) applications.push_back(dock_->application());
    return applications;
}

std::shared_ptr<RunningApplication> X11Desktop::runningApplication(const std::string& group) {
    return applications_->application(group);
}

void X11Desktop::setOwnActivationPolicy(ActivationPolicy policy) {
    applications_->setOwnActivationPolicy(policy);
    generation_.fetch_add(1);
}

bool X11Desktop::trusted() {
    if (!watcher_) return consent_->given();
    // Without a watch on its folder the file is asked each time, and a change is told as the
    // watch would.
    if (!watcher_->watchesFolder()) consentFileChanged();
    std::lock_guard lock(stateMutex_);
    return consentGiven_;
}

bool X11Desktop::recordConsent() {
    if (!consent_->record()) return false;
    consentFileChanged();
    return true;
}

void X11Desktop::consentFileChanged() {
    bool now = consent_->given();
    {
        std::lock_guard lock(stateMutex_);
        if (now == consentGiven_) return;
        consentGiven_ = now;
    }
    // What a refresh reads depends on the consent: a reading from before it is no answer now.
    generation_.fetch_add(1);
    MainQueue::async(
        [] { NotificationCenter::distributedCenter()->post(Accessibility::trustChangedNotification); });
}

void X11Desktop::settingsChanged() {
    if (!options_.applications) return;
    auto theme = announcedIconTheme(options_.displayName);
    {
        std::lock_guard lock(stateMutex_);
        if (theme == iconTheme_) return;
        iconTheme_ = theme;
    }
    // The bundles whose icons change move the generation through the applications' change handler.
    options_.applications->setIconThemes(xdg::IconTheme::userThemes(theme));
}

bool X11Desktop::activateWindow(std::uint32_t window) {
    actions_->activateWindow(window, snapshot()->activeWindow);
    return true;
}

bool X11Desktop::activateGroup(const std::string& group, std::uint64_t options) {
    auto snapshot = this->snapshot();
    auto found = snapshot->groups.find(group);
    if (found == snapshot->groups.end() || found->second.windows.empty()) return false;
    const auto& windows = found->second.windows;
    bool all = options & ApplicationActivationOptions::activateAllWindows;
    // Bringing an application forward shows it if it was hidden, but restores none of the
    // windows the user minimised unless all are asked for.
    std::set<std::uint32_t> hidden;
    {
        std::lock_guard lock(stateMutex_);
        for (auto id : windows)
            if (hiddenWithApplication_.erase(id)) hidden.insert(id);
    }
    auto shows = [&](std::uint32_t id) {
        const auto* window = snapshot->window(id);
        return all || hidden.count(id) || (window && !window->hidden);
    };
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (*it != windows.front() && shows(*it) && (all || hidden.count(*it))) activateWindow(*it);
    auto top = std::find_if(windows.begin(), windows.end(), shows);
    if (top == windows.end()) return true;
    // A window that takes no focus is only raised: the active window stays what it was.
    bool takesFocus = actions_->takesFocus(*top);
    activateWindow(*top);
    if (!takesFocus) {
        actions_->raise(*top);
        std::lock_guard lock(stateMutex_);
        focuslessGroup_ = group;
        activeWhenFocuslessRaised_ = snapshot->activeWindow;
    } else {
        // The window that kept the focus under a raised focusless one may be this very one: the
        // active window then does not change, and nothing else would end the focusless one's turn.
        std::lock_guard lock(stateMutex_);
        focuslessGroup_.clear();
    }
    invalidate();
    return true;
}

bool X11Desktop::iconify(const std::vector<std::uint32_t>& windows) {
    bool any = actions_->iconify(windows);
    invalidate();
    return any;
}

bool X11Desktop::hideGroup(const std::string& group) {
    std::vector<std::uint32_t> windows;
    for (const auto& window : snapshot()->windows)
        if (window.group == group && window.isApplicationWindow() && !window.hidden)
            windows.push_back(window.id);
    {
        std::lock_guard lock(stateMutex_);
        hiddenWithApplication_.insert(windows.begin(), windows.end());
    }
    return iconify(windows);
}

bool X11Desktop::unhideGroup(const std::string& group) {
    bool any = false;
    auto snapshot = this->snapshot();
    for (const auto& window : snapshot->windows)
        if (window.group == group && window.hidden) any = activateWindow(window.id);
    {
        std::lock_guard lock(stateMutex_);
        for (const auto& window : snapshot->windows)
            if (window.group == group) hiddenWithApplication_.erase(window.id);
    }
    invalidate();
    return any;
}

bool X11Desktop::closeGroup(const std::string& group) {
    auto snapshot = this->snapshot();
    auto found = snapshot->groups.find(group);
    if (found == snapshot->groups.end() || found->second.windows.empty()) return false;
    actions_->close(found->second.windows);
    return true;
}

bool X11Desktop::killGroup(const std::string& group) {
    return actions_->killGroup(*snapshot(), group, static_cast<std::int32_t>(getpid()));
}

std::optional<Image> X11Desktop::windowImage(std::uint32_t window) {
    return platform::x11::windowImage(connection_->xcb, window);
}

std::optional<Image> X11Desktop::iconOf(const std::string& group) {
    auto snapshot = this->snapshot();
    auto found = snapshot->groups.find(group);
    if (found == snapshot->groups.end()) return placeholderIcon();
    // An application with a desktop entry has the entry's icon; the others their windows'.
    if (options_.applications)
        if (auto icon = options_.applications->bundleIcon(found->second.bundlePath)) return icon;
    if (auto icon = readWindowIcon(*connection_, found->second.windows)) return icon;
    return placeholderIcon();
}

}  // namespace platform::x11
