#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "platform/sim/SimulatedDesktop.h"

namespace test_support {

// A scenario the test wrote itself: one that does not load is the test's own fault, so the run
// stops there, saying why.
inline std::shared_ptr<platform::sim::SimulatedDesktop> loadDesktop(
    const std::string& json, platform::sim::SimulatedDesktop::Options options = {}) {
    std::string error;
    auto desktop = platform::sim::SimulatedDesktop::fromJSON(json, std::move(options), &error);
    if (!desktop) {
        ADD_FAILURE() << "Scenario not loaded: " << error;
        std::abort();
    }
    return desktop;
}

}  // namespace test_support
