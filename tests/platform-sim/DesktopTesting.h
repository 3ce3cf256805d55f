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

namespace sim_tests {

using platform::sim::SimulatedDesktop;

inline std::shared_ptr<SimulatedDesktop> desktopFrom(const std::string& json,
                                                     SimulatedDesktop::Options options = {}) {
    std::string error;
    auto desktop = SimulatedDesktop::fromJSON(json, options, &error);
    if (!desktop) {
        ADD_FAILURE() << "Scenario not loaded: " << error;
        std::abort();
    }
    return desktop;
}

// A desktop installed as the running system while it lives.
struct InstalledDesktop {
    explicit InstalledDesktop(const std::string& json, SimulatedDesktop::Options options = {})
        : desktop(desktopFrom(json, std::move(options))), scope(desktop) {}
    std::shared_ptr<SimulatedDesktop> desktop;
    platform::ScopedSystem scope;
};

// A real folder under the system's temporary folder, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-sim-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace sim_tests
