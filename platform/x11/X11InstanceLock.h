#pragma once
// The program's one instance for a user and a display: a lock in the user's runtime folder, and a
// socket beside it on which a later instance asks the first to come forward.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

    // How long a later instance has to say what it wants once connected.
    static constexpr std::chrono::milliseconds requestTimeout{500};
    // Connections that have not spoken yet, at most; a further one drops the oldest.
    static constexpr std::size_t maximumWaiting = 8;

private:
    struct Waiting {
        int fd;
        std::chrono::steady_clock::time_point deadline;
        std::string received;
    };

    X11InstanceLock() = default;
    // Takes new connections and reads what the waiting ones sent, without ever blocking: the
    // shared event thread also carries input and the window watch.
    bool serve();
    // Whether the connection is done with: it asked, said something else, or went away.
    bool readRequest(Waiting& waiting);
    void armTimer();

    std::function<void()> comeForward_;
    std::string socketPath_;
    int lockFd_ = -1;
    int socketFd_ = -1;
    // The socket, the waiting connections and their timer in one descriptor for the event thread.
    int pollFd_ = -1;
    int timerFd_ = -1;
    // Only on the event thread.
    std::vector<Waiting> waiting_;
    std::shared_ptr<EventThread> thread_;
    int readerKey_ = -1;
};

}  // namespace platform::x11
