#include <gtest/gtest.h>

#include "platform/base/Process.h"

TEST(ExitProcess, IsInterceptedInTests) {
    int status = -1;
    platform::setExitInterceptor([&](int code) { status = code; });
    platform::exitProcess(3);
    platform::setExitInterceptor(nullptr);
    EXPECT_EQ(status, 3);
}
