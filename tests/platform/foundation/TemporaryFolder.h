#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TemporaryFolder.h"

namespace foundation_tests {

using test_support::readWholeFile;
using test_support::TemporaryFolder;
using test_support::writeFile;

// Names in a folder, sorted, hidden ones included: what a write left behind.
inline std::vector<std::string> sortedNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace foundation_tests
