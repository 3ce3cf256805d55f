#include <gtest/gtest.h>

#include "platform/base/DispatchQueue.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/TestEnvironment.h"

// Every test runs with a virtual main loop installed; a test that needs its own creates one,
// which takes over until it is destroyed.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    test_support::isolateTestRun();
    int status;
    {
        platform::testing::VirtualMainLoop loop;
        status = RUN_ALL_TESTS();
        // Blocks still running on the pool may post to the main queue: stop the pool first.
        platform::DispatchQueue::shutdownPool();
    }
    test_support::removeTestRunFiles();
    return status;
}
