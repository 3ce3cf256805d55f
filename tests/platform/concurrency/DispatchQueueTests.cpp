#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/DispatchQueue.h"

using platform::DispatchQueue;
using platform::QualityOfService;

namespace {

// Waits at most ten seconds, so a broken queue fails the test instead of hanging it.
class Countdown {
public:
    explicit Countdown(int count) : count_(count) {}
    void done() {
        std::lock_guard lock(mutex_);
        if (--count_ == 0) changed_.notify_all();
    }
    bool wait() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return count_ <= 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_;
};

}  // namespace

TEST(DispatchQueue, SerialQueueRunsOneBlockAtATimeInOrder) {
    auto queue = DispatchQueue::makeSerial("test.serial", QualityOfService::userInitiated);
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    Countdown finished(200);
    for (int i = 0; i < 200; ++i) {
        queue->async([&, i] {
            if (running.fetch_add(1) != 0) overlapped = true;
            order.push_back(i);
            running.fetch_sub(1);
            finished.done();
        });
    }
    ASSERT_TRUE(finished.wait());
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
}

TEST(DispatchQueue, ConcurrentQueueRunsBlocksInParallel) {
    auto queue = DispatchQueue::global(QualityOfService::userInteractive);
    EXPECT_EQ(queue, DispatchQueue::global(QualityOfService::userInteractive));
    std::mutex mutex;
    std::condition_variable bothIn;
    int inside = 0;
    Countdown finished(2);
    for (int i = 0; i < 2; ++i) {
        queue->async([&] {
            std::unique_lock lock(mutex);
            ++inside;
            bothIn.notify_all();
            // Each block waits for the other: only parallel execution lets both finish.
            bothIn.wait_for(lock, std::chrono::seconds(10), [&] { return inside == 2; });
            finished.done();
        });
    }
    ASSERT_TRUE(finished.wait());
    EXPECT_EQ(inside, 2);
}

TEST(DispatchQueue, DelayedBlocksRunAfterTheirDelay) {
    auto queue = DispatchQueue::makeConcurrent("test.delayed", QualityOfService::utility);
    auto start = std::chrono::steady_clock::now();
    std::atomic<double> waited{0};
    Countdown finished(1);
    queue->asyncAfter(0.05, [&] {
        waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        finished.done();
    });
    ASSERT_TRUE(finished.wait());
    EXPECT_GE(waited.load(), 0.05);
}
