#include "platform/x11/X11Desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/base/MainQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/foundation/FileManager.h"
#include "platform/system/Accessibility.h"
#include "platform/system/Workspace.h"
#include "platform/x11/XInputSource.h"

namespace platform::x11 {
namespace {

constexpr std::uint32_t allDesktops = 0xffffffff;
constexpr std::uint32_t iconicState = 3;

template <class T>
struct Freed {
    T* reply = nullptr;
    explicit Freed(T* value) : reply(value) {}
    ~Freed() { std::free(reply); }
    Freed(const Freed&) = delete;
    Freed& operator=(const Freed&) = delete;
    T* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

using PropertyReply = Freed<xcb_get_property_reply_t>;

std::vector<std::uint32_t> cardinals(const PropertyReply& reply) {
    if (!reply || reply->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.reply));
    return {values, values + xcb_get_property_value_length(reply.reply) / 4};
}

std::string text(const PropertyReply& reply) {
    if (!reply || reply->format != 8) return {};
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply.reply));
    std::string value(data, static_cast<std::size_t>(xcb_get_property_value_length(reply.reply)));
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return value;
}

std::string executablePath(std::int32_t pid) {
    if (pid <= 0) return {};
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    return error ? std::string() : path.string();
}

const char* fallbackIcon =
    "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64'><rect x='6' y='10' width='52' "
    "height='44' "
    "rx='6' fill='#5b6b7f'/><rect x='6' y='10' width='52' height='10' rx='4' fill='#36414f'/></svg>";

}  // namespace

const X11Window* X11Snapshot::window(std::uint32_t id) const {
    for (const auto& window : windows)
        if (window.id == id) return &window;
    return nullptr;
}

const X11Group* X11Snapshot::groupOfPid(std::int32_t pid) const {
    for (const auto& [identifier, group] : groups)
        if (group.pid == pid) return &group;
    return nullptr;
}

class X11Desktop::Connection {
public:
    xcb_connection_t* xcb = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool hasEwmh = false;
    int screen = 0;
    xcb_window_t root = 0;
    double rootHeight = 0;
    xcb_atom_t wmChangeState = 0;
    xcb_atom_t wmTakeFocus = 0;
    bool hasResource = false;

    static std::unique_ptr<Connection> open(const std::string& name, std::string* error) {
        auto connection = std::make_unique<Connection>();
        connection->xcb = xcb_connect(name.empty() ? nullptr : name.c_str(), &connection->screen);
        if (xcb_connection_has_error(connection->xcb)) {
            if (error) *error = "cannot open the display";
            return nullptr;
        }
        auto* c = connection->xcb;
        auto* cookies = xcb_ewmh_init_atoms(c, &connection->ewmh);
        auto changeState = xcb_intern_atom(c, 0, 15, "WM_CHANGE_STATE");
        auto takeFocus = xcb_intern_atom(c, 0, 13, "WM_TAKE_FOCUS");
        connection->hasEwmh = xcb_ewmh_init_atoms_replies(&connection->ewmh, cookies, nullptr);
        if (Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(c, changeState, nullptr)})
            connection->wmChangeState = reply->atom;
        if (Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(c, takeFocus, nullptr)})
            connection->wmTakeFocus = reply->atom;
        if (!connection->hasEwmh || connection->screen >= connection->ewmh.nb_screens) {
            if (error) *error = "the display's atoms cannot be read";
            return nullptr;
        }
        auto* screen = connection->ewmh.screens[connection->screen];
        connection->root = screen->root;
        connection->rootHeight = screen->height_in_pixels;
        auto* resource = xcb_get_extension_data(c, &xcb_res_id);
        connection->hasResource = resource && resource->present;
        return connection;
    }

    ~Connection() {
        if (hasEwmh) xcb_ewmh_connection_wipe(&ewmh);
        if (xcb) xcb_disconnect(xcb);
    }

    xcb_get_property_cookie_t property(xcb_window_t window, xcb_atom_t atom, std::uint32_t length = 64) {
        return xcb_get_property(xcb, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, length);
    }
    PropertyReply reply(xcb_get_property_cookie_t cookie) {
        return PropertyReply(xcb_get_property_reply(xcb, cookie, nullptr));
    }

    // Why the display does not count as an EWMH desktop; empty when it does.
    std::string ewmhProblem() {
        auto check = reply(property(root, ewmh._NET_SUPPORTING_WM_CHECK, 1));
        auto supported = reply(property(root, ewmh._NET_SUPPORTED, 4096));
        auto windows = cardinals(check);
        if (windows.empty() || !windows[0]) return "no window manager announces EWMH support";
        // The check window must exist and point at itself, or the announcement is stale.
        auto own = cardinals(reply(property(windows[0], ewmh._NET_SUPPORTING_WM_CHECK, 1)));
        if (own.empty() || own[0] != windows[0]) return "the window manager's EWMH announcement is stale";
        auto atoms = cardinals(supported);
        if (std::find(atoms.begin(), atoms.end(), ewmh._NET_CLIENT_LIST) == atoms.end())
            return "the window manager does not list its windows";
        return {};
    }
};

