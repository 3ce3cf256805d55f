#include "platform/x11/X11Watcher.h"

#include <sys/inotify.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

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
                       const std::string& folder, Callbacks callbacks, std::shared_ptr<EventThread> thread)
    : callbacks_(std::move(callbacks)),
      properties_(std::move(properties)),
      folder_(folder),
      thread_(std::move(thread)) {
    if (!thread_ || !thread_->running()) return;
    int screen = 0;
    xcb_ = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screen);
    if (xcb_connection_has_error(xcb_)) return;
    select(root, XCB_EVENT_MASK_PROPERTY_CHANGE);
    watchSelections(root);
    xcb_flush(xcb_);
    inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    watchFolder();
    xcbReader_ = thread_->add(xcb_get_file_descriptor(xcb_), [this] { return readDisplay(); });
    if (inotify_ >= 0) folderReader_ = thread_->add(inotify_, [this] { return readFolder(); });
}

X11Watcher::~X11Watcher() {
    for (int key : {xcbReader_, folderReader_})
        if (key >= 0) thread_->remove(key);
    if (inotify_ >= 0) close(inotify_);
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

void X11Watcher::watchFolder() {
    if (inotify_ < 0) return;
    if (folderWatch_ >= 0) inotify_rm_watch(inotify_, folderWatch_);
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
    folderWatch_ = inotify_add_watch(
        inotify_, folder_.c_str(),
        IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF);
}

void X11Watcher::watchSelections(std::uint32_t root) {
    const auto* xfixes = xcb_get_extension_data(xcb_, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present) return;
    // XFixes answers nothing before its version is asked.
    std::free(xcb_xfixes_query_version_reply(
        xcb_, xcb_xfixes_query_version(xcb_, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION), nullptr));
    for (auto selection : {properties_.managerSelection, properties_.settingsSelection})
        if (selection)
            xcb_xfixes_select_selection_input(xcb_, root, selection,
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xfixesEvent_ = xfixes->first_event;
    if (properties_.settingsSelection) {
        auto cookie = xcb_get_selection_owner(xcb_, properties_.settingsSelection);
        if (auto* reply = xcb_get_selection_owner_reply(xcb_, cookie, nullptr)) {
            followSettingsOwner(reply->owner);
            std::free(reply);
        }
    }
}

void X11Watcher::followSettingsOwner(std::uint32_t owner) {
    settingsOwner_ = owner;
    if (owner) select(owner, XCB_EVENT_MASK_PROPERTY_CHANGE);
}

void X11Watcher::select(std::uint32_t window, std::uint32_t mask) {
    xcb_change_window_attributes(xcb_, window, XCB_CW_EVENT_MASK, &mask);
}

bool X11Watcher::readDisplay() {
    if (xcb_connection_has_error(xcb_)) return false;
    bool changed = false;
    bool spaceChanged = false;
    bool listChanged = false;
    bool stateChanged = false;
    bool managerChanged = false;
    bool selectionChanged = false;
    bool settingsChanged = false;
    while (auto* event = xcb_poll_for_event(xcb_)) {
        auto type = event->response_type & 0x7f;
        std::lock_guard lock(mutex_);
        if (xfixesEvent_ && type == xfixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
            auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
            if (properties_.settingsSelection && notify->selection == properties_.settingsSelection) {
                followSettingsOwner(notify->owner);
                settingsChanged = true;
            } else {
                managerChanged = selectionChanged = true;
            }
        } else if (auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
                   type == XCB_PROPERTY_NOTIFY && settingsOwner_ && property->window == settingsOwner_) {
            if (property->atom == properties_.settingsProperty) settingsChanged = true;
        } else if (type == XCB_PROPERTY_NOTIFY) {
            if (property->atom == properties_.managerCheck ||
                (property->atom == properties_.clientList && property->state == XCB_PROPERTY_DELETE))
                managerChanged = true;
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
    if (managerChanged) {
        {
            std::lock_guard lock(mutex_);
            followed_.clear();
            everything_ = true;
        }
        changed = true;
        // First, so that no reading between the two takes the old manager's leaving for the end of
        // every window.
        if (callbacks_.managerChanged) callbacks_.managerChanged(selectionChanged);
    }
    if (settingsChanged) {
        xcb_flush(xcb_);
        if (callbacks_.settingsChanged) callbacks_.settingsChanged();
    }
    if (changed && callbacks_.changed) callbacks_.changed();
    if (listChanged || stateChanged) announceOnce(listPending_, WindowList::didChangeNotification);
    if (stateChanged) announceOnce(statePending_, WindowList::windowStateDidChangeNotification);
    if (spaceChanged)
        MainQueue::async(
            [] { NotificationCenter::workspaceCenter()->post(Workspace::activeSpaceDidChangeNotification); });
    return !xcb_connection_has_error(xcb_);
}

bool X11Watcher::readFolder() {
    alignas(inotify_event) char buffer[4096];
    bool any = false, gone = false;
    for (ssize_t length; (length = ::read(inotify_, buffer, sizeof buffer)) > 0;) {
        any = true;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            // Only the folder's current watch: removing an old one tells of it too.
            if (event->wd == folderWatch_ && event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))
                gone = true;
            at += ssize_t(sizeof(inotify_event)) + event->len;
        }
    }
    // The folder removed or moved away: the one made again at its path is watched.
    if (gone) watchFolder();
    if (any && callbacks_.folderChanged) callbacks_.folderChanged();
    return true;
}

}  // namespace platform::x11
