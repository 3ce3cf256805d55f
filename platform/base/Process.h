#pragma once

#include <functional>

namespace platform {

// Ends the process with `status`. Tests install an interceptor, which is called instead and after
// which the call returns, so callers must not rely on it never returning.
void exitProcess(int status);

// Null restores the real exit.
void setExitInterceptor(std::function<void(int status)> interceptor);

}  // namespace platform
