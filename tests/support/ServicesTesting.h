#pragma once

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/foundation/UserDefaults.h"
#include "platform/sim/SimulatedDesktop.h"

namespace services_tests {

// Fresh standard user defaults in a file of their own while it lives.
class ScopedDefaults {
public:
    ScopedDefaults() {
        static int counter = 0;
        path_ = "/tmp/velmora-services-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
                ".json";
        std::remove(path_.c_str());
        defaults_ = std::make_shared<platform::UserDefaults>(path_);
        platform::UserDefaults::setStandard(defaults_);
    }
    ~ScopedDefaults() {
        platform::UserDefaults::setStandard(nullptr);
        std::remove(path_.c_str());
    }
    ScopedDefaults(const ScopedDefaults&) = delete;
    ScopedDefaults& operator=(const ScopedDefaults&) = delete;

    platform::UserDefaults& operator*() const { return *defaults_; }
    platform::UserDefaults* operator->() const { return defaults_.get(); }

private:
    std::string path_;
    std::shared_ptr<platform::UserDefaults> defaults_;
};

// An empty simulated desktop installed as the running system while it lives.
struct EmptyDesktop {
    static std::shared_ptr<platform::sim::SimulatedDesktop> make() {
        platform::sim::SimulatedDesktop::Options options;
        options.actionLogPath = std::nullopt;
        auto desktop = platform::sim::SimulatedDesktop::fromJSON(R"({"applications": []})", options);
        if (!desktop) std::abort();
        return desktop;
    }
    std::shared_ptr<platform::sim::SimulatedDesktop> desktop = make();
    platform::ScopedSystem scope{desktop};
};

}  // namespace services_tests
