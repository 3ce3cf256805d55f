#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/System.h"

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

// A desktop from the test's own scenario, installed as the system while it lives.
struct InstalledDesktop {
    explicit InstalledDesktop(const std::string& json = "{}")
        : desktop(loadDesktop(json)), installed(desktop) {}
    platform::sim::SimulatedDesktop* operator->() const { return desktop.get(); }
    // Where a platform path such as "/Applications/Mail.app" lives on this machine.
    std::string real(const std::string& path) const { return desktop->rootFolder() + path; }
    void write(const std::string& path, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(real(path)).parent_path());
        std::ofstream(real(path), std::ios::binary | std::ios::trunc) << bytes;
    }

    std::shared_ptr<platform::sim::SimulatedDesktop> desktop;
    platform::ScopedSystem installed;
};

// One installed bundle of a scenario.
inline std::string app(const std::string& name, const std::string& identifier,
                       const std::string& bundle = std::string()) {
    std::string json = R"({"name": ")" + name + R"(", "bundleIdentifier": ")" + identifier + '"';
    if (!bundle.empty()) json += R"(, "bundle": ")" + bundle + '"';
    return json + "}";
}

// A scenario with the given installed bundles and nothing running.
inline std::string installed(const std::vector<std::string>& bundles) {
    std::string json = R"({"installed": [)";
    for (std::size_t index = 0; index < bundles.size(); ++index) json += (index ? "," : "") + bundles[index];
    return json + "]}";
}

}  // namespace test_support