// Watches the root window, the managed windows and the consent file on a connection and a thread
// of their own, and marks the snapshot stale on every change.
class X11Desktop::Watcher {
public:
    Watcher(X11Desktop& desktop, const std::string& displayName) : desktop_(desktop) {
        int screen = 0;
        xcb_ = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screen);
        if (xcb_connection_has_error(xcb_)) return;
        currentDesktop_ = desktop.connection_->ewmh._NET_CURRENT_DESKTOP;
        select(desktop.connection_->root, XCB_EVENT_MASK_PROPERTY_CHANGE);
        xcb_flush(xcb_);
        inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        auto folder = std::filesystem::path(desktop.options_.consentPath).parent_path();
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        if (inotify_ >= 0)
            inotify_add_watch(inotify_, folder.c_str(),
                              IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE);
        int ends[2];
        if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
        wakeRead_ = ends[0];
        wakeWrite_ = ends[1];
        thread_ = std::thread([this] { run(); });
    }

    ~Watcher() {
        if (thread_.joinable()) {
            char byte = 0;
            (void)!write(wakeWrite_, &byte, 1);
            thread_.join();
        }
        for (int fd : {wakeRead_, wakeWrite_, inotify_})
            if (fd >= 0) close(fd);
        if (xcb_) xcb_disconnect(xcb_);
    }

    bool active() const { return thread_.joinable(); }

    // Follows the windows before they are read, so no change after the reading goes unseen.
    void follow(const std::vector<std::uint32_t>& windows) {
        std::lock_guard lock(mutex_);
        bool added = false;
        for (auto window : windows)
            if (followed_.insert(window).second) {
                select(window, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
                added = true;
            }
        if (added) xcb_flush(xcb_);
    }

    // The windows changed since the last call; true when any change may concern every window.
    bool takeChanged(std::set<std::uint32_t>& windows) {
        std::lock_guard lock(mutex_);
        windows.swap(dirty_);
        dirty_.clear();
        bool everything = everything_;
        everything_ = false;
        return everything;
    }

private:
    void select(xcb_window_t window, std::uint32_t mask) {
        xcb_change_window_attributes(xcb_, window, XCB_CW_EVENT_MASK, &mask);
    }

    void run() {
        pollfd fds[3] = {
            {xcb_get_file_descriptor(xcb_), POLLIN, 0}, {inotify_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        while (!xcb_connection_has_error(xcb_)) {
            bool changed = false;
            bool spaceChanged = false;
            while (auto* event = xcb_poll_for_event(xcb_)) {
                auto type = event->response_type & 0x7f;
                std::lock_guard lock(mutex_);
                if (type == XCB_PROPERTY_NOTIFY) {
                    auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    if (property->atom == currentDesktop_) spaceChanged = true;
                    dirty_.insert(property->window);
                    changed = true;
                } else if (type == XCB_CONFIGURE_NOTIFY) {
                    dirty_.insert(reinterpret_cast<xcb_configure_notify_event_t*>(event)->window);
                    changed = true;
                } else if (type == XCB_DESTROY_NOTIFY) {
                    followed_.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
                    changed = true;
                } else if (type != 0) {
                    everything_ = true;
                    changed = true;
                }
                std::free(event);
            }
            if (changed) desktop_.generation_.fetch_add(1);
            if (spaceChanged)
                MainQueue::async([] {
                    NotificationCenter::workspaceCenter()->post(Workspace::activeSpaceDidChangeNotification);
                });
            if (poll(fds, 3, -1) < 0) continue;
            if (fds[2].revents) return;
            if (fds[1].revents) {
                char buffer[4096];
                while (::read(inotify_, buffer, sizeof buffer) > 0) {}
                desktop_.consentFileChanged();
            }
        }
    }

    X11Desktop& desktop_;
    xcb_connection_t* xcb_ = nullptr;
    xcb_atom_t currentDesktop_ = 0;
    int inotify_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::set<xcb_window_t> followed_;
    std::set<std::uint32_t> dirty_;
    bool everything_ = false;
};

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
    auto connection = Connection::open(displayName, &error);
    if (connection) error = connection->ewmhProblem();
    if (why) *why = error;
    return error.empty();
}

X11Desktop::X11Desktop(Options options) : options_(std::move(options)) {}

std::shared_ptr<X11Desktop> X11Desktop::open(Options options, std::string* error) {
    if (auto applications = options.applications; applications && !options.matcher) {
        options.matcher = [applications](const std::string& wmClass, const std::string& wmInstance,
                                         const std::string& executable) -> std::optional<ApplicationMatch> {
            auto match = applications->match(wmClass, wmInstance, executable);
            if (!match) return std::nullopt;
            return ApplicationMatch{match->groupIdentifier, match->bundlePath + "/", match->name};
        };
    }
    std::shared_ptr<X11Desktop> desktop(new X11Desktop(std::move(options)));
    desktop->connection_ = Connection::open(desktop->options_.displayName, error);
    if (!desktop->connection_) return nullptr;
    if (auto problem = desktop->connection_->ewmhProblem(); !problem.empty()) {
        if (error) *error = problem;
        return nullptr;
    }
    desktop->input_ = desktop->options_.input;
    if (!desktop->input_) desktop->input_ = XInputSource::open(desktop->options_.displayName, error);
    if (!desktop->input_) return nullptr;
    desktop->consent_ = desktop->hasConsent();
    if (desktop->options_.watches) {
        desktop->watcher_ = std::make_unique<Watcher>(*desktop, desktop->options_.displayName);
        // Nothing marks a snapshot stale without the watch, so none is kept.
        if (!desktop->watcher_->active()) desktop->watcher_.reset();
    }
    // The program itself runs from the start, whether or not it has a window.
    desktop->launchOrder_.push_back(desktop->options_.ownBundleIdentifier);
    if (desktop->options_.applications) {
        desktop->previousSystemRoot_ = FileManager::systemRoot();
        FileManager::setSystemRoot(desktop->options_.applications->root());
    }
    desktop->setUpServices();
    return desktop;
}

X11Desktop::~X11Desktop() {
    watcher_.reset();
    if (previousSystemRoot_ && options_.applications &&
        FileManager::systemRoot() == options_.applications->root())
        FileManager::setSystemRoot(*previousSystemRoot_);
}

std::shared_ptr<Workspace> X11Desktop::workspace() { return workspace_; }
std::shared_ptr<Accessibility> X11Desktop::accessibility() { return accessibility_; }
std::shared_ptr<WindowList> X11Desktop::windowList() { return windowList_; }
std::shared_ptr<EventMonitors> X11Desktop::eventMonitors() { return eventMonitors_; }
std::shared_ptr<LoginItems> X11Desktop::loginItems() { return loginItems_; }
std::shared_ptr<AppleScript> X11Desktop::appleScript() { return appleScript_; }
std::shared_ptr<Application> X11Desktop::application() { return application_; }
std::shared_ptr<DesktopSession> X11Desktop::desktopSession() { return session_; }

void X11Desktop::invalidate() {
    readsEverything_ = true;
    generation_.fetch_add(1);
}

std::shared_ptr<const X11Snapshot> X11Desktop::snapshot() {
    std::lock_guard lock(snapshotMutex_);
    auto generation = generation_.load();
    if (snapshot_ && watcher_ && generation == readGeneration_) return snapshot_;
    auto next = read();
    reconcile(*next);
    snapshot_ = next;
    readGeneration_ = generation;
    {
        std::lock_guard published(publishedMutex_);
        published_ = next;
    }
    return snapshot_;
}

std::shared_ptr<const X11Snapshot> X11Desktop::read() {
    auto& x = *connection_;
    auto* c = x.xcb;
    const auto& atoms = x.ewmh;
    // Only what changed since the last reading is read again.
    std::set<std::uint32_t> changed;
    bool everything = readsEverything_.exchange(false) || !snapshot_ || !watcher_;
    if (watcher_) everything = watcher_->takeChanged(changed) || everything;
    std::vector<std::uint32_t> clients, stacking, active, current;
    if (everything || changed.count(x.root)) {
        auto clientsCookie = x.property(x.root, atoms._NET_CLIENT_LIST, 4096);
        auto stackingCookie = x.property(x.root, atoms._NET_CLIENT_LIST_STACKING, 4096);
        auto activeCookie = x.property(x.root, atoms._NET_ACTIVE_WINDOW, 1);
        auto desktopCookie = x.property(x.root, atoms._NET_CURRENT_DESKTOP, 1);
        clients = cardinals(x.reply(clientsCookie));
        stacking = cardinals(x.reply(stackingCookie));
        active = cardinals(x.reply(activeCookie));
        current = cardinals(x.reply(desktopCookie));
    } else {
        clients = snapshot_->clients;
        stacking = snapshot_->stacking;
        if (snapshot_->activeWindow) active = {snapshot_->activeWindow};
        current = snapshot_->currentDesktop;
    }

    // Every request for every window goes out before the first reply is read: one round trip.
    // What never changes is read only for windows not seen before.
    struct Pending {
        xcb_get_property_cookie_t netName, state, desktop, extents;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t position;
        bool known = false;
        xcb_get_property_cookie_t wmClass{}, pid{}, type{};
    };
    if (watcher_) watcher_->follow(clients);
    std::map<std::uint32_t, const X11Window*> previous;
    if (!everything)
        for (const auto& window : snapshot_->windows) previous[window.id] = &window;
    std::vector<Pending> pending;
    pending.reserve(clients.size());
    std::vector<const X11Window*> kept(clients.size(), nullptr);
    for (std::size_t i = 0; i < clients.size(); ++i) {
        auto id = clients[i];
        if (auto found = previous.find(id);
            found != previous.end() && !changed.count(id) && fixed_.count(id)) {
            kept[i] = found->second;
            pending.push_back(Pending{});
            pending.back().known = true;
            continue;
        }
        Pending p{x.property(id, atoms._NET_WM_NAME, 256),
                  x.property(id, atoms._NET_WM_STATE, 32),
                  x.property(id, atoms._NET_WM_DESKTOP, 1),
                  x.property(id, atoms._NET_FRAME_EXTENTS, 4),
                  xcb_get_geometry(c, id),
                  xcb_translate_coordinates(c, id, x.root, 0, 0)};
        p.known = fixed_.count(id) > 0;
        if (!p.known) {
            p.wmClass = x.property(id, XCB_ATOM_WM_CLASS, 64);
            p.pid = x.property(id, atoms._NET_WM_PID, 1);
            p.type = x.property(id, atoms._NET_WM_WINDOW_TYPE, 8);
        }
        pending.push_back(p);
    }
    auto snapshot = std::make_shared<X11Snapshot>();
    snapshot->activeWindow = active.empty() ? 0 : active[0];
    snapshot->clients = clients;
    snapshot->stacking = stacking;
    snapshot->currentDesktop = current;
    std::vector<std::size_t> withoutPid;
    std::vector<std::size_t> withoutName;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const auto& p = pending[i];
        X11Window window;
        window.id = clients[i];
        if (kept[i]) {
            window = *kept[i];
            window.onCurrentDesktop =
                window.desktop == allDesktops || current.empty() || window.desktop == current[0];
            snapshot->windows.push_back(std::move(window));
            continue;
        }
        window.title = text(x.reply(p.netName));
        if (window.title.empty()) withoutName.push_back(i);
        for (auto state : cardinals(x.reply(p.state))) {
            if (state == atoms._NET_WM_STATE_HIDDEN) window.hidden = true;
            if (state == atoms._NET_WM_STATE_FULLSCREEN) window.fullscreen = true;
        }
        auto desktop = cardinals(x.reply(p.desktop));
        window.desktop = desktop.empty() ? allDesktops : desktop[0];
        window.onCurrentDesktop =
            window.desktop == allDesktops || current.empty() || window.desktop == current[0];
        auto extents = cardinals(x.reply(p.extents));
        if (extents.size() < 4) extents.assign(4, 0);
        Freed<xcb_get_geometry_reply_t> geometry{xcb_get_geometry_reply(c, p.geometry, nullptr)};
        Freed<xcb_translate_coordinates_reply_t> position{
            xcb_translate_coordinates_reply(c, p.position, nullptr)};
        if (geometry && position) {
            window.frame =
                Rect::make(position->dst_x - double(extents[0]), position->dst_y - double(extents[2]),
                           geometry->width + double(extents[0] + extents[1]),
                           geometry->height + double(extents[2] + extents[3]));
        }
        if (p.known) {
        } else {
            Fixed& info = fixed_[window.id];
            auto value = text(x.reply(p.wmClass));
            auto split = value.find('\0');
            info.wmInstance = value.substr(0, split);
            if (split != std::string::npos) info.wmClass = value.substr(split + 1);
            auto pid = cardinals(x.reply(p.pid));
            info.pid = pid.empty() ? 0 : static_cast<std::int32_t>(pid[0]);
            auto types = cardinals(x.reply(p.type));
            if (!types.empty()) {
                auto type = types[0];
                if (type == atoms._NET_WM_WINDOW_TYPE_DOCK)
                    info.type = X11Window::Type::dock;
                else if (type == atoms._NET_WM_WINDOW_TYPE_DESKTOP)
                    info.type = X11Window::Type::desktop;
                else if (type != atoms._NET_WM_WINDOW_TYPE_NORMAL &&
                         type != atoms._NET_WM_WINDOW_TYPE_DIALOG &&
                         type != atoms._NET_WM_WINDOW_TYPE_UTILITY)
                    info.type = X11Window::Type::other;
            }
            if (!info.pid) withoutPid.push_back(i);
        }
        snapshot->windows.push_back(std::move(window));
    }

    // Windows without a UTF-8 name: their legacy name.
    {
        std::vector<xcb_get_property_cookie_t> cookies;
        for (auto index : withoutName) cookies.push_back(x.property(clients[index], XCB_ATOM_WM_NAME, 256));
        for (std::size_t i = 0; i < cookies.size(); ++i)
            snapshot->windows[withoutName[i]].title = text(x.reply(cookies[i]));
    }

    // Windows that do not name their process: the server knows which client made them.
    if (x.hasResource && !withoutPid.empty()) {
        std::vector<xcb_res_query_client_ids_cookie_t> cookies;
        for (auto index : withoutPid) {
            xcb_res_client_id_spec_t spec{clients[index], XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            cookies.push_back(xcb_res_query_client_ids(c, 1, &spec));
        }
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            Freed<xcb_res_query_client_ids_reply_t> reply{
                xcb_res_query_client_ids_reply(c, cookies[i], nullptr)};
            if (!reply) continue;
            for (auto it = xcb_res_query_client_ids_ids_iterator(reply.reply); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                if (it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID &&
                    xcb_res_client_id_value_value_length(it.data) >= 1)
                    fixed_[clients[withoutPid[i]]].pid =
                        static_cast<std::int32_t>(*xcb_res_client_id_value_value(it.data));
            }
        }
    }

    // Applications in the order their first windows were mapped.
    const auto ownPid = static_cast<std::int32_t>(getpid());
    std::vector<std::string> order;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        auto& window = snapshot->windows[i];
        auto& info = fixed_[window.id];
        bool known = pending[i].known;
        window.wmClass = info.wmClass;
        window.wmInstance = info.wmInstance;
        window.pid = info.pid;
        window.type = info.type;
        if (!known) {
            if (window.pid == ownPid) {
                info.match = {options_.ownBundleIdentifier, "", options_.ownName};
            } else if (auto matched = options_.matcher ? options_.matcher(window.wmClass, window.wmInstance,
                                                                          executablePath(window.pid))
                                                       : std::nullopt) {
                info.match = *matched;
            } else {
                auto name = !window.wmClass.empty()      ? window.wmClass
                            : !window.wmInstance.empty() ? window.wmInstance
                                                         : "window-" + std::to_string(window.id);
                info.match = {name, "/usr/share/applications/" + name + ".app/", name};
            }
        }
        const auto& match = info.match;
        window.group = match.groupIdentifier;
        auto [group, added] = snapshot->groups.try_emplace(match.groupIdentifier);
        if (added) {
            group->second = X11Group{match.groupIdentifier, match.name, match.bundlePath, window.pid, {}};
            order.push_back(match.groupIdentifier);
        }
    }
    if (fixed_.size() > clients.size()) {
        std::set<std::uint32_t> present(clients.begin(), clients.end());
        std::erase_if(fixed_, [&](const auto& entry) { return !present.count(entry.first); });
    }

    // Front to back.
    std::map<std::uint32_t, std::size_t> height;
    for (std::size_t i = 0; i < stacking.size(); ++i) height[stacking[i]] = i + 1;
    std::vector<std::pair<std::size_t, std::size_t>> ranks;
    ranks.reserve(snapshot->windows.size());
    for (std::size_t i = 0; i < snapshot->windows.size(); ++i) {
        auto found = height.find(snapshot->windows[i].id);
        ranks.emplace_back(found == height.end() ? 0 : found->second, i);
    }
    std::stable_sort(ranks.begin(), ranks.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<X11Window> sorted;
    sorted.reserve(ranks.size());
    for (const auto& [rank, index] : ranks) sorted.push_back(std::move(snapshot->windows[index]));
    snapshot->windows = std::move(sorted);
    for (const auto& window : snapshot->windows) snapshot->groups[window.group].windows.push_back(window.id);
    if (const auto* activeWindow = snapshot->window(snapshot->activeWindow))
        snapshot->activeGroup = activeWindow->group;
    {
        std::lock_guard objects(objectsMutex_);
        if (!focuslessGroup_.empty()) {
            if (snapshot->activeWindow == activeWhenFocuslessRaised_ &&
                snapshot->groups.count(focuslessGroup_))
                snapshot->activeGroup = focuslessGroup_;
            else
                focuslessGroup_.clear();
        }
        for (const auto& identifier : order)
            if (std::find(launchOrder_.begin(), launchOrder_.end(), identifier) == launchOrder_.end())
                launchOrder_.push_back(identifier);
    }
    return snapshot;
}

