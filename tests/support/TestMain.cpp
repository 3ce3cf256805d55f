#include <gtest/gtest.h>

#include "platform/testing/VirtualMainLoop.h"

// Every test runs with a virtual main loop installed; a test that needs its own creates one,
// which takes over until it is destroyed.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    platform::testing::VirtualMainLoop loop;
    return RUN_ALL_TESTS();
}
