#pragma once

#include <functional>
#include <memory>

#include "platform/base/TimeInterval.h"

namespace platform {

// What runs the main thread's loop: Qt's event loop in the program, the virtual loop in tests.
// Every post may come from any thread; blocks always run on the main thread, in order.
class MainQueueBackend {
public:
    virtual ~MainQueueBackend() = default;
    virtual void post(std::function<void()> block) = 0;
    // `delay` is finite and non-negative.
    virtual void postAfter(TimeInterval delay, std::function<void()> block) = 0;
    // Runs on a later turn of the loop than the one now running (never within the same turn).
    virtual void postNextTurn(std::function<void()> block) = 0;
    virtual bool isMainThread() const = 0;
    // Called on the main thread: runs `tick` every `interval` (> 0) seconds until it returns
    // false, on one timer of the loop's own. False when the loop has none; the caller then posts
    // each firing afresh.
    virtual bool postRepeating(TimeInterval interval, std::function<bool()> tick);
};

// A timer armed on the main queue; invalidating it from any thread stops further firings.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void invalidate() = 0;
    virtual bool isValid() const = 0;
};

class MainQueue {
public:
    static void async(std::function<void()> block);
    // A negative or NaN delay runs on the next turn of the main queue.
    static void asyncAfter(TimeInterval seconds, std::function<void()> block);
    static bool isMainThread();

    // Fires `block` after `interval` seconds, and every `interval` seconds afterwards when
    // `repeats`. The timer is armed on the main thread (posted there when called elsewhere).
    // A repeating timer of interval 0 fires once per loop turn. The loop keeps an armed timer
    // alive until it is invalidated (or has fired, when it does not repeat).
    static std::shared_ptr<Timer> scheduledTimer(TimeInterval interval, bool repeats,
                                                 std::function<void(Timer&)> block);

    // Installs the loop for the whole process; returns the one it replaces. While none is
    // installed (before start-up, after shutdown) posts are dropped.
    static std::shared_ptr<MainQueueBackend> setBackend(std::shared_ptr<MainQueueBackend> backend);
    static std::shared_ptr<MainQueueBackend> backend();
};

}  // namespace platform
