#pragma once

#include <any>
#include <functional>
#include <memory>
#include <optional>

#include "platform/base/DispatchQueue.h"
#include "platform/base/DispatchTime.h"
#include "platform/base/TimeInterval.h"

namespace Brindle {

// Always asynchronous, even on the main thread.
void runOnMainQueue(std::function<void()> block);
// At once when called on the main thread, otherwise as `runOnMainQueue`.
void runOnMainThread(std::function<void()> block);
// Runs `block` on the main queue `seconds` from now; a negative or NaN delay runs on the next turn.
void runOnMainQueue(platform::TimeInterval seconds, std::function<void()> block);

// Stops `previous` when it holds a timer (anything else is ignored) and schedules a one-shot timer
// on the main queue that fires at `deadline`; returns the new timer, to be handed back as
// `previous` next time. A deadline in the past fires on the next turn; one that never comes is a
// programming error.
std::any scheduleTimer(platform::DispatchTime deadline, const std::any& previous,
                       std::function<void()> block);

// The interval in seconds; none for `never`.
std::optional<double> timeInterval(platform::DispatchTimeInterval interval);

// The shared global queue of user-interactive quality of service; it can be replaced.
std::shared_ptr<platform::DispatchQueue> globalUserInteractiveQueue();
void setGlobalUserInteractiveQueue(std::shared_ptr<platform::DispatchQueue> queue);

}  // namespace Brindle
