#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/sim/SimulatedDesktop.h"
#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

namespace sim_tests {

using platform::sim::SimulatedDesktop;

inline std::shared_ptr<SimulatedDesktop> desktopFrom(const std::string& json,
                                                     SimulatedDesktop::Options options = {}) {
    return test_support::loadDesktop(json, std::move(options));
}

// A desktop installed as the running system while it lives.
struct InstalledDesktop {
    explicit InstalledDesktop(const std::string& json, SimulatedDesktop::Options options = {})
        : desktop(desktopFrom(json, std::move(options))), scope(desktop) {}
    std::shared_ptr<SimulatedDesktop> desktop;
    platform::ScopedSystem scope;
};

using test_support::readWholeFile;
using test_support::TemporaryFolder;
using test_support::writeFile;

}  // namespace sim_tests
