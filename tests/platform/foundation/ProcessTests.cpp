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

TEST(Process, CollectsBothStreamsAsTheyAreAndReapsTheChild) {
    auto output = Process::runCollectingOutput(
        "/bin/sh", {"-c", "echo one; echo two >&2; printf 'a\\000\\377'; exit 4"});
    EXPECT_EQ(output, std::string("one\ntwo\na\0\xFF", 11));
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    for (auto* program : {"/no/such/program", "/etc/hostname"})
        EXPECT_EQ(Process::runCollectingOutput(program, {}), std::nullopt) << program;
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
    // Nothing to read on its standard input either.
    EXPECT_EQ(Process::runCollectingOutput("/bin/sh", {"-c", "wc -c"}), "0\n");
}
