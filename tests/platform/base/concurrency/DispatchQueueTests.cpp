#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "tests/support/Waiting.h"

using namespace platform;

TEST(DispatchQueue, SerialQueueRunsOneBlockAtATimeInOrder) {
    auto queue = DispatchQueue::makeSerial("test.serial", QualityOfService::userInitiated);
    // Blocks that overlapped would race on the unguarded list, which ThreadSanitizer reports.
    struct State {
        std::vector<int> order;
        test_support::Countdown finished{200};
    };
    auto state = std::make_shared<State>();
    for (int i = 0; i < 200; ++i)
        queue->async([state, i] {
            state->order.push_back(i);
            state->finished.done();
        });
    ASSERT_TRUE(state->finished.wait());
    for (int i = 0; i < 200; ++i) ASSERT_EQ(state->order.at(i), i);
}

TEST(DispatchQueue, ConcurrentQueuesRunBlocksInParallelAndDelayedOnesAfterTheirDelay) {
    auto queue = DispatchQueue::global(QualityOfService::userInteractive);
    EXPECT_EQ(queue, DispatchQueue::global(QualityOfService::userInteractive));
    struct State {
        test_support::Countdown bothIn{2}, finished{3};
        std::atomic<int> sawBoth{0};
        const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        std::atomic<std::chrono::steady_clock::duration> delayedAfter{};
    };
    auto state = std::make_shared<State>();
    for (int i = 0; i < 2; ++i)
        queue->async([state] {
            // Each block waits for the other: only parallel execution lets both see two.
            state->bothIn.done();
            state->sawBoth += state->bothIn.wait(std::chrono::seconds(10));
            state->finished.done();
        });
    DispatchQueue::makeConcurrent("test.delayed", QualityOfService::utility)->asyncAfter(0.05, [state] {
        state->delayedAfter = std::chrono::steady_clock::now() - state->start;
        state->finished.done();
    });
    ASSERT_TRUE(state->finished.wait());
    EXPECT_EQ(state->sawBoth, 2);
    EXPECT_GE(state->delayedAfter.load(), std::chrono::milliseconds(50));
}

// Delayed blocks wait in the pool, watched by one of its threads: a block due sooner, or one to run
// at once, must not wait behind a block due much later.
TEST(DispatchQueue, DelayedBlocksRunInDueOrderAndNeverHoldUpSoonerWork) {
    auto queue = DispatchQueue::makeConcurrent("test.timekeeping", QualityOfService::utility);
    struct State {
        std::mutex mutex;
        std::vector<std::string> order;
        test_support::Countdown finished{3};
        void note(const std::string& name) {
            std::lock_guard lock(mutex);
            order.push_back(name);
            finished.done();
        }
    };
    auto state = std::make_shared<State>();
    queue->asyncAfter(1000, [state] { state->note("far"); });
    // The waiting blocks move in memory as more arrive while a thread waits for the first.
    for (int i = 0; i < 64; ++i) {
        queue->asyncAfter(1000 + i, [] {});
        std::this_thread::yield();
    }
    queue->asyncAfter(0.2, [state] { state->note("later"); });
    queue->asyncAfter(0.1, [state] { state->note("sooner"); });
    queue->async([state] { state->note("now"); });
    ASSERT_TRUE(state->finished.wait(std::chrono::seconds(20)));
    std::lock_guard lock(state->mutex);
    EXPECT_EQ(state->order, (std::vector<std::string>{"now", "sooner", "later"}));
}

TEST(DispatchQueueDeathTest, ShutdownDropsWaitingBlocksOutsideThePoolLock) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A dropped block's captures may submit work as they are destroyed; that must not hang.
    EXPECT_EXIT(
        {
            alarm(20);
            struct SubmitsWhenDestroyed {
                ~SubmitsWhenDestroyed() {
                    DispatchQueue::global(QualityOfService::utility)->async([] {});
                }
            };
            auto capture = std::make_shared<SubmitsWhenDestroyed>();
            DispatchQueue::global(QualityOfService::utility)->asyncAfter(1000, [capture] {});
            capture.reset();
            DispatchQueue::shutdownPool();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
