#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/DispatchQueue.h"
#include "platform/testing/VirtualMainLoop.h"

// Every test runs with a virtual main loop installed; a test that needs its own creates one,
// which takes over until it is destroyed.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Never touch the user's own settings: the standard defaults live in a file of this run.
    if (!std::getenv("VELMORA_DEFAULTS")) {
        auto path = "/tmp/velmora-test-defaults-" + std::to_string(getpid()) + ".json";
        setenv("VELMORA_DEFAULTS", path.c_str(), 1);
    }
    // Nor the update server: a request no test has set up goes to a closed loopback port.
    if (!std::getenv("VELMORA_UPDATE_URL")) setenv("VELMORA_UPDATE_URL", "http://127.0.0.1:9/api/v0", 1);
    int status;
    {
        platform::testing::VirtualMainLoop loop;
        status = RUN_ALL_TESTS();
        // Blocks still running on the pool may post to the main queue: stop the pool first.
        platform::DispatchQueue::shutdownPool();
    }
    std::remove(std::getenv("VELMORA_DEFAULTS"));
    return status;
}
