#include "platform/base/Process.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/base/DispatchQueue.h"

namespace platform {
namespace {

std::mutex& interceptorMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<void(int)>& interceptor() {
    static std::function<void(int)> value;
    return value;
}

}  // namespace

void exitProcess(int status) {
    std::function<void(int)> intercept;
    {
        std::lock_guard lock(interceptorMutex());
        intercept = interceptor();
    }
    if (intercept) return intercept(status);
    std::fflush(nullptr);
    DispatchQueue::shutdownPool();
    std::exit(status);
}

void setExitInterceptor(std::function<void(int)> newInterceptor) {
    std::lock_guard lock(interceptorMutex());
    interceptor() = std::move(newInterceptor);
}

}  // namespace platform
