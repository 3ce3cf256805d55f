#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/base/DispatchQueue.h"

namespace platform::testing {

// Runs every block at once, on the calling thread; delayed blocks go through the main queue
// (virtual time in tests) and then run there.
class InlineDispatchQueue final : public DispatchQueue {
public:
    explicit InlineDispatchQueue(std::string label = "inline") : label_(std::move(label)) {}
    void async(std::function<void()> block) override;
    void asyncAfter(TimeInterval seconds, std::function<void()> block) override;
    const std::string& label() const override { return label_; }

private:
    std::string label_;
};

// Holds every block until the test runs it; delayed blocks are held from their due time on the
// main queue's clock (virtual time in tests).
class ManualDispatchQueue final : public DispatchQueue,
                                  public std::enable_shared_from_this<ManualDispatchQueue> {
public:
    explicit ManualDispatchQueue(std::string label = "manual") : label_(std::move(label)) {}
    void async(std::function<void()> block) override;
    void asyncAfter(TimeInterval seconds, std::function<void()> block) override;
    const std::string& label() const override { return label_; }

    std::size_t pendingCount() const;
    // Runs the oldest block; false when there was none.
    bool runOne();
    // Runs blocks, including those they submit, until none is left; returns how many ran.
    std::size_t runAll();

private:
    std::string label_;
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> pending_;
};

// Makes every queue that `DispatchQueue` hands out an inline (or manual) one while it lives.
class ScopedDispatchFactory {
public:
    explicit ScopedDispatchFactory(DispatchQueue::Factory factory) {
        DispatchQueue::setFactory(std::move(factory));
    }
    ~ScopedDispatchFactory() { DispatchQueue::setFactory(nullptr); }
    ScopedDispatchFactory(const ScopedDispatchFactory&) = delete;
    ScopedDispatchFactory& operator=(const ScopedDispatchFactory&) = delete;

    static ScopedDispatchFactory inlineQueues();
};

}  // namespace platform::testing
