#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "Brindle/Object.h"
#include "Velmora/tracking/Task.h"
#include "Velmora/tracking/Window.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/System.h"

namespace tracking_testing {

// A desktop from inline JSON, installed while the object lives.
struct Desktop {
    explicit Desktop(const std::string& json = "{}") : desktop(load(json)), installed(desktop) {}
    static std::shared_ptr<platform::sim::SimulatedDesktop> load(const std::string& json) {
        std::string error;
        auto desktop = platform::sim::SimulatedDesktop::fromJSON(json, {}, &error);
        if (!desktop) {
            ADD_FAILURE() << error;
            std::abort();
        }
        return desktop;
    }
    // Where a platform path such as "/Applications/Mail.app" lives on this machine.
    std::string real(const std::string& path) const { return desktop->rootFolder() + path; }
    void write(const std::string& path, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(real(path)).parent_path());
        std::ofstream(real(path), std::ios::binary | std::ios::trunc) << bytes;
    }

    std::shared_ptr<platform::sim::SimulatedDesktop> desktop;
    platform::ScopedSystem installed;
};

// A fresh standard user-defaults domain in its own file while the object lives.
struct FreshDefaults {
    FreshDefaults() {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("velmora-tracking-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".json");
        std::filesystem::remove(path);
        platform::UserDefaults::setStandard(std::make_shared<platform::UserDefaults>(path.string()));
    }
    ~FreshDefaults() {
        platform::UserDefaults::setStandard(nullptr);
        std::filesystem::remove(path);
    }
    std::filesystem::path path;
};

inline std::shared_ptr<Velmora::Window> window(double x, double y, double w, double h,
                                               std::optional<std::string> title = "Document",
                                               std::int64_t layer = 0, std::int32_t pid = 1) {
    Velmora::WindowRecord record{{"minimized", false}, {"position_x", x}, {"position_y", y}, {"size_w", w},
                                 {"size_h", h},        {"pid", pid},      {"layer", layer}};
    if (title) record.insert_or_assign("title", *title);
    return Brindle::make<Velmora::Window>(record, "Owner");
}

inline platform::URL url(const std::string& text) { return *platform::URL::fromString(text); }

inline std::shared_ptr<Velmora::Task> task(const std::string& bundle, std::int64_t index = 0,
                                           Velmora::Windows windows = {}, const std::string& title = "App") {
    return Brindle::make<Velmora::Task>(nullptr, index, url(bundle), false, 0, title, std::nullopt,
                                        std::move(windows));
}

}  // namespace tracking_testing
