#pragma once

#include <functional>

namespace platform {

// Runs `changes` inside an animation transaction: a view that applies a change while the
// transaction is open animates it. Used on the main thread.
void withAnimation(const std::function<void()>& changes);

// True while a `withAnimation` block runs on this thread.
bool isInAnimationTransaction();

}  // namespace platform
