#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/x11/EventThread.h"

typedef struct xcb_connection_t xcb_connection_t;

namespace platform::x11 {

// Watches the root window, the followed windows and one folder on a connection of its own, read on
// a shared EventThread. Every change calls `changed`; a change of the current desktop also announces the
// active space's change, one of the `listed` properties the window list's change and one of the
// `state` properties also the window state's change (each once for a burst of events); a change
// in the folder calls `folderChanged`. A sign that the window manager is changing (a new owner of
// its selection, a new check window, its client list deleted) calls `managerChanged` before
// `changed`, and every window is followed again by the next `follow`: the new manager re-parents
// them. A change of the desktop's settings (XSETTINGS) calls `settingsChanged`. The callbacks run on
// the event thread.
class X11Watcher {
public:
    struct Callbacks {
        std::function<void()> changed;
        std::function<void()> folderChanged;
        // Whether the selection has a new owner, which only a manager takes.
        std::function<void(bool selection)> managerChanged;
        // The desktop's settings (XSETTINGS) changed, or their owner did.
        std::function<void()> settingsChanged;
    };
    struct Properties {
        std::uint32_t currentDesktop = 0;
        std::set<std::uint32_t> listed;
        std::set<std::uint32_t> state;
        // The window manager's check window and client list on the root, and its selection (WM_S<n>).
        std::uint32_t managerCheck = 0;
        std::uint32_t clientList = 0;
        std::uint32_t managerSelection = 0;
        // The desktop settings' selection (_XSETTINGS_S<n>) and the property its owner keeps them in.
        std::uint32_t settingsSelection = 0;
        std::uint32_t settingsProperty = 0;
    };
    X11Watcher(const std::string& displayName, std::uint32_t root, Properties properties,
               const std::string& folder, Callbacks callbacks, std::shared_ptr<EventThread> thread);
    ~X11Watcher();
    X11Watcher(const X11Watcher&) = delete;
    X11Watcher& operator=(const X11Watcher&) = delete;

    bool active() const { return xcbReader_ >= 0; }
    // Whether changes in the folder are seen: not when the system has no inotify instance or watch
    // left to give.
    bool watchesFolder() const { return folderReader_ >= 0 && folderWatch_ >= 0; }

    // Follows the windows before they are read, so no change after the reading goes unseen.
    void follow(const std::vector<std::uint32_t>& windows);
    // The windows changed since the last call; true when any change may concern every window.
    bool takeChanged(std::set<std::uint32_t>& windows);

private:
    void select(std::uint32_t window, std::uint32_t mask);
    void watchSelections(std::uint32_t root);
    void watchFolder();
    // Follows the settings' owner's property (event thread, or before the reading starts).
    void followSettingsOwner(std::uint32_t owner);
    bool readDisplay();
    bool readFolder();

    Callbacks callbacks_;
    xcb_connection_t* xcb_ = nullptr;
    const Properties properties_;
    const std::string folder_;
    int inotify_ = -1;
    std::atomic<int> folderWatch_{-1};
    const std::shared_ptr<EventThread> thread_;
    int xcbReader_ = -1;
    int folderReader_ = -1;
    // The first event number of XFixes, which tells the selection's new owners; 0 without it.
    std::uint8_t xfixesEvent_ = 0;
    std::uint32_t settingsOwner_ = 0;
    std::mutex mutex_;
    std::set<std::uint32_t> followed_;
    std::set<std::uint32_t> dirty_;
    bool everything_ = false;
    // Set while an announcement waits on the main queue: a burst is announced once.
    const std::shared_ptr<std::atomic<bool>> listPending_ = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<std::atomic<bool>> statePending_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace platform::x11