bool X11Desktop::hasConsent() const {
    struct stat info {};
    return ::stat(options_.consentPath.c_str(), &info) == 0;
}

bool X11Desktop::trusted() {
    if (!watcher_) return hasConsent();
    std::lock_guard lock(objectsMutex_);
    return consent_;
}

bool X11Desktop::recordConsent() {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(options_.consentPath).parent_path(), ignored);
    std::ofstream file(options_.consentPath);
    file << "The user allowed Velmora to watch and act on the windows of this desktop.\n";
    file.close();
    if (!file) return false;
    consentFileChanged();
    return true;
}

void X11Desktop::consentFileChanged() {
    bool now = hasConsent();
    {
        std::lock_guard lock(objectsMutex_);
        if (now == consent_) return;
        consent_ = now;
    }
    MainQueue::async(
        [] { NotificationCenter::distributedCenter()->post(Accessibility::trustChangedNotification); });
}

bool X11Desktop::activateWindow(std::uint32_t window) {
    auto& x = *connection_;
    auto snapshot = this->snapshot();
    // Window managers raise and focus a window asked for by a pager, un-minimising it.
    xcb_ewmh_request_change_active_window(&x.ewmh, x.screen, window, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                          XCB_CURRENT_TIME, snapshot->activeWindow);
    xcb_flush(x.xcb);
    return true;
}

