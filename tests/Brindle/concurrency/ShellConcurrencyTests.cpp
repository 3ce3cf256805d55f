#include <gtest/gtest.h>

#include <latch>
#include <thread>

#include "Brindle/Shell.h"

// Each call must get its own command's output only, and must not wait for a child that another
// thread started at the same moment (which would happen if that child inherited this call's pipe).
TEST(ShellConcurrency, CallsOnManyThreadsKeepTheirOutputApart) {
    constexpr int threadCount = 8;
    std::latch start(threadCount);
    std::vector<std::vector<std::string>> outputs(threadCount);
    std::vector<std::thread> threads;
    auto tag = [](int t, int i) { return std::to_string(t) + "-" + std::to_string(i); };
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int i = 0; i < 6; ++i)
                outputs[t].push_back(
                    Brindle::runShellCommand("echo " + tag(t, i) + "; echo " + tag(t, i) + " >&2"));
        });
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < threadCount; ++t)
        for (int i = 0; i < 6; ++i) EXPECT_EQ(outputs[t][i], tag(t, i) + "\n" + tag(t, i) + "\n");
}
