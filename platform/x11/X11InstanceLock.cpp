#include "platform/x11/X11InstanceLock.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform::x11 {
namespace {

constexpr char request[] = "forward\n";

// A folder that only the user can reach.
bool usersOwn(const std::string& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

sockaddr_un address(const std::string& path) {
    sockaddr_un result{};
    result.sun_family = AF_UNIX;
    std::strncpy(result.sun_path, path.c_str(), sizeof result.sun_path - 1);
    return result;
}

bool tellToComeForward(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    auto to = address(path);
    // A first instance that gave up on the connection must not end this one with SIGPIPE.
    bool told =
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
        ::send(fd, request, sizeof request - 1, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof request - 1);
    ::close(fd);
    return told;
}

}  // namespace

std::string X11InstanceLock::runtimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && usersOwn(runtime))
        return runtime;
    auto folder = "/tmp/velmora-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    return usersOwn(folder) ? folder : std::string();
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

std::unique_ptr<X11InstanceLock> X11InstanceLock::claim(const std::string& displayName,
                                                        std::function<void()> comeForward, bool* handedOver) {
    if (handedOver) *handedOver = false;
    auto folder = runtimeFolder();
    if (folder.empty()) return nullptr;
    auto base = folder + "/velmora-" + displayKey(displayName);
    std::unique_ptr<X11InstanceLock> lock(new X11InstanceLock);
    lock->socketPath_ = base + ".socket";
    lock->lockFd_ = ::open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock->lockFd_ < 0) return nullptr;
    if (::flock(lock->lockFd_, LOCK_EX | LOCK_NB) != 0) {
        // The first instance may still be starting: it listens once it holds the lock.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!tellToComeForward(lock->socketPath_) && std::chrono::steady_clock::now() < deadline)
            ::usleep(50'000);
        if (handedOver) *handedOver = true;
        return nullptr;
    }
    ::unlink(lock->socketPath_.c_str());
    lock->socketFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    auto at = address(lock->socketPath_);
    if (lock->socketFd_ < 0 || ::bind(lock->socketFd_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        ::listen(lock->socketFd_, 4) != 0)
        return lock;  // the only instance still, though no later one can reach it
    lock->pollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    lock->timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    epoll_event ready{.events = EPOLLIN, .data = {}};
    if (lock->pollFd_ < 0 || lock->timerFd_ < 0 ||
        ::epoll_ctl(lock->pollFd_, EPOLL_CTL_ADD, lock->socketFd_, &ready) != 0 ||
        ::epoll_ctl(lock->pollFd_, EPOLL_CTL_ADD, lock->timerFd_, &ready) != 0)
        return lock;
    lock->comeForward_ = std::move(comeForward);
    lock->thread_ = EventThread::shared();
    lock->readerKey_ = lock->thread_->add(lock->pollFd_, [raw = lock.get()] { return raw->serve(); });
    return lock;
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
        waiting_.push_back({connection, std::chrono::steady_clock::now() + requestTimeout, {}});
    }
    const auto now = std::chrono::steady_clock::now();
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
    char buffer[sizeof request];
    const auto wanted = sizeof request - 1 - waiting.received.size();
    for (;;) {
        auto got = ::recv(waiting.fd, buffer, wanted, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        if (got <= 0) return true;
        waiting.received.append(buffer, static_cast<std::size_t>(got));
        break;
    }
    if (std::string_view(request).substr(0, waiting.received.size()) != waiting.received) return true;
    if (waiting.received.size() < sizeof request - 1) return false;
    if (comeForward_) comeForward_();
    return true;
}

void X11InstanceLock::armTimer() {
    itimerspec when{};
    if (!waiting_.empty()) {
        // The connections wait in the order they came, so the first one's time ends first.
        auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(waiting_.front().deadline -
                                                                         std::chrono::steady_clock::now());
        // A deadline already past still fires: a zero value would disarm the timer.
        left = std::max(left, std::chrono::nanoseconds(1));
        when.it_value.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
    }
    ::timerfd_settime(timerFd_, 0, &when, nullptr);
}

}  // namespace platform::x11
