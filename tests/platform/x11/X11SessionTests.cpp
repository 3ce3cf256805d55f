#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "tests/platform/x11/X11Session.h"

namespace {

// Gone, or a zombie left to whoever adopted it.
bool ended(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    auto state = line.find(") ");
    return state != std::string::npos && line[state + 2] == 'Z';
}

}  // namespace

// The servers and programs of a test that crashes or is killed by the runner's timeout must not
// stay behind: the next run would meet them.
TEST(TestProcessesTest, WhatATestStartedEndsWithItsProcessHoweverThatEnds) {
    enum Ending { inOrder, crash, killed };
    for (Ending ending : {inOrder, crash, killed}) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid_t test = fork();
        if (test == 0) {
            {
                TestProcesses processes(1);
                pid_t started = processes.spawn({"sleep", "60"});
                // Once it runs the program, not before.
                const auto comm = "/proc/" + std::to_string(started) + "/comm";
                waitFor([&] { return test_support::readWholeFile(comm) == "sleep\n"; }, 10);
                if (write(fds[1], &started, sizeof started) != sizeof started) _exit(2);
                if (ending == crash) _exit(1);
                if (ending == killed) pause();
            }
            _exit(0);
        }
        close(fds[1]);
        pid_t started = 0;
        ASSERT_EQ(read(fds[0], &started, sizeof started), ssize_t(sizeof started)) << ending;
        close(fds[0]);
        ASSERT_GT(started, 0) << ending;
        if (ending == killed) kill(test, SIGKILL);
        waitpid(test, nullptr, 0);
        EXPECT_TRUE(waitFor([&] { return ended(started); }, 10)) << ending;
        kill(started, SIGKILL);
    }
}
