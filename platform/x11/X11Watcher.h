#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

typedef struct xcb_connection_t xcb_connection_t;

namespace platform::x11 {

// Watches the root window, the followed windows and one folder on a connection and a thread of
// its own. Every change calls `changed`; a change of the current desktop also announces the
// active space's change; a change in the folder calls `folderChanged`. Both run on the watcher's
// thread.
class X11Watcher {
public:
    struct Callbacks {
        std::function<void()> changed;
        std::function<void()> folderChanged;
    };
    X11Watcher(const std::string& displayName, std::uint32_t root, std::uint32_t currentDesktopAtom,
               const std::string& folder, Callbacks callbacks);
    ~X11Watcher();
    X11Watcher(const X11Watcher&) = delete;
    X11Watcher& operator=(const X11Watcher&) = delete;

    bool active() const { return thread_.joinable(); }

    // Follows the windows before they are read, so no change after the reading goes unseen.
    void follow(const std::vector<std::uint32_t>& windows);
    // The windows changed since the last call; true when any change may concern every window.
    bool takeChanged(std::set<std::uint32_t>& windows);

private:
    void select(std::uint32_t window, std::uint32_t mask);
    void run();

    Callbacks callbacks_;
    xcb_connection_t* xcb_ = nullptr;
    std::uint32_t currentDesktop_ = 0;
    int inotify_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::set<std::uint32_t> followed_;
    std::set<std::uint32_t> dirty_;
    bool everything_ = false;
};

}  // namespace platform::x11
