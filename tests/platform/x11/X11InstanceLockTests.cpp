#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/x11/X11InstanceLock.h"
#include "tests/platform/x11/X11Session.h"
#include "tests/support/TemporaryFolder.h"

using platform::x11::EventThread;
using platform::x11::X11InstanceLock;
using Outcome = X11InstanceLock::Outcome;

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
    auto first = X11InstanceLock::claim(":5", [&] { ++forward; });
    ASSERT_EQ(first.outcome, Outcome::held);
    ASSERT_TRUE(first.lock);
    auto second = X11InstanceLock::claim(":5.0", [] {});
    EXPECT_EQ(second.outcome, Outcome::handedOver);
    EXPECT_FALSE(second.lock);
    EXPECT_EQ(forward, 1) << "taken before the later one ends";
    EXPECT_EQ(X11InstanceLock::claim(":6", [] {}).outcome, Outcome::held) << "another display has its own";
    first.lock.reset();
    EXPECT_EQ(X11InstanceLock::claim(":5", [] {}).outcome, Outcome::held);
}

TEST(X11InstanceLockTest, OnlyTheWholeRequestBringsTheFirstForwardAndSilentConnectionsHoldUpNothing) {
    PrivateRuntime runtime;
    std::atomic<int> forward = 0;
    auto first = X11InstanceLock::claim(":7", [&] { ++forward; });
    ASSERT_TRUE(first.lock);
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

namespace {

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

X11InstanceLock::Claim claimIn(const std::vector<X11InstanceLock::Folder>& folders, const char* display,
                               std::chrono::milliseconds deadline = X11InstanceLock::answerDeadline) {
    return X11InstanceLock::claim(
        display, [] {}, folders, deadline);
}

// A first instance in `folder` that holds the lock and never answers: stopped, or gone with its
// socket left behind.
struct FrozenFirst {
    enum Socket { none, neverAccepted, backlogFull };
    int lockFd = -1, listening = -1;
    std::vector<int> queued;
    FrozenFirst(const std::string& folder, Socket socket) {
        lockFd = ::open((folder + "/velmora-_9.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        EXPECT_EQ(::flock(lockFd, LOCK_EX | LOCK_NB), 0);
        if (socket == none) return;
        listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un at{.sun_family = AF_UNIX, .sun_path = {}};
        std::strncpy(at.sun_path, (folder + "/velmora-_9.socket").c_str(), sizeof at.sun_path - 1);
        EXPECT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
        EXPECT_EQ(::listen(listening, 1), 0);
        // Connections the first instance never takes, until the kernel queues no more.
        while (socket == backlogFull && queued.size() < 64) {
            queued.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
            if (::connect(queued.back(), reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) break;
        }
        EXPECT_TRUE(socket != backlogFull || errno == EAGAIN) << "the backlog fills";
    }
    ~FrozenFirst() {
        queued.insert(queued.end(), {listening, lockFd});
        for (int fd : queued)
            if (fd >= 0) ::close(fd);
    }
};

}  // namespace

TEST(X11InstanceLockTest, AFirstInstanceThatDoesNotAnswerEndsTheWaitAtTheDeadline) {
    test_support::TemporaryFolder folder, elsewhere;
    std::atomic<int> forward = 0;
    // A first instance that would answer, reached only through a link at the socket's path.
    auto answering = X11InstanceLock::claim(
        ":9", [&] { ++forward; }, {{elsewhere.path()}}, X11InstanceLock::answerDeadline);
    ASSERT_TRUE(answering.lock);
    const std::pair<const char*, FrozenFirst::Socket> cases[] = {
        {"stopped with its backlog full", FrozenFirst::backlogFull},
        {"stopped with room in its backlog", FrozenFirst::neverAccepted},
        {"gone with its lock held", FrozenFirst::none},
        {"a link at the socket's path", FrozenFirst::none},
    };
    const auto socketPath = folder / "velmora-_9.socket";
    for (const auto& [what, socket] : cases) {
        FrozenFirst first(folder.path(), socket);
        if (what == cases[3].first) {
            ASSERT_EQ(::symlink((elsewhere / "velmora-_9.socket").c_str(), socketPath.c_str()), 0);
        }
        EXPECT_EQ(claimIn({{folder.path()}}, ":9", std::chrono::milliseconds(300)).outcome,
                  Outcome::unanswered)
            << what;
        ::unlink(socketPath.c_str());
    }
    EXPECT_EQ(forward, 0) << "no link is followed";
}

TEST(X11InstanceLockTest, WhateverStandsAtTheLocksPathInTheUsersOwnFolderIsReplacedNeverFollowed) {
    test_support::TemporaryFolder folder, outside;
    const auto lockPath = folder / "velmora-_3.lock";
    const auto target = outside / "precious";
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"a dangling link", [&] { ::symlink((outside / "nothing").c_str(), lockPath.c_str()); }},
        {"a link to a file", [&] { ::symlink(target.c_str(), lockPath.c_str()); }},
        {"a FIFO", [&] { ::mkfifo(lockPath.c_str(), 0600); }},
        {"an empty folder", [&] { ::mkdir(lockPath.c_str(), 0700); }},
    };
    for (const auto& [what, plant] : cases) {
        test_support::writeFile(target, "kept");
        plant();
        auto first = claimIn({{folder.path()}}, ":3");
        EXPECT_EQ(first.outcome, Outcome::held) << what;
        EXPECT_TRUE(isRegularFile(lockPath)) << what;
        EXPECT_EQ(claimIn({{folder.path()}}, ":3").outcome, Outcome::handedOver)
            << what << ": the lock holds";
        EXPECT_EQ(test_support::readWholeFile(target), "kept") << what;
        EXPECT_FALSE(isRegularFile(outside / "nothing")) << what;
        first.lock.reset();
        ::unlink(lockPath.c_str());
    }
}

TEST(X11InstanceLockTest, AFolderNotTheUsersOwnOrWritableByOthersIsRefusedForTheNext) {
    test_support::TemporaryFolder parent, next;
    const auto folder = parent / "lock";
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"writable by all",
         [&] { return ::mkdir(folder.c_str(), 0700) == 0 && ::chmod(folder.c_str(), 0777) == 0; }},
        {"writable by its group",
         [&] { return ::mkdir(folder.c_str(), 0770) == 0 && ::chmod(folder.c_str(), 0770) == 0; }},
        {"a link to a folder of the user's own",
         [&] { return ::symlink(next.path().c_str(), folder.c_str()) == 0; }},
        // Only the superuser can give a folder away.
        {"another user's",
         [&] { return ::mkdir(folder.c_str(), 0700) == 0 && ::chown(folder.c_str(), 65534, 65534) == 0; }},
    };
    for (const auto& [what, make] : cases) {
        if (make()) {
            auto claim = claimIn({{folder, true}, {next.path(), true}}, ":4");
            EXPECT_EQ(claim.outcome, Outcome::held) << what;
            EXPECT_TRUE(isRegularFile(next / "velmora-_4.lock")) << what << ": the next place";
            claim.lock.reset();
            ::unlink((next / "velmora-_4.lock").c_str());
            auto alone = claimIn({{folder, true}}, ":4");
            EXPECT_EQ(alone.outcome, Outcome::unlocked) << what;
            EXPECT_NE(alone.why.find(folder), std::string::npos) << what << ": " << alone.why;
            EXPECT_FALSE(
                std::filesystem::exists(std::filesystem::symlink_status(folder + "/velmora-_4.lock")))
                << what << ": nothing is made in it";
        }
        std::filesystem::remove_all(folder);
    }
}
