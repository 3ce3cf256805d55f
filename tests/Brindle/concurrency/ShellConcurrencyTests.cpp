#include <gtest/gtest.h>

#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "Brindle/Shell.h"

// Each call must get its own command's output only, and must not wait for a child that another
// thread started at the same moment (which would happen if that child inherited this call's pipe).
TEST(ShellConcurrency, CallsOnManyThreadsKeepTheirOutputApart) {
    constexpr int threadCount = 8;
    constexpr int callsPerThread = 6;
    std::latch start(threadCount);
    std::vector<std::vector<std::string>> outputs(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int i = 0; i < callsPerThread; ++i) {
                auto tag = std::to_string(t) + "-" + std::to_string(i);
                outputs[t].push_back(Brindle::runShellCommand("echo " + tag + "; echo " + tag + " >&2"));
            }
        });
    }
    for (auto& thread : threads) thread.join();

    for (int t = 0; t < threadCount; ++t) {
        ASSERT_EQ(outputs[t].size(), static_cast<std::size_t>(callsPerThread));
        for (int i = 0; i < callsPerThread; ++i) {
            auto tag = std::to_string(t) + "-" + std::to_string(i);
            EXPECT_EQ(outputs[t][i], tag + "\n" + tag + "\n");
        }
    }
}
