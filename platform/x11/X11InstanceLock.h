#pragma once
// The program's one instance for a user and a display: a lock in a folder of the user's own, and a
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
    enum class Outcome {
        held,        // this is the only instance
        handedOver,  // another instance holds the lock and took the request to come forward
        unanswered,  // another instance holds the lock and did not take the request in time
        unlocked,    // no folder of the user's own takes the lock: this one runs without it
    };
    // A place the lock may live; `create`: made (for the user alone) when missing.
    struct Folder {
        std::string path;
        bool create = false;
    };
    struct Claim {
        Outcome outcome = Outcome::unlocked;
        // Held: `comeForward` runs (on the shared event thread) whenever a later instance starts.
        std::unique_ptr<X11InstanceLock> lock;
        // Unlocked: the places refused and why.
        std::string why;
    };

    // How long a later instance waits for the first to take its request, connecting included.
    static constexpr std::chrono::milliseconds answerDeadline{2000};

    // In the first of `folders()` that is the user's own.
    static Claim claim(const std::string& displayName, std::function<void()> comeForward);
    static Claim claim(const std::string& displayName, std::function<void()> comeForward,
                       const std::vector<Folder>& folders, std::chrono::milliseconds deadline);
    ~X11InstanceLock();
    X11InstanceLock(const X11InstanceLock&) = delete;
    X11InstanceLock& operator=(const X11InstanceLock&) = delete;

    // Where the lock may live, first choice first: $XDG_RUNTIME_DIR, a folder of the user's own in
    // /tmp, one in the user's cache folder for this host. A folder is taken only when it is a
    // folder (not a link) that the user owns and nobody else may write to.
    static std::vector<Folder> folders();
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
    // Listens on the socket and serves it from the shared event thread where it can: the lock is
    // held either way.
    void listen(std::function<void()> comeForward);
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
