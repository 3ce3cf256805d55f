#include "platform/x11/X11Snapshot.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Properties.h"
#include "platform/x11/X11Watcher.h"

namespace platform::x11 {
namespace {

constexpr std::uint32_t allDesktops = 0xffffffff;

std::string executablePath(std::int32_t pid) {
    if (pid <= 0) return {};
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    return error ? std::string() : path.string();
}

bool onDesktop(std::uint32_t desktop, const std::vector<std::uint32_t>& current) {
    return desktop == allDesktops || current.empty() || desktop == current[0];
}

// Every request for a window goes out before the first reply is read: one round trip for all.
// What never changes is asked only for windows not seen before.
struct Pending {
    xcb_get_property_cookie_t netName{}, state{}, desktop{}, extents{};
    xcb_get_geometry_cookie_t geometry{};
    xcb_translate_coordinates_cookie_t position{};
    bool known = false;
    xcb_get_property_cookie_t wmClass{}, pid{}, type{};
};

// Front to back: by height in the stacking list, windows missing from it last.
void sortFrontToBack(std::vector<X11Window>& windows, const std::vector<std::uint32_t>& stacking) {
    std::map<std::uint32_t, std::size_t> height;
    for (std::size_t i = 0; i < stacking.size(); ++i) height[stacking[i]] = i + 1;
    std::vector<std::pair<std::size_t, std::size_t>> ranks;
    ranks.reserve(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        auto found = height.find(windows[i].id);
        ranks.emplace_back(found == height.end() ? 0 : found->second, i);
    }
    std::stable_sort(ranks.begin(), ranks.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<X11Window> sorted;
    sorted.reserve(ranks.size());
    for (const auto& [rank, index] : ranks) sorted.push_back(std::move(windows[index]));
    windows = std::move(sorted);
}

}  // namespace

void X11Snapshot::index() {
    index_ = Index{};
    index_.windows.reserve(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) index_.windows.try_emplace(windows[i].id, i);
    for (const auto& [identifier, group] : groups) index_.groups.try_emplace(group.pid, identifier);
    for (const auto& window : windows)
        if (window.pid > 0 && groups.count(window.group)) index_.groups.try_emplace(window.pid, window.group);
    index_.windowCount = windows.size();
    index_.groupCount = groups.size();
}

bool X11Snapshot::indexFits() const {
    return index_.windowCount == windows.size() && index_.groupCount == groups.size() &&
           (windows.empty() || !index_.windows.empty());
}

const X11Window* X11Snapshot::window(std::uint32_t id) const {
    if (indexFits()) {
        auto found = index_.windows.find(id);
        if (found == index_.windows.end()) return nullptr;
        // An entry pointing elsewhere means the windows changed since: walk them.
        if (found->second < windows.size() && windows[found->second].id == id) return &windows[found->second];
    }
    for (const auto& window : windows)
        if (window.id == id) return &window;
    return nullptr;
}

const X11Group* X11Snapshot::groupOfPid(std::int32_t pid) const {
    if (indexFits()) {
        auto found = index_.groups.find(pid);
        if (found == index_.groups.end()) return nullptr;
        if (auto group = groups.find(found->second); group != groups.end()) return &group->second;
    }
    for (const auto& [identifier, group] : groups)
        if (group.pid == pid) return &group;
    // Another process of an application: a second program it started, or a second instance.
    for (const auto& window : windows)
        if (window.pid == pid && pid > 0)
            if (auto found = groups.find(window.group); found != groups.end()) return &found->second;
    return nullptr;
}

ApplicationMatch X11SnapshotReader::matchOf(const X11Window& window) const {
    if (window.pid == static_cast<std::int32_t>(getpid()))
        return {identity_.ownIdentifier, "", identity_.ownName};
    if (identity_.matcher)
        if (auto matched = identity_.matcher(window.wmClass, window.wmInstance, executablePath(window.pid)))
            return *matched;
    auto name = !window.wmClass.empty()      ? window.wmClass
                : !window.wmInstance.empty() ? window.wmInstance
                                             : "window-" + std::to_string(window.id);
    return {name, "/usr/share/applications/" + name + ".app/", name};
}

std::shared_ptr<X11Snapshot> X11SnapshotReader::read(X11Connection& x, X11Watcher* watcher,
                                                     const X11Snapshot* previous, bool everything,
                                                     const ScreenMap& screens) {
    auto* c = x.xcb;
    const auto& atoms = x.ewmh;
    // Only what changed since the last reading is read again.
    std::set<std::uint32_t> changed;
    everything = everything || !previous || !watcher;
    if (watcher) everything = watcher->takeChanged(changed) || everything;
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
        clients = previous->clients;
        stacking = previous->stacking;
        if (previous->activeWindow) active = {previous->activeWindow};
        current = previous->currentDesktop;
    }

