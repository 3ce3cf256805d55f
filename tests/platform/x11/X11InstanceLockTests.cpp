#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/x11/X11InstanceLock.h"
#include "tests/platform/x11/X11Session.h"
#include "tests/support/TemporaryFolder.h"

using platform::x11::EventThread;
using platform::x11::X11InstanceLock;

namespace {

// A runtime folder of the test's own while it lives.
class PrivateRuntime {
public:
    PrivateRuntime() {
        ::chmod(folder_.path().c_str(), 0700);
        const char* saved = std::getenv("XDG_RUNTIME_DIR");
        if (saved) previous_ = saved;
        hadOne_ = saved != nullptr;
        setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
    }
    ~PrivateRuntime() {
        hadOne_ ? setenv("XDG_RUNTIME_DIR", previous_.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    }
    std::string socket(const std::string& display) const {
        return folder_ / ("velmora-" + X11InstanceLock::displayKey(display) + ".socket");
    }

private:
    test_support::TemporaryFolder folder_;
    std::string previous_;
    bool hadOne_ = false;
};

int connectTo(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un to{};
    to.sun_family = AF_UNIX;
    std::strncpy(to.sun_path, path.c_str(), sizeof to.sun_path - 1);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    return fd;
}

void say(int fd, const std::string& text) {
    ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL), ssize_t(text.size()));
}

// Whether the other end closed the connection (false while it is open with nothing to read).
bool closedByPeer(int fd) {
    char byte;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 0;
}

}  // namespace

TEST(X11InstanceLockTest, ADisplayNamesOneLockWhateverItsScreenOrTransport) {
    for (const char* name : {":1", ":1.0", "unix:1", "unix:1.2"})
        EXPECT_EQ(X11InstanceLock::displayKey(name), "_1");
    EXPECT_EQ(X11InstanceLock::displayKey("host.example:10.0"), "host_example_10");
    EXPECT_NE(X11InstanceLock::displayKey(":1"), X11InstanceLock::displayKey(":10"));
    EXPECT_EQ(X11InstanceLock::displayKey("../../x"), "______x") << "no path in the name";
}

TEST(X11InstanceLockTest, ALaterInstanceTellsTheFirstToComeForwardAndGetsNoLockUntilTheFirstEnds) {
    test_support::TemporaryFolder runtime;
    ::chmod(runtime.path().c_str(), 0700);
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    std::string previous = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    std::atomic<int> forward = 0;
    bool handedOver = true;
    auto first = X11InstanceLock::claim(
        ":5", [&] { ++forward; }, &handedOver);
    ASSERT_TRUE(first);
    EXPECT_FALSE(handedOver);
    EXPECT_FALSE(X11InstanceLock::claim(
        ":5.0", [] {}, &handedOver));
    EXPECT_TRUE(handedOver);
    EXPECT_TRUE(waitFor([&] { return forward == 1; }));
    EXPECT_TRUE(X11InstanceLock::claim(
        ":6", [] {}, &handedOver))
        << "another display has its own";
    first.reset();
    EXPECT_TRUE(X11InstanceLock::claim(
        ":5", [] {}, &handedOver));
    EXPECT_FALSE(handedOver);
    saved ? setenv("XDG_RUNTIME_DIR", previous.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
}

TEST(X11InstanceLockTest, AConnectionThatSaysNothingHoldsUpNeitherTheEventThreadNorALaterRequest) {
    PrivateRuntime runtime;
    std::atomic<int> forward = 0;
    bool handedOver = false;
    auto first = X11InstanceLock::claim(
        ":7", [&] { ++forward; }, &handedOver);
    ASSERT_TRUE(first);
    int silent = connectTo(runtime.socket(":7"));
    // Another reader of the same thread, woken while the silent connection is waiting: it must
    // run with that connection still open, not after the lock gave up on it.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    auto thread = EventThread::shared();
    std::atomic<bool> ran = false, silentStillOpen = false;
    int key = thread->add(ends[0], [&] {
        char byte;
        if (::read(ends[0], &byte, 1) == 1) {
            silentStillOpen = !closedByPeer(silent);
            ran = true;
        }
        return true;
    });
    ASSERT_EQ(::write(ends[1], "x", 1), 1);
    EXPECT_TRUE(waitFor([&] { return ran.load(); }));
    EXPECT_TRUE(silentStillOpen);
    EXPECT_FALSE(X11InstanceLock::claim(
        ":7", [] {}, &handedOver));
    EXPECT_TRUE(handedOver);
    EXPECT_TRUE(waitFor([&] { return forward == 1; }));
    // In the end the silent one is let go.
    EXPECT_TRUE(waitFor([&] { return closedByPeer(silent); }));
    thread->remove(key);
    for (int fd : {silent, ends[0], ends[1]}) ::close(fd);
}

TEST(X11InstanceLockTest, OnlyTheWholeRequestBringsTheFirstForwardHoweverItArrives) {
    PrivateRuntime runtime;
    std::atomic<int> forward = 0;
    auto first = X11InstanceLock::claim(
        ":8", [&] { ++forward; }, nullptr);
    ASSERT_TRUE(first);
    struct Case {
        const char* what;
        std::vector<std::string> parts;
        int forwardAfter;
    };
    const Case cases[] = {
        {"something else", {"backward\n"}, 0},
        {"went away without a word", {}, 0},
        {"the request", {"forward\n"}, 1},
        {"the request in pieces", {"forw", "ard", "\n"}, 2},
        {"a request that goes on", {"forwarding"}, 2},
    };
    for (const auto& c : cases) {
        int fd = connectTo(runtime.socket(":8"));
        for (const auto& part : c.parts) say(fd, part);
        if (c.parts.empty()) ::shutdown(fd, SHUT_WR);
        // The connection is closed once it has been answered.
        EXPECT_TRUE(waitFor([&] { return closedByPeer(fd); })) << c.what;
        EXPECT_EQ(forward, c.forwardAfter) << c.what;
        ::close(fd);
    }
}

TEST(X11InstanceLockTest, AFloodOfSilentConnectionsDropsTheOldestAndStillHearsARequest) {
    PrivateRuntime runtime;
    std::atomic<int> forward = 0;
    auto first = X11InstanceLock::claim(
        ":9", [&] { ++forward; }, nullptr);
    ASSERT_TRUE(first);
    std::vector<int> silent;
    for (std::size_t i = 0; i < X11InstanceLock::maximumWaiting; ++i)
        silent.push_back(connectTo(runtime.socket(":9")));
    int asking = connectTo(runtime.socket(":9"));
    say(asking, "forward\n");
    EXPECT_TRUE(waitFor([&] { return forward == 1; }));
    EXPECT_TRUE(waitFor([&] { return closedByPeer(silent.front()); })) << "the oldest made room";
    for (int fd : silent) ::close(fd);
    ::close(asking);
}
