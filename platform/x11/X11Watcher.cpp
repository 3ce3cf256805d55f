#include "platform/x11/X11Watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <filesystem>

#include "platform/base/MainQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"

namespace platform::x11 {

namespace {

// Posts `name` on the main queue unless a post of it is still waiting there.
void announceOnce(const std::shared_ptr<std::atomic<bool>>& pending, const char* name) {
    if (pending->exchange(true)) return;
    MainQueue::async([pending, name] {
        pending->store(false);
        NotificationCenter::workspaceCenter()->post(name);
    });
}

}  // namespace

X11Watcher::X11Watcher(const std::string& displayName, std::uint32_t root, Properties properties,
                       const std::string& folder, Callbacks callbacks)
    : callbacks_(std::move(callbacks)), properties_(std::move(properties)) {
    int screen = 0;
    xcb_ = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screen);
    if (xcb_connection_has_error(xcb_)) return;
    select(root, XCB_EVENT_MASK_PROPERTY_CHANGE);
    xcb_flush(xcb_);
    inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
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

X11Watcher::~X11Watcher() {
    if (thread_.joinable()) {
        char byte = 0;
        (void)!write(wakeWrite_, &byte, 1);
        thread_.join();
    }
    for (int fd : {wakeRead_, wakeWrite_, inotify_})
        if (fd >= 0) close(fd);
    if (xcb_) xcb_disconnect(xcb_);
}

void X11Watcher::follow(const std::vector<std::uint32_t>& windows) {
    std::lock_guard lock(mutex_);
    bool added = false;
    for (auto window : windows)
        if (followed_.insert(window).second) {
            select(window, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
            added = true;
        }
    if (added) xcb_flush(xcb_);
}

bool X11Watcher::takeChanged(std::set<std::uint32_t>& windows) {
    std::lock_guard lock(mutex_);
    windows.swap(dirty_);
    dirty_.clear();
    bool everything = everything_;
    everything_ = false;
    return everything;
}

void X11Watcher::select(std::uint32_t window, std::uint32_t mask) {
    xcb_change_window_attributes(xcb_, window, XCB_CW_EVENT_MASK, &mask);
}

void X11Watcher::run() {
    pollfd fds[3] = {
        {xcb_get_file_descriptor(xcb_), POLLIN, 0}, {inotify_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    while (!xcb_connection_has_error(xcb_)) {
        bool changed = false;
        bool spaceChanged = false;
        bool listChanged = false;
        bool stateChanged = false;
        while (auto* event = xcb_poll_for_event(xcb_)) {
            auto type = event->response_type & 0x7f;
            std::lock_guard lock(mutex_);
            if (type == XCB_PROPERTY_NOTIFY) {
                auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
                if (property->atom == properties_.currentDesktop) spaceChanged = true;
                if (properties_.listed.count(property->atom)) listChanged = true;
                if (properties_.state.count(property->atom)) stateChanged = true;
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
        if (changed && callbacks_.changed) callbacks_.changed();
        if (listChanged || stateChanged) announceOnce(listPending_, WindowList::didChangeNotification);
        if (stateChanged) announceOnce(statePending_, WindowList::windowStateDidChangeNotification);
        if (spaceChanged)
            MainQueue::async([] {
                NotificationCenter::workspaceCenter()->post(Workspace::activeSpaceDidChangeNotification);
            });
        if (poll(fds, 3, -1) < 0) continue;
        if (fds[2].revents) return;
        if (fds[1].revents) {
            char buffer[4096];
            while (::read(inotify_, buffer, sizeof buffer) > 0) {}
            if (callbacks_.folderChanged) callbacks_.folderChanged();
        }
    }
}

}  // namespace platform::x11
