#pragma once

#include <dirent.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/TemporaryFolder.h"

namespace foundation_tests {

using test_support::readWholeFile;
using test_support::TemporaryFolder;
using test_support::writeFile;

// Names in a folder, sorted, hidden ones included.
inline std::vector<std::string> sortedNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Names in the order the file system hands them out.
inline std::vector<std::string> namesInFileSystemOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* directory = ::opendir(folder.c_str());
    while (dirent* entry = ::readdir(directory)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(directory);
    return names;
}

}  // namespace foundation_tests
