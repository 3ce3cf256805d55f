#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace test_support {

// Keeps a test run off the user's own settings and the update server: the standard defaults live
// in a file of this run, and a request no test has set up goes to a closed loopback port.
inline void isolateTestRun() {
    if (!std::getenv("VELMORA_DEFAULTS")) {
        auto path = "/tmp/velmora-test-defaults-" + std::to_string(getpid()) + ".json";
        setenv("VELMORA_DEFAULTS", path.c_str(), 1);
    }
    if (!std::getenv("VELMORA_UPDATE_URL")) setenv("VELMORA_UPDATE_URL", "http://127.0.0.1:9/api/v0", 1);
}

inline void removeTestRunFiles() { std::remove(std::getenv("VELMORA_DEFAULTS")); }

}  // namespace test_support
