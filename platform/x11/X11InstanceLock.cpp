#include "platform/x11/X11InstanceLock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/foundation/FileManager.h"
#include "platform/x11/X11InstanceRequest.h"

namespace platform::x11 {
namespace {

using Clock = std::chrono::steady_clock;

// Why `folder` may not hold the lock; empty when it may: a folder, not a link, that the user owns
// and nobody else may write to, so that nothing at the lock's paths is another's.
std::string refusal(const std::string& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return folder + ": " + std::strerror(errno);
    if (S_ISLNK(info.st_mode)) return folder + " is a link";
    if (!S_ISDIR(info.st_mode)) return folder + " is not a folder";
    if (info.st_uid != ::getuid()) return folder + " is another user's";
    if (info.st_mode & (S_IWGRP | S_IWOTH)) return folder + " is writable by others";
    return {};
}

// Takes away whatever stands at `path` in a folder of the user's own, a link itself rather than
// what it names; false when it stays (a folder with something in it).
bool removeEntry(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT || ::rmdir(path.c_str()) == 0;
}

// The lock file, made a regular file of the user's own: anything else at its path (a link,
// dangling or not, a FIFO, an empty folder) is replaced, never followed or opened.
int openLockFile(const std::string& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && !(S_ISREG(info.st_mode) && info.st_uid == ::getuid()) &&
            !removeEntry(path))
            return -1;
        int fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
        if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid())
            return fd;
        if (fd >= 0) ::close(fd);
    }
    return -1;
}

// The socket's address; the caller has checked that `path` fits.
sockaddr_un socketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

int millisecondsUntil(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, 60'000));
}

// Waits for `events` on `fd` until the deadline; false when the time ran out or the wait failed.
bool await(int fd, short events, Clock::time_point deadline) {
    // Checked before each wait: a descriptor that keeps reporting ready ends at the deadline too.
    while (Clock::now() < deadline) {
        pollfd ready{fd, events, 0};
        int count = ::poll(&ready, 1, millisecondsUntil(deadline));
        if (count > 0) return true;
        if (count == 0 || errno != EINTR) return false;
    }
    return false;
}

// One attempt at the exchange with the first instance: connect, send the request, and wait for the
// first instance to close the connection, which it does once it read the request. Never blocks past
// the deadline, whether the first instance is stopped, its backlog full or its socket gone.
enum class Exchange { answered, notListening, unanswered };

Exchange askToComeForward(const sockaddr_un& to, Clock::time_point deadline) {
    // A link at the socket's path is never followed; only a socket of the user's own is asked.
    struct stat info {};
    if (::lstat(to.sun_path, &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != ::getuid())
        return Exchange::notListening;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return Exchange::unanswered;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        // A full backlog (EAGAIN), no listener yet or any more: the caller tries again in a moment.
        if (errno != EINPROGRESS && errno != EINTR) return Exchange::notListening;
        int error = 0;
        socklen_t length = sizeof error;
        if (!await(fd, POLLOUT, deadline) || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
            error != 0)
            return Exchange::notListening;
    }
    // A first instance that gave up on the connection must not end this one with SIGPIPE.
    for (std::size_t sent = 0; sent < instanceRequest.size();) {
        auto count = ::send(fd, instanceRequest.data() + sent, instanceRequest.size() - sent,
                            MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count > 0) {
            sent += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return Exchange::unanswered;
        if (!await(fd, POLLOUT, deadline)) return Exchange::unanswered;
    }
    for (;;) {
        if (!await(fd, POLLIN, deadline)) return Exchange::unanswered;
        char byte;
        auto count = ::recv(fd, &byte, 1, MSG_DONTWAIT);
        if (count == 0 || (count < 0 && errno == ECONNRESET)) return Exchange::answered;
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return Exchange::unanswered;
    }
}

}  // namespace

std::vector<X11InstanceLock::Folder> X11InstanceLock::folders() {
    std::vector<Folder> result;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
        result.push_back({runtime, false});
    result.push_back({"/tmp/velmora-" + std::to_string(::getuid()), true});
    // Named for the host: a home shared between machines holds one lock for each.
    std::array<char, 256> host{};
    ::gethostname(host.data(), host.size() - 1);
    result.push_back(
        {FileManager::xdgPath("XDG_CACHE_HOME", ".cache") + "/velmora-" + displayKey(host.data()), true});
    return result;
}

std::string X11InstanceLock::displayKey(const std::string& displayName) {
    // ":1", ":1.0" and "unix:1" are one display; its screen number does not matter.
    auto name = displayName;
    if (auto colon = name.rfind(':'); colon != std::string::npos) {
        if (auto dot = name.find('.', colon); dot != std::string::npos) name.resize(dot);
        if (name.starts_with("unix:")) name.erase(0, 4);
    }
    std::string key;
    for (char c : name) key += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return key.empty() ? "default" : key;
}

X11InstanceLock::Claim X11InstanceLock::claim(const std::string& displayName,
                                              std::function<void()> comeForward) {
    return claim(displayName, std::move(comeForward), folders(), answerDeadline);
}

