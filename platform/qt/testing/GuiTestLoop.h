#pragma once

#include <cstddef>
#include <memory>

#include "platform/base/TimeInterval.h"
#include "platform/testing/VirtualMainLoop.h"

namespace platform::qt {

// The virtual main loop for widget tests: main-queue blocks run in virtual time, and Qt's own
// events (posted calls, window-system events, deferred deletions) are processed before every
// step and after each block. Animations have zero length while it is installed. Creating one
// takes over the main queue until it is destroyed.
class GuiTestLoop {
public:
    GuiTestLoop();
    ~GuiTestLoop();
    GuiTestLoop(const GuiTestLoop&) = delete;
    GuiTestLoop& operator=(const GuiTestLoop&) = delete;

    void runUntilIdle();
    void advance(TimeInterval seconds);
    TimeInterval elapsed() const;
    std::size_t pendingCount() const;

    // Processes Qt's pending events only, without running main-queue blocks.
    static void processQtEvents();

private:
    class Backend;
    platform::testing::VirtualMainLoop loop_;
    std::shared_ptr<MainQueueBackend> virtualBackend_;
    std::shared_ptr<Backend> backend_;
    bool previousInstant_;
};

}  // namespace platform::qt
