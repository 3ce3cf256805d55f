#pragma once
// The program's one instance for a user and a display: a lock in the user's runtime folder, and a
// socket beside it on which a later instance asks the first to come forward.

#include <functional>
#include <memory>
#include <string>

#include "platform/x11/EventThread.h"

namespace platform::x11 {

class X11InstanceLock {
public:
    // Held: this is the only instance, and `comeForward` runs (on the shared event thread) whenever a
    // later one starts. None with `*handedOver` set: another instance holds the lock and was told
    // to come forward. None otherwise: no runtime folder of the user's own, so no lock at all.
    static std::unique_ptr<X11InstanceLock> claim(const std::string& displayName,
                                                  std::function<void()> comeForward, bool* handedOver);
    ~X11InstanceLock();
    X11InstanceLock(const X11InstanceLock&) = delete;
    X11InstanceLock& operator=(const X11InstanceLock&) = delete;

    // The runtime folder: $XDG_RUNTIME_DIR, else a folder of the user's own in /tmp; empty when
    // neither is the user's alone.
    static std::string runtimeFolder();
    // The name that stands for the display in the lock's file names.
    static std::string displayKey(const std::string& displayName);

private:
    X11InstanceLock() = default;
    // Answers the waiting requests; on the shared event thread.
    bool accept();

    std::function<void()> comeForward_;
    std::string socketPath_;
    int lockFd_ = -1;
    int socketFd_ = -1;
    std::shared_ptr<EventThread> thread_;
    int readerKey_ = -1;
};

}  // namespace platform::x11
