#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "tests/support/Waiting.h"

using platform::DispatchQueue;
using platform::QualityOfService;
using test_support::Countdown;

TEST(DispatchQueue, SerialQueueRunsOneBlockAtATimeInOrder) {
    auto queue = DispatchQueue::makeSerial("test.serial", QualityOfService::userInitiated);
    struct State {
        std::vector<int> order;
        std::atomic<int> running{0};
        std::atomic<bool> overlapped{false};
        Countdown finished{200};
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
    for (int i = 0; i < 200; ++i) expected[i] = i;
    EXPECT_EQ(state->order, expected);
}

TEST(DispatchQueue, ConcurrentQueueRunsBlocksInParallelAndDelayedOnesAfterTheirDelay) {
    auto queue = DispatchQueue::global(QualityOfService::userInteractive);
    EXPECT_EQ(queue, DispatchQueue::global(QualityOfService::userInteractive));
    // Shared with the blocks, which may still be unwinding when the test body returns.
    struct State {
        std::mutex mutex;
        std::condition_variable bothIn;
        int inside = 0;
        bool sawBoth[2] = {false, false};
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        std::atomic<double> waited{0};
        Countdown finished{3};
    };
    auto state = std::make_shared<State>();
    for (int i = 0; i < 2; ++i) {
        queue->async([state, i] {
            {
                std::unique_lock lock(state->mutex);
                ++state->inside;
                state->bothIn.notify_all();
                // Each block waits for the other: only parallel execution lets both see two.
                state->sawBoth[i] = state->bothIn.wait_for(lock, std::chrono::seconds(10),
                                                           [&] { return state->inside == 2; });
            }
            state->finished.done();
        });
    }
    DispatchQueue::makeConcurrent("test.delayed", QualityOfService::utility)->asyncAfter(0.05, [state] {
        state->waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - state->start).count();
        state->finished.done();
    });
    ASSERT_TRUE(state->finished.wait());
    std::lock_guard lock(state->mutex);
    EXPECT_TRUE(state->sawBoth[0] && state->sawBoth[1]);
    EXPECT_GE(state->waited.load(), 0.05);
}

TEST(DispatchQueueDeathTest, ShutdownDropsWaitingBlocksOutsideThePoolLock) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A dropped block's captures may submit work as they are destroyed; that must not hang.
    EXPECT_EXIT(
        {
            alarm(20);
            struct SubmitsWhenDestroyed {
                ~SubmitsWhenDestroyed() { DispatchQueue::global(QualityOfService::utility)->async([] {}); }
            };
            auto capture = std::make_shared<SubmitsWhenDestroyed>();
            DispatchQueue::global(QualityOfService::utility)->asyncAfter(1000, [capture] {});
            capture.reset();
            DispatchQueue::shutdownPool();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
