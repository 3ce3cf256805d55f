#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/x11/X11InstanceLock.h"
#include "tests/platform/x11/X11Session.h"
#include "tests/support/TemporaryFolder.h"

using platform::x11::EventThread;
using platform::x11::X11InstanceLock;

namespace {

// A runtime folder of the test's own while it lives.
struct PrivateRuntime {
    test_support::TemporaryFolder folder;
    const bool hadOne = std::getenv("XDG_RUNTIME_DIR") != nullptr;
    const std::string previous = hadOne ? std::getenv("XDG_RUNTIME_DIR") : "";
    PrivateRuntime() {
        ::chmod(folder.path().c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
    }
    ~PrivateRuntime() {
        hadOne ? setenv("XDG_RUNTIME_DIR", previous.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    }
    int connect(const std::string& display, const std::vector<std::string>& saying = {}) const {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un to{.sun_family = AF_UNIX, .sun_path = {}};
        const auto path = folder / ("velmora-" + X11InstanceLock::displayKey(display) + ".socket");
        std::strncpy(to.sun_path, path.c_str(), sizeof to.sun_path - 1);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
        for (const auto& part : saying)
            EXPECT_EQ(::send(fd, part.data(), part.size(), MSG_NOSIGNAL), ssize_t(part.size()));
        return fd;
    }
};

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
    PrivateRuntime runtime;
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
}

TEST(X11InstanceLockTest, OnlyTheWholeRequestBringsTheFirstForwardAndSilentConnectionsHoldUpNothing) {
    PrivateRuntime runtime;
    std::atomic<int> forward = 0;
    auto first = X11InstanceLock::claim(
        ":7", [&] { ++forward; }, nullptr);
    ASSERT_TRUE(first);
    // As many as may wait, so that each later connection drops the oldest.
    std::vector<int> silent;
    for (std::size_t i = 0; i < X11InstanceLock::maximumWaiting; ++i) silent.push_back(runtime.connect(":7"));
    // Other readers of the event thread run while they wait, not once the lock gave up on them.
    std::atomic<int> ranWithSilentOpen = -1;
    EventThread::shared()->add(silent.back(), [&] {
        ranWithSilentOpen = !closedByPeer(silent.back());
        return false;
    });
    EXPECT_TRUE(waitFor([&] { return ranWithSilentOpen == 1; }));
    const struct {
        const char* what;
        std::vector<std::string> parts;
        int forwardAfter;
    } cases[] = {
        {"something else", {"backward\n"}, 0},
        {"went away without a word", {}, 0},
        {"the request", {"forward\n"}, 1},
        {"the request in pieces", {"forw", "ard", "\n"}, 2},
        {"a request that goes on", {"forwarding"}, 2},
    };
    for (const auto& each : cases) {
        int fd = runtime.connect(":7", each.parts);
        if (each.parts.empty()) ::shutdown(fd, SHUT_WR);
        EXPECT_TRUE(waitFor([&] { return closedByPeer(fd); })) << each.what << ": closed once answered";
        EXPECT_EQ(forward, each.forwardAfter) << each.what;
        ::close(fd);
    }
    EXPECT_TRUE(waitFor([&] { return closedByPeer(silent.front()) && closedByPeer(silent.back()); }))
        << "the silent ones are let go in the end";
    for (int fd : silent) ::close(fd);
}
