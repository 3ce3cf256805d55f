#include <gtest/gtest.h>

#include "Brindle/Shell.h"

using Brindle::runShellCommand;

TEST(Shell, ReturnsStandardOutputAndErrorTogetherDecodedSafely) {
    EXPECT_EQ(runShellCommand("echo out; echo err >&2; echo out2"), "out\nerr\nout2\n");
    EXPECT_EQ(runShellCommand("print -u2 only-error"), "only-error\n");
    EXPECT_EQ(runShellCommand(""), "");
    // A failing command is not told apart: what the shell printed comes back.
    EXPECT_NE(runShellCommand("no-such-command-here").find("command not found"), std::string::npos);
    EXPECT_EQ(runShellCommand("exit 3"), "");
    EXPECT_EQ(runShellCommand("printf 'a\\377b'"),
              "a\xEF\xBF\xBD"
              "b");
}

TEST(Shell, InputIsEmptyAndWhatKeepsTheOutputOpenIsWaitedFor) {
    // Reading standard input ends at once instead of waiting for a terminal.
    EXPECT_EQ(runShellCommand("cat; echo done"), "done\n");
    // The background job inherits the output, so its line arrives before the call returns.
    EXPECT_EQ(runShellCommand("(sleep 0.2; echo late) & echo early"), "early\nlate\n");
}
