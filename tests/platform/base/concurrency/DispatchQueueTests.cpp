#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "tests/support/Waiting.h"

using platform::DispatchQueue;
using platform::QualityOfService;

TEST(DispatchQueue, SerialQueueRunsOneBlockAtATimeInOrder) {
    auto queue = DispatchQueue::makeSerial("test.serial", QualityOfService::userInitiated);
    // Shared with the blocks, which may still be unwinding when the test body returns.
    struct State {
        std::vector<int> order;
        std::atomic<int> running{0};
        std::atomic<bool> overlapped{false};
        test_support::Countdown finished{200};
    };
    auto state = std::make_shared<State>();
    for (int i = 0; i < 200; ++i) {
        queue->async([state, i] {
            if (state->running.fetch_add(1) != 0) state->overlapped = true;
            state->order.push_back(i);
            state->running.fetch_sub(1);
            state->finished.done();
        });
    }
    ASSERT_TRUE(state->finished.wait());
    EXPECT_FALSE(state->overlapped);
    std::vector<int> expected(200);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(state->order, expected);
}

TEST(DispatchQueue, ConcurrentQueuesRunBlocksInParallelAndDelayedOnesAfterTheirDelay) {
    auto queue = DispatchQueue::global(QualityOfService::userInteractive);
    EXPECT_EQ(queue, DispatchQueue::global(QualityOfService::userInteractive));
    struct State {
        std::mutex mutex;
        std::condition_variable bothIn;
        int inside = 0, sawBoth = 0;
        const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        std::chrono::steady_clock::time_point delayedAt;
        test_support::Countdown finished{3};
    };
    auto state = std::make_shared<State>();
    for (int i = 0; i < 2; ++i) {
        queue->async([state] {
            std::unique_lock lock(state->mutex);
            ++state->inside;
            state->bothIn.notify_all();
            // Each block waits for the other: only parallel execution lets both see two.
            state->sawBoth +=
                state->bothIn.wait_for(lock, std::chrono::seconds(10), [&] { return state->inside == 2; });
            state->finished.done();
        });
    }
    DispatchQueue::makeConcurrent("test.delayed", QualityOfService::utility)->asyncAfter(0.05, [state] {
        std::lock_guard lock(state->mutex);
        state->delayedAt = std::chrono::steady_clock::now();
        state->finished.done();
    });
    ASSERT_TRUE(state->finished.wait());
    std::lock_guard lock(state->mutex);
    EXPECT_EQ(state->sawBoth, 2);
    EXPECT_GE(state->delayedAt - state->start, std::chrono::milliseconds(50));
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
