#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "platform/foundation/Process.h"

using platform::Process;

TEST(Process, CollectsBothStreamsAndReapsTheChild) {
    auto output = Process::runCollectingOutput("/bin/sh", {"-c", "echo one; echo two >&2; exit 4"});
    EXPECT_EQ(output, "one\ntwo\n");
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(Process, TheChildInheritsNoPipeOfItsOwnOrOfOthers) {
    // What any child inherits anyway: the standard three and whatever this process was handed without
    // close-on-exec. `ls` opens the listed folder itself, at the lowest free number.
    std::set<int> expected{0, 1, 2};
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        int fd = std::stoi(entry.path().filename().string());
        int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0 && !(flags & FD_CLOEXEC)) expected.insert(fd);
    }
    int lowestFree = 0;
    while (expected.contains(lowestFree)) ++lowestFree;
    expected.insert(lowestFree);

    auto listing = Process::runCollectingOutput("/bin/ls", {"/proc/self/fd"});
    ASSERT_TRUE(listing);
    std::set<int> seen;
    std::istringstream lines(*listing);
    for (std::string line; std::getline(lines, line);) seen.insert(std::stoi(line));
    EXPECT_EQ(seen, expected);

    EXPECT_EQ(Process::runCollectingOutput("/bin/sh", {"-c", "wc -c"}), "0\n");
}

TEST(Process, AProgramThatCannotStartGivesNothing) {
    EXPECT_EQ(Process::runCollectingOutput("/no/such/program", {}), std::nullopt);
    EXPECT_EQ(Process::runCollectingOutput("/etc/hostname", {}), std::nullopt);
}

TEST(Process, KeepsBinaryOutputAsItIs) {
    EXPECT_EQ(Process::runCollectingOutput("/bin/sh", {"-c", "printf 'a\\000\\377'"}),
              std::string("a\0\xFF", 3));
}