bool X11Desktop::activateGroup(const std::string& groupIdentifier, std::uint64_t options) {
    auto snapshot = this->snapshot();
    auto found = snapshot->groups.find(groupIdentifier);
    if (found == snapshot->groups.end() || found->second.windows.empty()) return false;
    const auto& windows = found->second.windows;
    auto& x = *connection_;
    if (options & ApplicationActivationOptions::activateAllWindows)
        for (auto it = windows.rbegin(); it + 1 != windows.rend(); ++it) activateWindow(*it);
    auto top = windows.front();
    // A window that takes no focus is only raised: the active window stays what it was.
    auto hintsCookie = xcb_icccm_get_wm_hints(x.xcb, top);
    auto protocolsCookie = xcb_icccm_get_wm_protocols(x.xcb, top, x.ewmh.WM_PROTOCOLS);
    xcb_icccm_wm_hints_t hints{};
    bool takesInput = true;
    if (xcb_icccm_get_wm_hints_reply(x.xcb, hintsCookie, &hints, nullptr) &&
        (hints.flags & XCB_ICCCM_WM_HINT_INPUT) && !hints.input)
        takesInput = false;
    xcb_icccm_get_wm_protocols_reply_t protocols{};
    if (xcb_icccm_get_wm_protocols_reply(x.xcb, protocolsCookie, &protocols, nullptr)) {
        for (std::uint32_t i = 0; i < protocols.atoms_len; ++i)
            if (protocols.atoms[i] == x.wmTakeFocus) takesInput = true;
        xcb_icccm_get_wm_protocols_reply_wipe(&protocols);
    }
    activateWindow(top);
    if (!takesInput) {
        xcb_ewmh_request_restack_window(&x.ewmh, x.screen, top, XCB_NONE, XCB_STACK_MODE_ABOVE);
        xcb_flush(x.xcb);
        std::lock_guard lock(objectsMutex_);
        focuslessGroup_ = groupIdentifier;
        activeWhenFocuslessRaised_ = snapshot->activeWindow;
    }
    invalidate();
    return true;
}