    if (watcher) watcher->follow(clients);
    std::map<std::uint32_t, const X11Window*> before;
    if (!everything)
        for (const auto& window : previous->windows) before[window.id] = &window;
    std::vector<Pending> pending;
    pending.reserve(clients.size());
    std::vector<const X11Window*> kept(clients.size(), nullptr);
    for (std::size_t i = 0; i < clients.size(); ++i) {
        auto id = clients[i];
        if (auto found = before.find(id); found != before.end() && !changed.count(id) && fixed_.count(id)) {
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
    std::vector<std::uint32_t> withoutPid;
    std::vector<std::size_t> withoutName;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const auto& p = pending[i];
        X11Window window;
        window.id = clients[i];
        if (kept[i]) {
            window = *kept[i];
            window.onCurrentDesktop = onDesktop(window.desktop, current);
            snapshot->windows.push_back(std::move(window));
            continue;
        }
        window.title = x.textOf(x.reply(p.netName));
        if (window.title.empty()) withoutName.push_back(i);
        bool across = false, down = false;
        for (auto state : cardinals(x.reply(p.state))) {
            if (state == atoms._NET_WM_STATE_HIDDEN) window.hidden = true;
            if (state == atoms._NET_WM_STATE_FULLSCREEN) window.fullscreen = true;
            if (state == atoms._NET_WM_STATE_MAXIMIZED_HORZ) across = true;
            if (state == atoms._NET_WM_STATE_MAXIMIZED_VERT) down = true;
        }
        window.maximized = across && down;
        auto desktop = cardinals(x.reply(p.desktop));
        window.desktop = desktop.empty() ? allDesktops : desktop[0];
        window.onCurrentDesktop = onDesktop(window.desktop, current);
        auto extents = cardinals(x.reply(p.extents));
        if (extents.size() < 4) extents.assign(4, 0);
        Freed<xcb_get_geometry_reply_t> geometry{xcb_get_geometry_reply(c, p.geometry, nullptr)};
        Freed<xcb_translate_coordinates_reply_t> position{
            xcb_translate_coordinates_reply(c, p.position, nullptr)};
        if (geometry && position) {
            window.frame = screens.toLogical(Rect::make(position->dst_x - double(extents[0]),
                                                        position->dst_y - double(extents[2]),
                                                        geometry->width + double(extents[0] + extents[1]),
                                                        geometry->height + double(extents[2] + extents[3])));
        }
        if (!p.known) {
            Fixed& info = fixed_[window.id];
            auto classReply = x.reply(p.wmClass);
            auto windowClass = decodeWindowClass(text(classReply));
            info.wmInstance = decodeTextAs(x.encodingOf(classReply), windowClass.instance);
            info.wmClass = decodeTextAs(x.encodingOf(classReply), windowClass.className);
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
            if (!info.pid) withoutPid.push_back(window.id);
        }
        snapshot->windows.push_back(std::move(window));
    }

    // Windows without a UTF-8 name: their legacy name, in whichever encoding its type says.
    {
        std::vector<xcb_get_property_cookie_t> cookies;
        for (auto index : withoutName) cookies.push_back(x.property(clients[index], XCB_ATOM_WM_NAME, 256));
        for (std::size_t i = 0; i < cookies.size(); ++i)
            snapshot->windows[withoutName[i]].title = x.textOf(x.reply(cookies[i]));
    }

    // Windows that do not name their process: the server knows which client made them.
    if (!withoutPid.empty()) {
        auto pids = x.clientProcesses(withoutPid);
        for (std::size_t i = 0; i < pids.size(); ++i)
            if (pids[i]) fixed_[withoutPid[i]].pid = pids[i];
    }

    // Applications in the order their first windows were mapped.
    for (std::size_t i = 0; i < clients.size(); ++i) {
        auto& window = snapshot->windows[i];
        auto& info = fixed_[window.id];
        window.wmClass = info.wmClass;
        window.wmInstance = info.wmInstance;
        window.pid = info.pid;
        window.type = info.type;
        if (!pending[i].known) info.match = matchOf(window);
        const auto& match = info.match;
        window.group = match.groupIdentifier;
        auto [group, added] = snapshot->groups.try_emplace(match.groupIdentifier);
        if (added) {
            // The application keeps the process it started with while any of its windows remains,
            // though that process may have ended: it is the application's identity.
            auto& pid = groupPids_[match.groupIdentifier];
            if (!pid) pid = window.pid;
            group->second = X11Group{match.groupIdentifier, match.name, match.bundlePath, pid, {}};
            snapshot->mappingOrder.push_back(match.groupIdentifier);
        }
    }
    if (fixed_.size() > clients.size()) {
        std::set<std::uint32_t> present(clients.begin(), clients.end());
        std::erase_if(fixed_, [&](const auto& entry) { return !present.count(entry.first); });
    }
    std::erase_if(groupPids_, [&](const auto& entry) { return !snapshot->groups.count(entry.first); });

    sortFrontToBack(snapshot->windows, stacking);
    for (const auto& window : snapshot->windows) snapshot->groups[window.group].windows.push_back(window.id);
    snapshot->index();
    if (const auto* activeWindow = snapshot->window(snapshot->activeWindow))
        snapshot->activeGroup = activeWindow->group;
    return snapshot;
}

}  // namespace platform::x11