X11InstanceLock::Claim X11InstanceLock::claim(const std::string& displayName,
                                              std::function<void()> comeForward,
                                              const std::vector<Folder>& folders,
                                              std::chrono::milliseconds deadline) {
    Claim result;
    for (const auto& folder : folders) {
        if (folder.create && ::mkdir(folder.path.c_str(), 0700) != 0 && errno == ENOENT) {
            // The user's cache folder itself may not exist yet.
            ::mkdir(folder.path.substr(0, folder.path.rfind('/')).c_str(), 0700);
            ::mkdir(folder.path.c_str(), 0700);
        }
        auto why = refusal(folder.path);
        auto base = folder.path + "/velmora-" + displayKey(displayName);
        if (why.empty() && base.size() + std::strlen(".socket") >= sizeof(sockaddr_un::sun_path))
            why = folder.path + " is too long a path for a socket";
        std::unique_ptr<X11InstanceLock> lock(new X11InstanceLock);
        if (why.empty() && (lock->lockFd_ = openLockFile(base + ".lock")) < 0)
            why = base + ".lock cannot be made a file of the user's own";
        if (!why.empty()) {
            result.why += (result.why.empty() ? "" : "; ") + why;
            continue;
        }
        lock->socketPath_ = base + ".socket";
        if (::flock(lock->lockFd_, LOCK_EX | LOCK_NB) == 0) {
            lock->listen(std::move(comeForward));
            result.outcome = Outcome::held;
            result.lock = std::move(lock);
            return result;
        }
        // The first instance may still be starting: it listens once it holds the lock.
        const auto end = Clock::now() + deadline;
        for (;;) {
            auto exchange = askToComeForward(socketAddress(lock->socketPath_), end);
            if (exchange != Exchange::notListening || Clock::now() >= end) {
                result.outcome = exchange == Exchange::answered ? Outcome::handedOver : Outcome::unanswered;
                return result;
            }
            ::poll(nullptr, 0, std::min(50, millisecondsUntil(end)));
        }
    }
    return result;
}

void X11InstanceLock::listen(std::function<void()> comeForward) {
    // Whatever stands at the socket's path in the user's own folder is an old one's or a stray.
    removeEntry(socketPath_);
    socketFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    auto at = socketAddress(socketPath_);
    if (socketFd_ < 0 || ::bind(socketFd_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        ::listen(socketFd_, 4) != 0)
        return;  // the only instance still, though no later one can reach it
    pollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    epoll_event ready{.events = EPOLLIN, .data = {}};
    if (pollFd_ < 0 || timerFd_ < 0 || ::epoll_ctl(pollFd_, EPOLL_CTL_ADD, socketFd_, &ready) != 0 ||
        ::epoll_ctl(pollFd_, EPOLL_CTL_ADD, timerFd_, &ready) != 0)
        return;
    comeForward_ = std::move(comeForward);
    thread_ = EventThread::shared();
    readerKey_ = thread_->add(pollFd_, [this] { return serve(); });
}

X11InstanceLock::~X11InstanceLock() {
    if (readerKey_ >= 0) thread_->remove(readerKey_);
    for (const auto& waiting : waiting_) ::close(waiting.fd);
    for (int fd : {pollFd_, timerFd_})
        if (fd >= 0) ::close(fd);
    if (socketFd_ >= 0) {
        ::close(socketFd_);
        ::unlink(socketPath_.c_str());
    }
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool X11InstanceLock::serve() {
    std::uint64_t expirations;
    while (::read(timerFd_, &expirations, sizeof expirations) > 0) {}
    for (int connection;
         (connection = ::accept4(socketFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;) {
        if (waiting_.size() >= maximumWaiting) {
            ::close(waiting_.front().fd);
            waiting_.erase(waiting_.begin());
        }
        epoll_event ready{.events = EPOLLIN, .data = {}};
        if (::epoll_ctl(pollFd_, EPOLL_CTL_ADD, connection, &ready) != 0) {
            ::close(connection);
            continue;
        }
        waiting_.push_back({connection, Clock::now() + requestTimeout, {}});
    }
    const auto now = Clock::now();
    std::erase_if(waiting_, [&](Waiting& waiting) {
        if (!readRequest(waiting) && now < waiting.deadline) return false;
        // Closing the descriptor also takes it out of the poll set.
        ::close(waiting.fd);
        return true;
    });
    armTimer();
    return true;
}

bool X11InstanceLock::readRequest(Waiting& waiting) {
    // Nothing but the request is read.
    char buffer[instanceRequest.size()];
    for (;;) {
        auto got = ::recv(waiting.fd, buffer, instanceRequestWanted(waiting.received), MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        if (got <= 0) return true;
        waiting.received.append(buffer, static_cast<std::size_t>(got));
        break;
    }
    switch (decodeInstanceRequest(waiting.received)) {
        case InstanceRequestState::incomplete:
            return false;
        case InstanceRequestState::comeForward:
            if (comeForward_) comeForward_();
            return true;
        case InstanceRequestState::refused:
            return true;
    }
    return true;
}

void X11InstanceLock::armTimer() {
    itimerspec when{};
    if (!waiting_.empty()) {
        // The connections wait in the order they came, so the first one's time ends first.
        auto left =
            std::chrono::duration_cast<std::chrono::nanoseconds>(waiting_.front().deadline - Clock::now());
        // A deadline already past still fires: a zero value would disarm the timer.
        left = std::max(left, std::chrono::nanoseconds(1));
        when.it_value.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
    }
    ::timerfd_settime(timerFd_, 0, &when, nullptr);
}

}  // namespace platform::x11