bool X11Desktop::iconify(const std::vector<std::uint32_t>& windows) {
    auto& x = *connection_;
    for (auto window : windows) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = x.wmChangeState;
        message.data.data32[0] = iconicState;
        xcb_send_event(x.xcb, 0, x.root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(x.xcb);
    invalidate();
    return !windows.empty();
}

bool X11Desktop::closeGroup(const std::string& groupIdentifier) {
    auto snapshot = this->snapshot();
    auto found = snapshot->groups.find(groupIdentifier);
    if (found == snapshot->groups.end() || found->second.windows.empty()) return false;
    auto& x = *connection_;
    for (auto window : found->second.windows)
        xcb_ewmh_request_close_window(&x.ewmh, x.screen, window, XCB_CURRENT_TIME,
                                      XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    xcb_flush(x.xcb);
    return true;
}

bool X11Desktop::killGroup(const std::string& groupIdentifier) {
    auto snapshot = this->snapshot();
    const auto ownPid = static_cast<std::int32_t>(getpid());
    std::set<std::int32_t> pids;
    for (const auto& window : snapshot->windows)
        if (window.group == groupIdentifier && window.pid > 0 && window.pid != ownPid)
            pids.insert(window.pid);
    bool killed = false;
    for (auto pid : pids) killed = ::kill(pid, SIGKILL) == 0 || killed;
    return killed;
}

void X11Desktop::hideOthers(const std::string& except) {
    auto snapshot = this->snapshot();
    std::vector<std::uint32_t> windows;
    for (const auto& window : snapshot->windows)
        if (window.group != except && window.group != options_.ownBundleIdentifier && !window.hidden &&
            window.type != X11Window::Type::dock && window.type != X11Window::Type::desktop)
            windows.push_back(window.id);
    iconify(windows);
}

std::optional<Image> X11Desktop::iconOf(const std::string& groupIdentifier) {
    auto snapshot = this->snapshot();
    auto found = snapshot->groups.find(groupIdentifier);
    // An application with a desktop entry has the entry's icon; the others their windows'.
    if (found != snapshot->groups.end() && options_.applications)
        if (auto icon = options_.applications->bundleIcon(found->second.bundlePath)) return icon;
    if (found != snapshot->groups.end()) {
        auto& x = *connection_;
        for (auto window : found->second.windows) {
            // Icons are large: read once per application, never per refresh.
            auto reply = x.reply(x.property(window, x.ewmh._NET_WM_ICON, 1 << 20));
            auto values = cardinals(reply);
            const std::uint32_t* best = nullptr;
            std::uint32_t bestWidth = 0, bestHeight = 0;
            for (std::size_t i = 0; i + 2 <= values.size();) {
                auto width = values[i], height = values[i + 1];
                auto count = std::size_t(width) * height;
                if (!width || !height || count > values.size() - i - 2) break;
                bool better =
                    !best || (bestWidth > 128 ? width < bestWidth : (width > bestWidth && width <= 128));
                if (better) {
                    best = &values[i + 2];
                    bestWidth = width;
                    bestHeight = height;
                }
                i += 2 + count;
            }
            if (best) return Image(encodePNG(best, bestWidth, bestHeight));
        }
    }
    return Image(fallbackIcon, Size{64, 64});
}

}  // namespace platform::x11
