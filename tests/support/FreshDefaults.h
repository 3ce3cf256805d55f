#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/foundation/UserDefaults.h"

namespace test_support {

// A fresh standard user-defaults domain in its own file while the object lives.
struct FreshDefaults {
    FreshDefaults() {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("velmora-defaults-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".json");
        std::filesystem::remove(path);
        platform::UserDefaults::setStandard(std::make_shared<platform::UserDefaults>(path.string()));
    }
    ~FreshDefaults() {
        platform::UserDefaults::setStandard(nullptr);
        std::filesystem::remove(path);
    }
    FreshDefaults(const FreshDefaults&) = delete;
    FreshDefaults& operator=(const FreshDefaults&) = delete;

    std::filesystem::path path;
};

}  // namespace test_support
