#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

typedef struct xcb_connection_t xcb_connection_t;

namespace platform::x11 {

// Watches the root window, the followed windows and one folder on a connection and a thread of
// its own. Every change calls `changed`; a change of the current desktop also announces the
// active space's change, one of the `listed` properties the window list's change and one of the
// `state` properties also the window state's change (each once for a burst of events); a change
// in the folder calls `folderChanged`. Both callbacks run on the watcher's thread.
class X11Watcher {
public:
    struct Callbacks {
        std::function<void()> changed;
        std::function<void()> folderChanged;
    };
    struct Properties {
        std::uint32_t currentDesktop = 0;
        std::set<std::uint32_t> listed;
        std::set<std::uint32_t> state;
    };
    X11Watcher(const std::string& displayName, std::uint32_t root, Properties properties,
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
    const Properties properties_;
    int inotify_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::set<std::uint32_t> followed_;
    std::set<std::uint32_t> dirty_;
    bool everything_ = false;
    // Set while an announcement waits on the main queue: a burst is announced once.
    const std::shared_ptr<std::atomic<bool>> listPending_ = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<std::atomic<bool>> statePending_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace platform::x11
