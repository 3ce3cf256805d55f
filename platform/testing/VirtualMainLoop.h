#pragma once

#include <cstddef>
#include <memory>

#include "platform/base/Clock.h"
#include "platform/base/MainQueue.h"

namespace platform::testing {

// The main queue and both clocks in virtual time. Creating one installs it for the whole process
// (the creating thread becomes the main thread); destroying it restores what was there before.
// Blocks run only inside `advance` and `runUntilIdle`, on the thread that calls them.
class VirtualMainLoop {
public:
    // The wall clock starts at `wallStart` seconds since 1970 (default: 2026-01-01 00:00:00 UTC).
    explicit VirtualMainLoop(double wallStart = 1767225600.0);
    ~VirtualMainLoop();
    VirtualMainLoop(const VirtualMainLoop&) = delete;
    VirtualMainLoop& operator=(const VirtualMainLoop&) = delete;

    // Runs what is ready now, including what those blocks post for now, as one turn; blocks
    // posted for the next turn (a repeating timer of period 0) wait for the next call.
    void runUntilIdle();
    // Moves the clock forward by `seconds`, running every block that falls due on the way, in
    // order of due time (then of posting), with the clock set to each block's due time.
    void advance(TimeInterval seconds);

    // Seconds of virtual time since this loop was created.
    TimeInterval elapsed() const;
    std::size_t pendingCount() const;

    class Impl;

private:
    std::shared_ptr<Impl> impl_;
    std::shared_ptr<MainQueueBackend> previousBackend_;
    std::shared_ptr<ClockSource> previousClock_;
};

}  // namespace platform::testing
