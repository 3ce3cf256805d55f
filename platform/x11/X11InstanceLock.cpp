#include "platform/x11/X11InstanceLock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

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
    bool told = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
                ::write(fd, request, sizeof request - 1) == static_cast<ssize_t>(sizeof request - 1);
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
    lock->comeForward_ = std::move(comeForward);
    lock->thread_ = EventThread::shared();
    lock->readerKey_ = lock->thread_->add(lock->socketFd_, [raw = lock.get()] { return raw->accept(); });
    return lock;
}

X11InstanceLock::~X11InstanceLock() {
    if (readerKey_ >= 0) thread_->remove(readerKey_);
    if (socketFd_ >= 0) {
        ::close(socketFd_);
        ::unlink(socketPath_.c_str());
    }
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool X11InstanceLock::accept() {
    for (int connection; (connection = ::accept4(socketFd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        // Nothing but the request is read, and only a moment is waited for it.
        char buffer[sizeof request] = {};
        pollfd readable{connection, POLLIN, 0};
        ssize_t got = ::poll(&readable, 1, 500) > 0 ? ::read(connection, buffer, sizeof buffer - 1) : 0;
        ::close(connection);
        if (got == static_cast<ssize_t>(sizeof request - 1) && std::memcmp(buffer, request, got) == 0 &&
            comeForward_)
            comeForward_();
    }
    return true;
}

}  // namespace platform::x11
